#include "history/HistorySeries.h"

#include <QDateTime>
#include <algorithm>

namespace voran::history {

std::optional<double> SampleMs(const std::string& isoTime) {
    const QDateTime t = QDateTime::fromString(QString::fromStdString(isoTime), Qt::ISODate);
    if (!t.isValid()) return std::nullopt;
    return static_cast<double>(t.toMSecsSinceEpoch());
}

std::string IsoTimeOfMs(double ms) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms))
        .toString(Qt::ISODate)
        .toStdString();
}

namespace {

// Appends a point to the line's last piece, or to a new piece after a break.
void extend(SeriesLine& line, bool broken, SeriesPoint p) {
    if (broken || line.empty()) line.emplace_back();
    line.back().push_back(p);
}

}  // namespace

HistorySeries BuildHistorySeries(const std::vector<Sample>& samples,
                                 const std::vector<ShiftEvent>& events, double maxGapSeconds) {
    HistorySeries out;
    std::vector<double> eventMs;
    for (const ShiftEvent& e : events)
        if (const auto ms = SampleMs(e.time)) eventMs.push_back(*ms);
    std::sort(eventMs.begin(), eventMs.end());
    out.shiftChanges = eventMs;

    const Sample* prev = nullptr;
    double prevMs = 0;
    // Jam lines break where the next point does not follow on from the last.
    bool jamsBroken = true;
    for (const Sample& s : samples) {
        const auto ms = SampleMs(s.time);
        if (!ms) continue;
        if (out.empty()) out.firstMs = *ms;
        out.lastMs = std::max(out.lastMs, *ms);

        bool follows = prev != nullptr;
        if (prev) {
            const double seconds = (*ms - prevMs) / 1000.0;
            // An event recorded with this sample (or between the two) starts
            // a new shift at this sample.
            const bool shiftChanged =
                std::any_of(eventMs.begin(), eventMs.end(),
                            [&](double e) { return e > prevMs && e <= *ms; }) ||
                s.goodCans < prev->goodCans || s.totalJams < prev->totalJams;
            follows = seconds > 0 && seconds <= maxGapSeconds && !shiftChanged;
            if (follows) {
                const double perMinute =
                    static_cast<double>(s.goodCans - prev->goodCans) * 60.0 / seconds;
                const bool rateBroken = out.goodCansPerMinute.empty() ||
                                        out.goodCansPerMinute.back().empty() ||
                                        out.goodCansPerMinute.back().back().ms != prevMs;
                extend(out.goodCansPerMinute, rateBroken, {*ms, perMinute});
            }
        }
        jamsBroken = !follows;
        for (std::size_t k = 0; k < s.stationJams.size(); ++k)
            extend(out.stationJams[k], jamsBroken, {*ms, static_cast<double>(s.stationJams[k])});
        prev = &s;
        prevMs = *ms;
    }
    return out;
}

}  // namespace voran::history
