#pragma once

namespace voran {

// The rest of the program, run for a moment in the middle of a long wait for
// the board: timers, repaints, a progress window's Cancel. Whoever calls it
// still holds the link, so nothing reached from a turn can start a second
// transaction (it finds the link held and fails or waits, as it would inside
// one of the link's message boxes).
class IEventTurn {
public:
    virtual ~IEventTurn() = default;
    // Runs the events waiting now, once.
    virtual void turn() = 0;
    // When the program's events last ran, by the clock of the waits: a turn
    // of this object or the event loop itself.
    virtual double lastTurn() const = 0;
};

}  // namespace voran
