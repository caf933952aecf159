#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "SimRtc.h"
#include "link/LinkFraming.h"

namespace voran::sim {

class SimPls;
class SimProgram;

// A command the board runs besides the data reads and writes (the PLS
// commands). The board hands it every byte after the acknowledged command
// code until it says the transaction is over.
class SimCommand {
public:
    virtual ~SimCommand() = default;

    // What the board does after one byte of a running transaction.
    enum class Next {
        Continue,   // more bytes of this transaction follow
        Idle,       // transaction over; the board waits for 0xFF
        ReadyPoll,  // transaction over; the PC now polls for ready (0x38/0x55)
    };
    struct Answer {
        std::optional<std::uint8_t> reply;
        Next next = Next::Continue;
    };

    // True when this object runs command `code`; it then starts a fresh
    // transaction for it.
    virtual bool begin(std::uint8_t code) = 0;
    virtual Answer receive(std::uint8_t byte) = 0;
    // How many ready queries are answered "busy" (0x55) before "ready" (0x00)
    // after the transaction that just ended.
    virtual int busyPolls() const { return 0; }
    // False while the running transaction waits between frames of its own
    // (program mode between two records): a pause there cuts nothing short.
    virtual bool midFrame() const { return true; }
};

// A model of the K-900 controller board as seen through its PROG port: a
// 64 KiB data memory, the attention/acknowledge handshake, data-item reads
// (mode 1: address pairs) and writes (mode 2: address/data triples) and the
// PLS command transactions. The board frames what it hears by position: in
// read mode bytes come in pairs, in write mode in triples, so an address or
// data byte of 255 is data and 0xFF starts a command only where a new pair or
// triple would start.
//
// Like the real board it drops a half-received frame (a pair, a triple, a
// PLS command's bytes, a ready-poll pair) when the PC falls silent in the
// middle of it for longer than `frameGap` seconds: the PC only pauses there
// when a byte was lost, and its resynchronising 0xFF then lands where a new
// frame starts and is taken as attention instead of as an address or data
// byte (which would store a value at a wrong address). The rule and the
// link's waits that go with it are in src/link/LinkFraming.h.
class SimBoard {
public:
    SimBoard();
    ~SimBoard();

    // Command codes of the data-item transactions.
    static constexpr std::uint8_t kReadData = 1;
    static constexpr std::uint8_t kWriteData = 2;
    static constexpr std::uint8_t kAttention = 0xFF;
    static constexpr std::uint8_t kAck = 0x55;
    static constexpr std::uint8_t kNak = 0x00;
    static constexpr std::uint8_t kReadyQuery = 0x38;

    // One byte from the PC. Returns the board's answer, or nothing when the
    // board does not answer that byte. Without a time the byte is taken as
    // following the previous one at once.
    std::optional<std::uint8_t> receive(std::uint8_t byte);
    // The same, with the time (seconds, any monotonic origin) at which the
    // byte arrived, so that a pause inside a frame resets the framing.
    std::optional<std::uint8_t> receive(std::uint8_t byte, double time);

    // Seconds of silence after which a half-received frame is dropped.
    double frameGap = framing::kFrameGap;

    // True when the last answer was the echo of an address byte (for the
    // wrong-echo fault of the simulated port).
    bool lastAnswerWasAddressEcho() const { return lastWasAddressEcho_; }
    // True while the board waits for 0xFF (no command open).
    bool idle() const { return state_ == State::Idle; }
    // The PLS commands (or any other command codes). Not owned; nullptr
    // leaves every code but 1 and 2 unacknowledged.
    void setCommands(SimCommand* commands) { commands_ = commands; }
    // The board's own PLS, answering the PLS command codes from the start.
    // While live, tick() turns the resolver at its live speed.
    SimPls& pls() { return *pls_; }
    const SimPls& pls() const { return *pls_; }
    // The board's program mode (command code 03H), in front of the PLS.
    SimProgram& program() { return *program_; }

    std::array<std::uint8_t, 65536>& memory() { return memory_; }
    const std::array<std::uint8_t, 65536>& memory() const { return memory_; }

    // The real-time clock in memory (stopped until started).
    SimRtc& rtc() { return rtc_; }

    // Sets an item by its address text ("B8176", "W182", "D1100",
    // "B1044.1", "F135"), with the link's encodings. False on a bad text or
    // a value outside the item's range.
    bool preset(const std::string& address, std::int64_t value);
    // Reads an item by its address text, with the link's encodings.
    std::int64_t peek(const std::string& address) const;
    // Loads "ADDRESS VALUE" lines ('#' starts a comment). Returns false and
    // fills `error` with the line at fault; nothing is stored then.
    bool loadPresetFile(const std::string& path, std::string* error);

    // --- The running machine (for demonstrations) --------------------------
    // While enabled, tick() counts good cans, now and then jams a station and
    // raises an alarm, and carries out the reset-jams and end-of-shift
    // requests the PC writes.
    void setLive(bool on) { live_ = on; }
    bool live() const { return live_; }
    // Restarts the machine's random events in a repeatable order.
    void setRandomStart(unsigned value) { rng_ = std::mt19937(value); }
    // Lets `seconds` of machine time pass (nothing happens unless live).
    void tick(double seconds);

private:
    enum class State { Idle, AwaitCode, Read, Write, Command, ReadyPoll };

    std::optional<std::uint8_t> step(std::uint8_t byte);
    std::optional<std::uint8_t> dispatch(std::uint8_t code);
    std::optional<std::uint8_t> readyPoll(std::uint8_t byte);
    void dropPartialFrame();
    void liveStep(double seconds);

    std::array<std::uint8_t, 65536> memory_{};
    State state_ = State::Idle;
    int step_ = 0;
    std::uint8_t hi_ = 0, lo_ = 0;
    bool lastWasAddressEcho_ = false;
    double lastTime_ = 0;
    bool haveTime_ = false;
    std::unique_ptr<SimPls> pls_;
    std::unique_ptr<SimProgram> program_;
    SimCommand* commands_ = nullptr;
    int busyLeft_ = 0;

    // Live machine.
    bool live_ = false;
    std::mt19937 rng_{900};
    double canFraction_ = 0;
    double stoppedFor_ = 0;
    double alarmFor_ = 0;
    std::string alarmBit_;

    SimRtc rtc_;
};

}  // namespace voran::sim
