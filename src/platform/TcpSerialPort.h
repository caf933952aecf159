#pragma once

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/LineSettings.h"
#include "platform/PortName.h"
#include "platform/Rfc2217.h"
#include "platform/SerialPort.h"

namespace voran {

// The board behind a serial device server on the network, used exactly as
// an RS-232 port: one byte written is one segment sent at once (no Nagle
// delay), and a wait ends when a byte came or the deadline of the clock is
// reached, in poll() on the socket. Nothing waits longer than a serial port
// would: connecting gives up after kConnectTime, the RFC 2217 set-up after
// kSetUpTime.
//
// socket://HOST:PORT carries the bytes as they are (the server's line
// settings are its own). rfc2217://HOST:PORT speaks Telnet with the
// COM-PORT-OPTION: on opening, and when the settings change while open, the
// server is told speed, data bits, parity and stop bits, and the port opens
// only once it answered with those values; discarding input also asks the
// server to drop what it holds from the device. 0xFF is doubled on the
// stream both ways. DTR and RTS are never asked for, so a server that does
// not acknowledge them (one in front of a pseudo-terminal) is no trouble.
//
// A connection that the far side closed or reset is a lost port (lost()):
// open() connects anew.
class TcpSerialPort : public ISerialPort {
public:
    static constexpr double kConnectTime = 2.0;
    static constexpr double kSetUpTime = 2.0;

    explicit TcpSerialPort(IClock& clock);
    ~TcpSerialPort() override;
    TcpSerialPort(const TcpSerialPort&) = delete;
    TcpSerialPort& operator=(const TcpSerialPort&) = delete;

    // A RawTcp or Rfc2217 name; takes effect at the next open().
    void setAddress(const PortName& address) { address_ = address; }
    const PortName& address() const { return address_; }

    void setPortNumber(int number) override { port_ = number; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings, PortError* error) override;
    std::string settings() const override { return settingsText_; }

    bool open(PortError* error) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }

    int bytesWaiting() override;
    void discardInput() override;
    bool writeByte(std::uint8_t byte) override;
    int readByte() override;
    bool waitForByte(double deadline) override;
    bool lost(PortError* why = nullptr) const override;

private:
    bool telnet() const { return address_.kind == PortName::Kind::Rfc2217; }
    bool connectTo(PortError* error);
    bool setUpLine(PortError* error);
    // Waits in poll() until the socket is readable (true) or the deadline.
    bool pollReadable(double deadline);
    // Takes in whatever the socket holds now, without waiting.
    void takeIn();
    bool sendAll(const std::vector<std::uint8_t>& bytes);
    void markLost(int err);
    void onNegotiation(std::uint8_t verb, std::uint8_t option);
    void onSubnegotiation(const std::vector<std::uint8_t>& sub);
    PortError failure(int err, const std::string& description) const;

    IClock& clock_;
    PortName address_;
    int port_ = 1;
    std::string settingsText_ = "9600,n,8,1";
    LineSettings line_;
    int fd_ = -1;
    std::deque<std::uint8_t> input_;
    bool lost_ = false;
    int lostError_ = 0;

    // RFC 2217: the server's stream, and what it said.
    rfc2217::Decoder decoder_;
    bool comPortRefused_ = false;
    std::array<std::optional<std::vector<std::uint8_t>>, 16> answers_{};
};

}  // namespace voran
