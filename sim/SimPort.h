#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <vector>

#include "SimBoard.h"
#include "SimLossBurst.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace voran::sim {

// One byte that crossed the wire.
struct WireByte {
    bool toBoard = true;  // PC -> board when true, board -> PC otherwise
    std::uint8_t byte = 0;
    double time = 0;
    bool operator==(const WireByte&) const = default;
};

// The simulated board behind the serial-port interface, in-process. Waiting
// advances the manual clock, so time-outs cost no real time. Records the
// traffic both ways and misbehaves on request.
class SimPort : public ISerialPort {
public:
    SimPort(SimBoard& board, ManualClock& clock);

    // --- ISerialPort ---
    void setPortNumber(int number) override { port_ = number; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings, PortError* error) override;
    std::string settings() const override { return settings_; }
    bool open(PortError* error) override;
    void close() override;
    bool isOpen() const override { return open_; }
    int bytesWaiting() override;
    void discardInput() override;
    bool writeByte(std::uint8_t byte) override;
    int readByte() override;
    bool waitForByte(double deadline) override;
    bool lost(PortError* why = nullptr) const override;

    // --- Faults ---
    // The board hears nothing and answers nothing.
    bool silent = false;
    // The next this many echoes of an address byte come back wrong.
    int wrongEchoes = 0;
    // Every n-th byte from the PC is lost on the way (0: none).
    int dropEvery = 0;
    // Answers arrive this many seconds after the byte that asked.
    double replyDelay = 0;
    // The PC's bytes with these numbers (counted as bytesWritten(), from 1)
    // are lost on the way.
    std::set<long long> dropAt;
    // A burst of the PC's bytes lost at a chosen moment (see SimLossBurst).
    SimLossBurst burst;
    // The answer to the PC's byte number `lateAt` comes `lateBy` seconds
    // late (0: none).
    long long lateAt = 0;
    double lateBy = 0;
    // The adapter is unplugged: an open port hangs up (lost()), nothing goes
    // either way, and open() fails until this is cleared.
    bool gone = false;
    // The adapter is unplugged as the PC's byte with this number (counted as
    // bytesWritten(), from 1) goes out: that byte never reaches the board,
    // which keeps whatever frame it was in the middle of (0: never).
    long long goneAt = 0;
    // open() fails with this error when set (number != 0).
    PortError openError;
    // Bytes the PC wrote, counted for dropEvery (lost ones included).
    long long bytesWritten() const { return written_; }

    // --- Trace ---
    std::vector<WireByte> wire;
    // Bytes sent by the PC since the trace was cleared.
    std::vector<std::uint8_t> sent() const;
    // Bytes answered by the board since the trace was cleared.
    std::vector<std::uint8_t> received() const;
    void clearTrace() { wire.clear(); }

    SimBoard& board() { return board_; }

private:
    struct Pending {
        std::uint8_t byte;
        double at;
    };
    SimBoard& board_;
    ManualClock& clock_;
    int port_ = 1;
    std::string settings_ = "9600,n,8,1";
    bool open_ = false;
    long long written_ = 0;
    std::deque<Pending> input_;
};

}  // namespace voran::sim
