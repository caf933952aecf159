#include "platform/BusyPort.h"

#include <algorithm>

namespace voran {

bool BusyPort::waitPiece(double until) {
    return alive_ ? alive_->waitForByte(port_, until) : port_.waitForByte(until);
}

void BusyPort::silent(bool on) {
    if (silent_ == on) return;
    silent_ = on;
    indicator_.boardSilent(on);
}

bool BusyPort::waitForByte(double deadline) {
    const double first = std::min(deadline, clock_.now() + moment_);
    bool got = waitPiece(first);
    if (!got && clock_.now() < deadline && !port_.lost()) {
        indicator_.busy(true);
        got = waitPiece(deadline);
        indicator_.busy(false);
    }
    if (got)
        silent(false);
    else if (clock_.now() >= deadline)
        silent(true);
    return got;
}

}  // namespace voran
