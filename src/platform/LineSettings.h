#pragma once

#include <optional>
#include <string>

namespace voran {

// A port's line settings as the settings text gives them ("9600,n,8,1":
// speed, parity, data bits, stop bits).
struct LineSettings {
    int speed = 9600;
    char parity = 'n';  // 'n', 'e', 'o'
    int dataBits = 8;
    int stopBits = 1;
    bool operator==(const LineSettings&) const = default;
};

// Reads a settings text. Nothing when it is malformed or asks for what the
// ports here cannot do (speeds other than the standard ones from 1200 to
// 115200, parity other than n/e/o, 7 or 8 data bits, 1 or 2 stop bits).
std::optional<LineSettings> ParseLineSettings(const std::string& text);

}  // namespace voran
