#include "platform/AliveWait.h"

#include <algorithm>

namespace voran {

void AliveWait::turn() {
    ++turns_taken_;
    turns_.turn();
}

void AliveWait::keepUp() {
    if (clock_.now() - turns_.lastTurn() >= kStretch) turn();
}

bool AliveWait::waitForByte(ISerialPort& port, double deadline) {
    keepUp();
    for (;;) {
        if (port.waitForByte(std::min(deadline, clock_.now() + kSlice))) return true;
        // A port that went away ends the wait at once, as it would have.
        if (port.lost() || clock_.now() >= deadline) return false;
        turn();
    }
}

void AliveWait::pauseUntil(double deadline) {
    keepUp();
    // The last slice is `deadline - now`: both lie within a factor of two,
    // so the difference is exact and the pause ends on the deadline itself,
    // the very value a single pause would have reached.
    while (clock_.now() < deadline) {
        const double now = clock_.now();
        clock_.pause(std::min(deadline, now + kSlice) - now);
        if (clock_.now() < deadline) turn();
    }
}

}  // namespace voran
