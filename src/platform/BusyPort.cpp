#include "platform/BusyPort.h"

#include <algorithm>

namespace voran {

bool BusyPort::waitForByte(double deadline) {
    const double first = std::min(deadline, clock_.now() + moment_);
    if (port_.waitForByte(first)) return true;
    if (clock_.now() >= deadline) return false;
    indicator_.busy(true);
    const bool got = port_.waitForByte(deadline);
    indicator_.busy(false);
    return got;
}

}  // namespace voran
