// The production history chart's lines, built from a database of known
// samples: rates between consecutive samples, breaks at shift changes,
// counts that fell back and gaps, and the jam counts per station.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "history/HistorySeries.h"
#include "history/HistoryStore.h"

namespace voran::testing {
namespace {

using history::SeriesPoint;

double ms(const std::string& hhmm) {
    return *history::SampleMs("2026-12-07T" + hhmm + ":00");
}

TEST(HistorySeries, RatesAndJamLinesBreakAtShiftChangesFallBacksAndGaps) {
    QTemporaryDir dir;
    auto store = history::HistoryStore::OpenFile(dir.filePath("h.sqlite").toStdString(), nullptr);
    ASSERT_TRUE(store);
    // time, good cans, total jams, the shift event stored with the sample.
    const struct {
        const char* time;
        std::int64_t good, jams;
        std::optional<history::ShiftEventKind> event;
    } rows[] = {
        {"06:00", 100, 2, {}}, {"06:01", 160, 3, {}},
        {"06:02", 250, 3, {}}, {"06:03", 40, 0, history::ShiftEventKind::CountsFellBack},
        {"06:04", 100, 1, {}}, {"06:10", 400, 4, {}},  // six minutes on: a gap at a 60 s interval
        {"06:11", 430, 4, {}}, {"06:12", 500, 5, history::ShiftEventKind::EndOfShift},
        {"06:13", 520, 5, {}},
    };
    for (const auto& r : rows) {
        history::Sample s{std::string("2026-12-07T") + r.time + ":00", r.good, r.jams, {}, 600, {}};
        for (int k = 0; k < 12; ++k) s.stationJams[k] = r.jams * (k + 1);
        std::optional<history::ShiftEvent> e;
        if (r.event) e = history::ShiftEvent{s.time, *r.event};
        ASSERT_TRUE(store->append(s, e)) << store->lastError();
    }
    const auto series =
        history::BuildHistorySeries(*store->samples(), *store->events(), history::MaxGapFor(60));

    const history::SeriesLine rates = {{{ms("06:01"), 60}, {ms("06:02"), 90}},
                                       {{ms("06:04"), 60}},
                                       {{ms("06:11"), 30}},
                                       {{ms("06:13"), 20}}};
    EXPECT_EQ(series.goodCansPerMinute, rates);
    for (int k = 0; k < 12; ++k) {
        const double n = k + 1;
        const history::SeriesLine jams = {
            {{ms("06:00"), 2 * n}, {ms("06:01"), 3 * n}, {ms("06:02"), 3 * n}},
            {{ms("06:03"), 0}, {ms("06:04"), n}},
            {{ms("06:10"), 4 * n}, {ms("06:11"), 4 * n}},
            {{ms("06:12"), 5 * n}, {ms("06:13"), 5 * n}}};
        EXPECT_EQ(series.stationJams[k], jams) << "station " << k + 1;
    }
    EXPECT_EQ(series.shiftChanges, (std::vector<double>{ms("06:03"), ms("06:12")}));
    EXPECT_EQ(series.firstMs, ms("06:00"));
    EXPECT_EQ(series.lastMs, ms("06:13"));
    EXPECT_EQ(history::IsoTimeOfMs(ms("06:13")), "2026-12-07T06:13:00");
}

TEST(HistorySeries, NoSamplesGiveAnEmptySeriesAndUnreadableTimesAreLeftOut) {
    EXPECT_TRUE(history::BuildHistorySeries({}, {}, 180).empty());
    history::Sample bad{"yesterday", 5, 0, {}, 0, {}};
    history::Sample good{"2026-12-07T06:00:00", 5, 0, {}, 0, {}};
    const auto series = history::BuildHistorySeries({bad, good}, {}, 180);
    EXPECT_EQ(series.firstMs, ms("06:00"));
    EXPECT_TRUE(series.goodCansPerMinute.empty());
    EXPECT_EQ(series.stationJams[0], (history::SeriesLine{{{ms("06:00"), 0}}}));
}

}  // namespace
}  // namespace voran::testing
