// The desktop program's production history: its settings, the frame's
// sampler while online, and the Production History window over a database of
// known samples (chart, span and zoom, empty or damaged history, export, print).
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "FakeFileDialog.h"
#include "RecordingPrinter.h"
#include "ShellHarness.h"
#include "WindowFixture.h"
#include "data/ui/frmMain.h"
#include "history/HistoryCsv.h"
#include "history/HistorySettings.h"
#include "history/HistoryStore.h"
#include "history/ui/frmHistory.h"
#include "link/ui/frmSetupComm.h"
#include "shell/HistoryRecorder.h"
#include "widgets/NumericEntry.h"

namespace voran::testing {
namespace {

using history::HistorySettings;
using history::SampleOutcome;

TEST(HistorySettings, TextsGiveSettingsAndOutOfRangeValuesKeepTheDefault) {
    const struct {
        const char* text;
        HistorySettings want;
    } rows[] = {
        {"", {60, ""}},
        {"interval=5\r\nline=Line 4\r\n", {5, "Line 4"}},
        {"\xEF\xBB\xBFinterval=3600\nline=a=b\n", {3600, "a=b"}},
        {"interval=4\r\n", {60, ""}},
        {"interval=3601\r\n", {60, ""}},
        {"interval=9x\r\nnoise\r\n", {60, ""}},
    };
    for (const auto& r : rows) EXPECT_EQ(history::ParseHistorySettings(r.text), r.want) << r.text;
    const HistorySettings s{30, "Line 4"};
    EXPECT_EQ(history::FormatHistorySettings(s), "interval=30\r\nline=Line 4\r\n");
    EXPECT_EQ(history::ParseHistorySettings(history::FormatHistorySettings(s)), s);
    EXPECT_EQ(history::HistoryFileFor("/p", s, "COM3"), "/p/History/Line_4.sqlite");
    EXPECT_EQ(history::HistoryFileFor("/p", {}, "COM3"), "/p/History/COM3.sqlite");
}

class HistoryRecorderTest : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        clock.setLocalDateTime({2026, 12, 7, 6, 0, 0, 0});
        board.preset("D1100", 500);
    }
    // Ticks until the sample under way is done.
    static SampleOutcome sample(HistoryRecorder& recorder) {
        SampleOutcome o = recorder.tick();
        for (int steps = 1; o == SampleOutcome::Reading; ++steps) {
            EXPECT_LT(steps, 100);
            if (steps >= 100) break;
            o = recorder.tick();
        }
        return o;
    }
    std::vector<history::Sample> stored() const {
        auto store = history::HistoryStore::OpenFile(ctx.historyFile, nullptr);
        return store ? *store->samples() : std::vector<history::Sample>{};
    }
};

TEST_F(HistoryRecorderTest, SamplesWhileOnlineFromTheSettingsAndNeverDuringAModalOperation) {
    writeFile("Support/History.cfg", "interval=5\r\nline=Line 4\r\n");
    HistoryRecorder recorder(ctx);
    EXPECT_EQ(ctx.historyFile, path("History/Line_4.sqlite"));
    EXPECT_EQ(ctx.historyInterval, 5);

    EXPECT_EQ(recorder.tick(), SampleOutcome::LinkBusy) << "offline";
    ctx.goOnline();
    clearTrace();
    {
        AppContext::ModalOperation modal(ctx);
        EXPECT_EQ(recorder.tick(), SampleOutcome::LinkBusy);
        EXPECT_TRUE(port.sent().empty());
    }
    EXPECT_EQ(recorder.tick(), SampleOutcome::Reading) << "one item a tick";
    EXPECT_EQ(port.sent().size(), 2u + 2u * 4u) << "the handshake and one double word";
    EXPECT_EQ(sample(recorder), SampleOutcome::Stored);
    EXPECT_EQ(port.sent().size(), 2u + 2u * 36u) << "the least the protocol allows";
    EXPECT_EQ(recorder.tick(), SampleOutcome::NotDue);
    clock.pause(5);
    board.preset("D1100", 520);
    ctx.onEndOfShift = [&] { recorder.noteEndOfShift(); };
    frmMain display(ctx);
    display.cmdEndOfShift_Click();
    EXPECT_EQ(sample(recorder), SampleOutcome::Stored);
    ASSERT_EQ(stored().size(), 2u);
    EXPECT_EQ(ctx.historySamplesStored, 2) << "told to the history window";
    EXPECT_EQ(stored()[1].goodCans, 520);
    EXPECT_EQ(recorder.sampler()->lastEvent(),
              (history::ShiftEvent{"2026-12-07T06:00:00", history::ShiftEventKind::EndOfShift}));

    // A fault in the middle of a sample keeps none of it.
    clock.pause(5);
    EXPECT_EQ(recorder.tick(), SampleOutcome::Reading);
    port.silent = true;  // the link's Retry/Cancel box is answered Cancel
    EXPECT_EQ(sample(recorder), SampleOutcome::ReadFailed);
    EXPECT_EQ(stored().size(), 2u);
    EXPECT_EQ(ctx.historySamplesStored, 2);
    EXPECT_FALSE(recorder.sampling());
    EXPECT_EQ(recorder.tick(), SampleOutcome::LinkBusy) << "the fault stands";
    port.silent = false;

    // An End of Shift the board did not take marks nothing.
    bool marked = false;
    ctx.onEndOfShift = [&] { marked = true; };
    link.CommError = false;
    port.silent = true;
    display.cmdEndOfShift_Click();
    EXPECT_FALSE(marked);
}

TEST_F(HistoryRecorderTest, TheCommPortWindowRefusesAnIntervalOutOfRangeAndSavesAGoodOne) {
    writeFile("Support/RSPort.cfg", "1,9600\r\n");
    frmSetupComm window(ctx);
    EXPECT_EQ(window.txtSampleInterval()->text(), "60");
    window.txtSampleInterval()->setText(QStringLiteral("4"));
    window.cmdSave_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, RangeMessage(5, 3600));
    EXPECT_EQ(readFile("Support/History.cfg"), "<missing>");

    window.txtSampleInterval()->setText(QStringLiteral("30"));
    window.txtLineName()->setText(" Line 4 ");
    window.cmdSave_Click();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(readFile("Support/History.cfg"), "interval=30\r\nline=Line 4\r\n");
}

// The frame with the main display open, the history sampled every 5 s: the
// display's pass and the alarm poll leave readings, and a sample asks the
// board only for the items neither has read within the last 2.5 s (half the
// interval). A reading from before a link fault is read again.
TEST(HistoryInTheFrame, ASampleReadsOnlyWhatTheMainDisplayAndTheAlarmPollHaveNotJustRead) {
    enum class Before { Nothing, StaleReadings, LostAdapter };
    const std::vector<std::string> all = history::SampleAddresses();
    std::vector<std::string> allButB111 = all;
    std::erase(allButB111, "B111");
    const struct {
        const char* what;
        bool displayPass;
        int pollTicks;
        Before before;
        std::vector<std::string> read;
    } rows[] = {
        {"nothing read yet", false, 0, Before::Nothing, all},
        {"the display's pass (B111 is in its alarm word W110)", true, 0, Before::Nothing, {"B121"}},
        {"the pass and the poll's B121.7", true, 2, Before::Nothing, {}},
        {"readings older than half the interval", true, 2, Before::StaleReadings, all},
        // The alarm read after the fault (B111.4) is fresh again.
        {"the adapter lost and found again since", true, 2, Before::LostAdapter, allButB111},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ShellHarness h;
        QDir().mkpath(h.folder.filePath("Support"));
        QFile cfg(h.folder.filePath("Support/History.cfg"));
        ASSERT_TRUE(cfg.open(QIODevice::WriteOnly) && cfg.write("interval=5\r\n") > 0);
        cfg.close();
        h.window->history().follow();
        h.goOnline();
        frmMain* display = dynamic_cast<frmMain*>(h.window->currentChild());
        ASSERT_TRUE(display);
        const auto preset = [&](std::int64_t good) {
            h.board.preset("D1100", good);
            h.board.preset("D1104", 7);
            for (int k = 0; k < 12; ++k) h.board.preset("W" + std::to_string(1108 + 2 * k), k);
            h.board.preset("W182", 640);
            h.board.preset("B110", 0xEF);  // the alarm word's other byte: no alarm of the sample
            h.board.preset("B111", 0x40);  // timing signal fail
            h.board.preset("B121", 0x80);  // infeed jam
        };
        preset(500);
        if (row.displayPass) {
            ASSERT_TRUE(display->monitor().runPass());
        }
        h.ticks(row.pollTicks);
        preset(600);
        if (row.before == Before::StaleReadings) h.clock.advance(2.6);
        if (row.before == Before::LostAdapter) {
            // The adapter goes during the next alarm read and is back when
            // the operator answers Retry: the link stays online.
            h.port.gone = true;
            h.messages.answers = {MsgResult::Retry};
            h.messages.whileOpen = [&] { h.port.gone = false; };
            h.ticks(1);
            ASSERT_EQ(h.messages.shown.size(), 1u);
            ASSERT_TRUE(h.link().OnlineMode && !h.link().CommError);
        }
        h.clearTrace();
        HistoryRecorder& recorder = h.window->history();
        SampleOutcome o = recorder.tick();
        for (int steps = 1; o == SampleOutcome::Reading && steps < 40; ++steps) o = recorder.tick();
        ASSERT_EQ(o, SampleOutcome::Stored) << recorder.sampler()->lastError();
        EXPECT_EQ(h.addressesRead(), ByteAddressesOf(row.read));
        // Values read before the change are those of the board then; every
        // value read since is the board's now, never one from before a fault.
        const history::Sample& s = *recorder.sampler()->lastStored();
        // Good cans, total jams, the flanger's jams, cans a minute, alarms.
        EXPECT_EQ(std::tuple(s.goodCans, s.totalJams, s.stationJams[11], s.cpm, s.alarms),
                  std::tuple(row.read.size() > 1 ? 600 : 500, 7, 11, 640,
                             std::array<bool, 3>{false, true, true}));
    }
}

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

TEST_F(HistoryWindowTest, ASpanEndingNowGrowsWithEachSampleTheFrameStoresACustomOneStays) {
    record(30);
    open(frmHistory::ThisShift);
    record(2);
    window->monitor().runPass();
    EXPECT_EQ(window->samples().size(), 30u) << "the frame stored nothing: not read again";
    ++ctx.historySamplesStored;
    window->monitor().runPass();
    EXPECT_EQ(window->samples().size(), 32u);

    // A read that took long is not made again at once: each look at the
    // clock here comes 0.1 s later, so the chart follows 2 s on.
    struct SlowReads : IClock {
        ManualClock& base;
        explicit SlowReads(ManualClock& c) : base(c) {}
        double now() const override { return base.advance(0.1), base.now(); }
        DateTime localDateTime() const override { return base.localDateTime(); }
        void pause(double seconds) override { base.pause(seconds); }
    } slow(clock);
    shownClock.use(slow);
    for (const auto& [wait, shown] : {std::pair(0.0, 33u), {0.0, 33u}, {2.0, 35u}}) {
        record(1);
        ++ctx.historySamplesStored;
        clock.advance(wait);
        window->monitor().runPass();
        EXPECT_EQ(window->samples().size(), shown) << wait;
    }
    shownClock.use(clock);
    clock.advance(2);

    window->cboSpan()->setCurrentIndex(frmHistory::CustomRange);
    record(1);
    ++ctx.historySamplesStored;
    window->monitor().runPass();
    EXPECT_EQ(window->samples().size(), 35u) << "a custom range stays as chosen";

    // A history that can no longer be read is told once, not at every sample.
    window->cboSpan()->setCurrentIndex(frmHistory::ThisShift);
    writeFile("History/COM1.sqlite", std::string(4096, 'x'));
    for (int k = 0; k < 2; ++k) {
        ++ctx.historySamplesStored;
        window->monitor().runPass();
    }
    EXPECT_EQ(messages.shown.size(), 1u);
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
