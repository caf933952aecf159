#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace voran::history {

// One sample of the line: what the board counted at one moment. Every field
// is a value the board gave; a sample with a failed read is never made.
struct Sample {
    std::string time;  // local time, ISO 8601 "2026-12-07T14:03:27"
    std::int64_t goodCans = 0;
    std::int64_t totalJams = 0;
    std::array<std::int64_t, 12> stationJams{};  // stations 1 .. 11, the flanger last
    std::int64_t cpm = 0;
    // Transfer jam, timing signal fail, infeed jam (as the frame polls them).
    std::array<bool, 3> alarms{};

    bool operator==(const Sample&) const = default;
};

// Why a shift ended: the board's current-shift counts fell back, or the
// operator pressed End of Shift.
enum class ShiftEventKind { CountsFellBack, EndOfShift };

struct ShiftEvent {
    std::string time;
    ShiftEventKind kind = ShiftEventKind::CountsFellBack;

    bool operator==(const ShiftEvent&) const = default;
};

// The word stored for an event kind ("counts-fell-back", "end-of-shift").
const char* EventKindName(ShiftEventKind kind);
std::optional<ShiftEventKind> EventKindFromName(const std::string& name);

// "2026-12-07T14:03:27".
std::string IsoTime(const DateTime& t);
// A time given on a command line, as a stored time to compare with: a date
// "2026-12-07" (its midnight), or a date and time "2026-12-07T14:03" or
// "2026-12-07T14:03:27" (a blank may stand for the T). Nothing when the text
// is not one of those or names no real date.
std::optional<std::string> NormalIsoTime(const std::string& text);

}  // namespace voran::history
