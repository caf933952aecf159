#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "history/HistorySample.h"

namespace voran::history {

// One point of a chart line: a time in milliseconds since the epoch (the
// sample's local time) and a value.
struct SeriesPoint {
    double ms = 0;
    double value = 0;

    bool operator==(const SeriesPoint&) const = default;
};

// A chart line in unbroken pieces: a new piece starts wherever the line must
// not be drawn across (a shift change, counts that fell back, a gap in the
// samples).
using SeriesLine = std::vector<std::vector<SeriesPoint>>;

// What the production history chart draws for a span of samples.
struct HistorySeries {
    // Good cans a minute between two consecutive samples, at the later one.
    SeriesLine goodCansPerMinute;
    // The current shift's jams at each station, as the board counted them
    // (stations 1 .. 11, the flanger last).
    std::array<SeriesLine, 12> stationJams;
    // Where the shifts changed (ms since the epoch), oldest first.
    std::vector<double> shiftChanges;
    // The first and last sample's time; both 0 without samples.
    double firstMs = 0;
    double lastMs = 0;

    bool empty() const { return firstMs == 0 && lastMs == 0; }
};

// A stored local time ("2026-12-07T14:03:27") in milliseconds since the
// epoch; nothing when the text is not such a time.
std::optional<double> SampleMs(const std::string& isoTime);
// The other way round, to the second.
std::string IsoTimeOfMs(double ms);

// Builds the chart's lines from samples and events, oldest first.
// Consecutive samples further apart than `maxGapSeconds` break every line,
// and so does a shift change (an event, or good cans or total jams that
// fell back): a rate is never taken across either, so it is never negative.
// A sample whose time cannot be read is left out.
HistorySeries BuildHistorySeries(const std::vector<Sample>& samples,
                                 const std::vector<ShiftEvent>& events, double maxGapSeconds);

// The longest pause between two samples drawn as one line: three sampling
// intervals.
inline double MaxGapFor(double intervalSeconds) {
    return 3 * intervalSeconds;
}

}  // namespace voran::history
