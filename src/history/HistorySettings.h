#pragma once

#include <optional>
#include <string>

#include "platform/FileReplace.h"

namespace voran::history {

// How the desktop program keeps the production history: the sampling
// interval and the line's name, which names the history file (without one,
// the port names it). Kept in Support/History.cfg of the program folder, one
// "key=value" a line, beside RSPort.cfg (whose one line other tools read).
struct HistorySettings {
    static constexpr int kMinInterval = 5;
    static constexpr int kMaxInterval = 3600;

    int interval = 60;     // seconds, kMinInterval .. kMaxInterval
    std::string lineName;  // empty: named after the port

    bool operator==(const HistorySettings&) const = default;
};

// Support/History.cfg in the program folder.
std::string HistorySettingsPath(const std::string& programFolder);
// The settings a text gives; what is missing or out of range keeps its
// default.
HistorySettings ParseHistorySettings(const std::string& text);
std::string FormatHistorySettings(const HistorySettings& s);
// The settings of the program folder (the defaults without a file).
HistorySettings LoadHistorySettings(const std::string& programFolder);
FileWriteResult SaveHistorySettings(const std::string& programFolder, const HistorySettings& s);

// The history file of the board on `portName` ("COM3"):
// History/<line name or port>.sqlite in the program folder.
std::string HistoryFileFor(const std::string& programFolder, const HistorySettings& s,
                           const std::string& portName);

}  // namespace voran::history
