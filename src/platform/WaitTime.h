#pragma once

#include <ctime>

namespace voran {

// A wait of `seconds` for ppoll: whole seconds and nanoseconds, nothing for
// a wait already over.
inline timespec ToTimespec(double seconds) {
    timespec ts{};
    if (seconds <= 0) return ts;
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    if (ts.tv_nsec >= 1000000000L) ts.tv_nsec = 999999999L;
    return ts;
}

}  // namespace voran
