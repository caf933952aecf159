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
    while (clock_.now() < deadline) {
        clock_.pauseUntil(std::min(deadline, clock_.now() + kSlice));
        if (clock_.now() < deadline) turn();
    }
}

}  // namespace voran
