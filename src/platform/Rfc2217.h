#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/LineSettings.h"

namespace voran::rfc2217 {

// The Telnet layer of a serial device server that takes its line settings
// from the PC (the COM-PORT-OPTION of RFC 2217, over Telnet, RFC 854).
// Everything here is bytes in, bytes out; the socket is the port's.

// Telnet commands and options.
inline constexpr std::uint8_t kIac = 255;  // "interpret as command": 0xFF
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;  // subnegotiation begins
inline constexpr std::uint8_t kSe = 240;  // subnegotiation ends
inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPort = 44;

// COM-PORT-OPTION commands of the client; the server answers each with the
// same command plus 100 and the value it set.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kServerOffset = 100;
// Values.
inline constexpr std::uint8_t kParityNone = 1, kParityOdd = 2, kParityEven = 3;
inline constexpr std::uint8_t kStopOne = 1, kStopTwo = 2;
inline constexpr std::uint8_t kNoFlowControl = 1;
// PURGE-DATA: the server's buffer of data received from the device.
inline constexpr std::uint8_t kPurgeReceived = 1;

// A data byte as it goes on the Telnet stream: 0xFF doubled.
void AppendData(std::vector<std::uint8_t>& out, std::uint8_t byte);
// IAC <verb> <option>.
std::vector<std::uint8_t> Negotiation(std::uint8_t verb, std::uint8_t option);
// IAC SB COM-PORT-OPTION <command> <value, 0xFF doubled> IAC SE.
std::vector<std::uint8_t> ComPortCommand(std::uint8_t command,
                                         const std::vector<std::uint8_t>& value);
// What the PC sends when the connection opens: it will do COM-PORT-OPTION,
// and binary transmission and no go-ahead both ways.
std::vector<std::uint8_t> Greeting();
// SET-BAUDRATE (four bytes, most significant first), SET-DATASIZE,
// SET-PARITY, SET-STOPSIZE and SET-CONTROL (no flow control) for `line`.
std::vector<std::uint8_t> LineCommands(const LineSettings& line);
// The values the server must answer for `line`, by command (baud rate,
// data size, parity, stop size).
std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> ExpectedAnswers(
    const LineSettings& line);

// Splits the server's stream into data bytes, option negotiations and
// subnegotiations. Fed a byte at a time; keeps its place across calls, so a
// command cut between two reads of the socket is read whole.
class Decoder {
public:
    std::function<void(std::uint8_t)> data;
    std::function<void(std::uint8_t verb, std::uint8_t option)> negotiation;
    std::function<void(const std::vector<std::uint8_t>&)> subnegotiation;

    void feed(std::uint8_t byte);
    void reset();

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::vector<std::uint8_t> sub_;
};

}  // namespace voran::rfc2217
