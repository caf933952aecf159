#pragma once

#include <string>

#include "link/PortSettings.h"

namespace voran {

// What one "RSPort.cfg" text says: "port,speed" on its first line.
struct PortSettingsText {
    PortSettings settings;
    // Nothing but blanks: the file is to be written with the defaults.
    bool empty = false;
    // Not of the form "number,number": the settings hold what could be read
    // (defaults for the rest) and the file is to be rewritten with them.
    bool garbled = false;
};

// Reads a settings text. Never fails: a port below 1 becomes 1, one above 99
// becomes 99, a speed other than 9600 or 19200 becomes 9600.
PortSettingsText ParsePortSettingsText(const std::string& content);

// The line written to the file: "3,19200".
std::string FormatPortSettingsText(const PortSettings& s);

}  // namespace voran
