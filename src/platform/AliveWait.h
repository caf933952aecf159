#pragma once

#include "platform/Clock.h"
#include "platform/EventTurn.h"
#include "platform/SerialPort.h"

namespace voran {

// Waiting for the board without freezing the window. A wait longer than a
// slice is cut into slices with an event turn between them, and a long run
// of quick exchanges gets a turn once its stretch without one grows too
// long. The deadlines stay the absolute ones of the caller, so the bytes go
// out at the same moments as with a plain blocking wait: a reply that comes
// within a slice ends the wait as it would have, and a turn is taken only
// while a reply is still on its way or a pause has time left.
class AliveWait {
public:
    // The longest piece of a wait without a turn, in seconds.
    static constexpr double kSlice = 0.010;
    // The longest stretch without a turn while exchanges follow one another.
    static constexpr double kStretch = 0.025;

    AliveWait(IClock& clock, IEventTurn& turns) : clock_(clock), turns_(turns) {}

    // Called when a wait begins: a turn when the events have not run for
    // kStretch (the byte asked has gone out, its reply is on its way).
    void keepUp();
    // Waits in slices for a byte from `port` until `deadline`; true when one
    // is waiting.
    bool waitForByte(ISerialPort& port, double deadline);
    // Pauses until `deadline` in slices.
    void pauseUntil(double deadline);

    // Turns taken by this object, for tests and the probe.
    long turns() const { return turns_taken_; }

private:
    void turn();

    IClock& clock_;
    IEventTurn& turns_;
    long turns_taken_ = 0;
};

// A clock whose pauses keep the window alive (through an AliveWait); the
// time itself is the wrapped clock's.
class AliveClock : public IClock {
public:
    AliveClock(IClock& clock, AliveWait& alive) : clock_(clock), alive_(alive) {}

    double now() const override { return clock_.now(); }
    DateTime localDateTime() const override { return clock_.localDateTime(); }
    void pause(double seconds) override { alive_.pauseUntil(clock_.now() + seconds); }

private:
    IClock& clock_;
    AliveWait& alive_;
};

}  // namespace voran
