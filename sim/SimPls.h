#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "SimBoard.h"

namespace voran::sim {

// The programmable limit switch of the simulated board: a resolver position
// counted 0 .. scale factor - 1 that advances with the machine's speed, a
// resolver offset, eight timing channels with ON/OFF setpoints (or none),
// and the configuration block. It answers the PLS command codes after the
// board's attention handshake; the board runs the ready poll that follows a
// write.
class SimPls : public SimCommand {
public:
    // One timing channel as the PLS holds it.
    struct Channel {
        bool programmed = false;
        int on = 0;
        int off = 0;
        // Set by a pulse train: widths in divisions and the start position.
        bool pulseTrain = false;
        int onWidth = 0, offWidth = 0, start = 0;
        bool operator==(const Channel&) const = default;
    };

    SimPls();

    // --- SimCommand ---
    bool begin(std::uint8_t code) override;
    Answer receive(std::uint8_t byte) override;
    int busyPolls() const override { return busyPolls_; }

    // --- State (tests and k900-sim set and read it directly) -------------
    int scaleFactor = 360;
    int offset = 0;
    // Machine speed in revolutions per minute; tick() moves the resolver.
    int rpm = 0;
    std::array<Channel, 8> channels{};
    // The 24 configuration bytes as the four blocks wrote them.
    std::array<std::uint8_t, 24> config{};

    // The resolver's raw count (0 .. scale factor - 1); the position the PLS
    // reports is this minus the offset.
    double raw = 0;
    int position() const;
    // Lets `seconds` of machine time pass at the present speed.
    void tick(double seconds);
    // The speed of the running machine; the board's live mode calls
    // liveTick(), which runs the PLS at this speed.
    int liveRpm = 120;
    // The machine's drive: while stopped the resolver stands (speed 0) and
    // keeps its position; started again it turns at liveRpm.
    bool resolverRunning = true;
    void liveTick(double seconds) {
        rpm = resolverRunning ? liveRpm : 0;
        tick(seconds);
    }
    // Sets a channel's setpoints (programmed).
    void program(int chan, int on, int off);
    // The 19 bytes the configuration read answers: channel count, program
    // number, speed compensation of channels 0 to 7, then the rest of the
    // block.
    std::array<std::uint8_t, 19> configRead() const;

    // Ready queries answered busy after each write.
    void setBusyPolls(int n) { busyPolls_ = n; }

    // How many transactions of each code the PLS has taken (0..255).
    std::array<int, 256> commandsTaken{};

private:
    Answer word(int value);
    Answer frameByte(std::uint8_t byte, int length);
    void applyFrame();

    int code_ = 0;
    int index_ = 0;
    std::array<std::uint8_t, 8> frame_{};
    std::array<std::uint8_t, 19> readOut_{};
    std::array<bool, 8> recallOff_{};
    int busyPolls_ = 2;
};

}  // namespace voran::sim
