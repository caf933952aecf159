// The Production History window over a database of known samples: the
// chart's lines carry the series' values, the span and zoom outlive a
// window switch, an empty or damaged history, export and print.
#include <QCheckBox>
#include <QComboBox>
#include <gtest/gtest.h>

#include "FakeFileDialog.h"
#include "RecordingPrinter.h"
#include "WindowFixture.h"
#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"
#include "history/ui/frmHistory.h"

namespace voran::testing {
namespace {

double ms(int hour, int minute) {
    char text[32];
    std::snprintf(text, sizeof text, "2026-12-07T%02d:%02d:00", hour, minute);
    return *history::SampleMs(text);
}

class HistoryWindowTest : public ::testing::Test, protected WindowContext {
protected:
    FakeFileDialog dialogs;
    FakePrintSetup printSetup;
    std::unique_ptr<frmHistory> window;

    void SetUp() override {
        ctx.historyFile = path("History/COM1.sqlite");
        ctx.dialogs = &dialogs;
        ctx.printSetup = &printSetup;
        clock.setLocalDateTime({2026, 12, 7, 7, 0, 0, 0});
    }
    // Samples a minute apart from 06:00 with good cans rising by 60 a
    // minute, the shift changing (counts fall back) at `fallBack`.
    void record(int minutes, int fallBack = -1) {
        auto store = history::HistoryStore::OpenFile(ctx.historyFile, nullptr);
        ASSERT_TRUE(store);
        std::int64_t good = 1000;
        for (int m = 0; m < minutes; ++m) {
            good = m == fallBack ? 0 : good + 60;
            history::Sample s{history::IsoTimeOfMs(ms(6, m)), good, m, {}, 600, {}};
            s.stationJams[5] = m;
            std::optional<history::ShiftEvent> e;
            if (m == fallBack) e = history::ShiftEvent{s.time};
            ASSERT_TRUE(store->append(s, e));
        }
    }
    void open(int span = frmHistory::Last24Hours) {
        window = std::make_unique<frmHistory>(ctx);
        window->monitor().setTimerDriven(false);
        window->cboSpan()->setCurrentIndex(span);
        window->resize(1000, 700);
        window->show();
        window->activate();
    }
    history::SeriesLine chartLine(int i) const { return window->drawnLine(i); }
};

TEST_F(HistoryWindowTest, TheChartDrawsTheSeriesOfTheSpanWithItsShiftChanges) {
    record(30, 20);
    open();
    ASSERT_TRUE(window->chartShown());
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(window->samples().size(), 30u);
    const history::SeriesLine rates = chartLine(0);
    ASSERT_EQ(rates.size(), 2u) << "broken at the shift change";
    EXPECT_EQ(rates[0].size(), 19u);
    EXPECT_EQ(rates[0].front(), (history::SeriesPoint{ms(6, 1), 60}));
    EXPECT_EQ(rates[1].front(), (history::SeriesPoint{ms(6, 21), 60}));
    EXPECT_EQ(chartLine(6), window->series().stationJams[5]);
    EXPECT_EQ(window->series().shiftChanges, std::vector<double>{ms(6, 20)});
    EXPECT_EQ(window->shownRange(), std::pair(ms(7, 0) - 24 * 3600e3, ms(7, 0)));

    // This shift: from the last shift change on.
    window->cboSpan()->setCurrentIndex(frmHistory::ThisShift);
    EXPECT_EQ(window->samples().size(), 10u);
    EXPECT_EQ(window->shownRange().first, ms(6, 20));

    window->chkLine(6)->setChecked(false);
    EXPECT_FALSE(window->lineShown(6));
    EXPECT_TRUE(window->lineShown(0));
    EXPECT_EQ(frmHistory::ReadoutText(0, ms(6, 21), 59.6),
              "2026-12-07 06:21:00  Good cans/min: 60");
}

TEST_F(HistoryWindowTest, SpanZoomAndLinesOutliveAWindowSwitch) {
    record(30);
    open(frmHistory::Last7Days);
    window->zoomTo(ms(6, 5), ms(6, 15));
    window->chkLine(3)->setChecked(false);
    record(2);  // more samples come while another window is on show
    window->deactivate();
    window->hide();
    window->show();
    window->activate();
    EXPECT_EQ(window->cboSpan()->currentIndex(), frmHistory::Last7Days);
    EXPECT_TRUE(window->zoomed());
    EXPECT_EQ(window->shownRange(), std::pair(ms(6, 5), ms(6, 15)));
    EXPECT_FALSE(window->chkLine(3)->isChecked());
    EXPECT_EQ(window->samples().size(), 32u) << "read afresh";

    window->cmdResetZoom_Click();
    EXPECT_FALSE(window->zoomed());
    EXPECT_EQ(window->shownRange().second, ms(7, 0));
}

TEST_F(HistoryWindowTest, NoHistoryOrAnEmptySpanShowsNoSamplesAndADamagedOneOneBox) {
    open();
    EXPECT_FALSE(window->chartShown());
    EXPECT_NE(window->lblNoSamples()->text().indexOf("No samples"), -1);
    record(3);
    clock.setLocalDateTime({2026, 12, 9, 7, 0, 0, 0});
    window->cmdShow_Click();
    EXPECT_EQ(window->lblNoSamples()->text().toStdString(), "No samples in this span.");
    EXPECT_FALSE(window->cmdExport()->isEnabled());
    EXPECT_TRUE(messages.shown.empty());

    writeFile("History/COM1.sqlite", std::string(4096, 'x'));
    EXPECT_FALSE(window->cmdShow_Click());
    EXPECT_FALSE(window->chartShown());
    EXPECT_TRUE(window->samples().empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Production History");
    EXPECT_EQ(messages.shown[0].text.rfind("The production history could not be read:", 0), 0u);
}

TEST_F(HistoryWindowTest, ExportWritesTheShownSpanAsCsvAndPrintDrawsIt) {
    record(30, 20);
    open();
    window->zoomTo(ms(6, 10), ms(6, 12));
    dialogs.choose(path("line.csv"));
    ASSERT_TRUE(window->cmdExport_Click());
    const std::vector<history::Sample> shown(window->samples().begin() + 10,
                                             window->samples().begin() + 13);
    EXPECT_EQ(readFile("line.csv"), history::HistoryCsv(shown));
    EXPECT_EQ(dialogs.shown.at(0).request.filters.at(0).patterns, "*.csv");

    dialogs.choose(path("no-such-folder/line.csv"));
    EXPECT_FALSE(window->cmdExport_Click());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Critical);

    window->zoomTo(ms(6, 0), ms(6, 29));
    printSetup.answers = {false, true};
    EXPECT_FALSE(window->cmdPrint_Click()) << "cancelled in the print dialog";
    EXPECT_EQ(printSetup.printer.endCount, 0);
    ASSERT_TRUE(window->cmdPrint_Click());
    const RecordingPrinter& p = printSetup.printer;
    EXPECT_EQ(p.endCount, 1);
    EXPECT_TRUE(p.find("Production History"));
    EXPECT_TRUE(p.find("From 2026-12-07 06:00:00 to 2026-12-07 06:29:00"));
    EXPECT_TRUE(p.find("Station 6 jams: 29"));
    // The box, the shift change and one line between each two rates.
    EXPECT_EQ(p.lines.size(), 4u + 1u + 18u + 8u);
}

}  // namespace
}  // namespace voran::testing
