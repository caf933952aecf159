#pragma once

#include <optional>
#include <string>

namespace voran {

// How the board is reached: the names serial tools on Linux already take.
//   3, COM3                    COM port number 3 (1 .. 99): what the program
//                              folder maps it to, else the device of COM3
//   /dev/ttyUSB0               a serial device by its path
//   socket://HOST:PORT         a serial device server in raw TCP mode
//   rfc2217://HOST:PORT        a serial device server that takes the line
//                              settings from the PC (Telnet COM-PORT-OPTION)
struct PortName {
    enum class Kind { Number, Device, RawTcp, Rfc2217 };
    Kind kind = Kind::Number;
    int number = 1;      // Number
    std::string device;  // Device
    std::string host;    // RawTcp, Rfc2217 (an IPv6 address without brackets)
    int tcpPort = 0;     // RawTcp, Rfc2217

    bool network() const { return kind == Kind::RawTcp || kind == Kind::Rfc2217; }
    // The name as the operator would type it back ("COM3", "/dev/ttyUSB0",
    // "socket://[::1]:4001").
    std::string text() const;
    bool operator==(const PortName&) const = default;
};

inline constexpr int kPortNumberMin = 1;
inline constexpr int kPortNumberMax = 99;

// A port name read from text, or why the text names no port.
struct PortNameParse {
    std::optional<PortName> name;
    std::string error;
};

// Reads a port name (blanks around it are ignored). Refused, with a message
// naming the text and what is expected: an empty text, a number outside
// 1 .. 99, a relative path, a network name without host or port, a TCP port
// outside 1 .. 65535, anything after the port, other schemes.
PortNameParse ParsePortName(const std::string& text);

}  // namespace voran
