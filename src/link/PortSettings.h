#pragma once

#include <string>

namespace voran {

// Port number and speed as they travel between the settings file, the
// settings window and the link.
struct PortSettings {
    int port = 1;      // 1 .. 99
    int speed = 9600;  // 9600 or 19200

    // "9600,n,8,1"
    std::string lineSettings() const { return std::to_string(speed) + ",n,8,1"; }
    bool operator==(const PortSettings&) const = default;
};

}  // namespace voran
