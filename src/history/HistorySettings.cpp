#include "history/HistorySettings.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "history/HistoryStore.h"
#include "platform/FileRead.h"

namespace voran::history {

std::string HistorySettingsPath(const std::string& programFolder) {
    return programFolder + "/Support/History.cfg";
}

HistorySettings ParseHistorySettings(const std::string& text) {
    HistorySettings s;
    std::istringstream lines{std::string(WithoutByteOrderMark(text))};
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "interval") {
            char* end = nullptr;
            const long v = std::strtol(value.c_str(), &end, 10);
            if (!value.empty() && *end == '\0' && v >= HistorySettings::kMinInterval &&
                v <= HistorySettings::kMaxInterval)
                s.interval = static_cast<int>(v);
        } else if (key == "line") {
            s.lineName = value;
        }
    }
    return s;
}

std::string FormatHistorySettings(const HistorySettings& s) {
    return "interval=" + std::to_string(s.interval) + "\r\nline=" + s.lineName + "\r\n";
}

HistorySettings LoadHistorySettings(const std::string& programFolder) {
    // Without a file of its own the program samples with the defaults.
    std::error_code ec;
    if (!std::filesystem::exists(HistorySettingsPath(programFolder), ec)) return {};
    const FileReadResult read = ReadFileContents(HistorySettingsPath(programFolder));
    return read ? ParseHistorySettings(read.bytes) : HistorySettings{};
}

FileWriteResult SaveHistorySettings(const std::string& programFolder, const HistorySettings& s) {
    return ReplaceFileContents(HistorySettingsPath(programFolder), FormatHistorySettings(s));
}

std::string HistoryFileFor(const std::string& programFolder, const HistorySettings& s,
                           const std::string& portName) {
    return HistoryFilePath(programFolder, s.lineName.empty() ? portName : s.lineName);
}

}  // namespace voran::history
