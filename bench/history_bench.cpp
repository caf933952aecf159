// The production history: a year of 60 s samples written and read back, the
// database's size, the cost of one sample's transaction, and the link's
// exchanges per sample against the protocol's minimum (over the
// pseudo-terminal against k900-sim).
#include <time.h>

#include <QDateTime>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "data/SetupData.h"
#include "data/ui/MainDisplayModel.h"
#include "history/HistoryStore.h"
#include "history/Sampler.h"
#include "link/AddressCodec.h"
#include "link/RSComm.h"
#include "link/RecentReadings.h"
#include "link/TrafficPort.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/PosixSerialPort.h"
#include "shell/BackgroundUpdate.h"
#include "window/AppContext.h"
#include "window/OnlineState.h"

using namespace voran;

namespace {

double secondsNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Counts the bytes the PC sends.
struct SentCount : ILinkObserver {
    long sent = 0;
    void byteSent(std::uint8_t, double) override { ++sent; }
    void byteReceived(std::uint8_t, double) override {}
    void linkEvent(LinkEvent, double) override {}
};

class QuietBoxes : public IMessageBox {
public:
    MsgResult show(const std::string& text, const std::string&, MsgButtons buttons,
                   MsgIcon) override {
        std::cerr << "  [box: " << text.substr(0, 60) << "]\n";
        return EscapeAnswer(buttons);
    }
};

struct NoClipboard : IClipboard {
    void clear() override {}
    void setText(const std::string&) override {}
    std::string text() const override { return {}; }
};

}  // namespace

bool RunHistoryBench(const std::string& folder) {
    namespace fs = std::filesystem;
    const std::string path = folder + "/History/bench-year.sqlite";
    fs::remove(path);
    std::string error;
    auto store = history::HistoryStore::OpenFile(path, &error);
    if (!store) {
        std::cerr << "voran-bench: " << error << "\n";
        return false;
    }
    // A year of samples, a day (1440 samples) a transaction.
    constexpr int kYear = 365 * 1440;
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    std::vector<history::Sample> day;
    bool ok = true;
    const double t0 = secondsNow();
    for (int k = 0; ok && k < kYear; ++k) {
        history::Sample s;
        s.time = start.addSecs(60LL * k).toString("yyyy-MM-ddTHH:mm:ss").toStdString();
        s.goodCans = (k % 480) * 640;
        s.totalJams = (k % 480) / 7;
        for (int j = 0; j < 12; ++j) s.stationJams[j] = (k % 480) / (30 + j);
        s.cpm = 640 + k % 11;
        s.alarms = {k % 97 == 0, false, k % 131 == 0};
        day.push_back(s);
        if (day.size() == 1440) {
            ok = store->appendAll(day);
            day.clear();
        }
    }
    const double loaded = secondsNow() - t0;

    // One sample as the sampler writes it: a transaction of its own.
    constexpr int kSingles = 200;
    const double t1 = secondsNow();
    for (int k = 0; ok && k < kSingles; ++k) {
        history::Sample s;
        s.time = start.addSecs(60LL * (kYear + k)).toString("yyyy-MM-ddTHH:mm:ss").toStdString();
        ok = store->append(s);
    }
    const double single = (secondsNow() - t1) / kSingles;

    const auto query = [&](const std::string& from, const std::string& to, std::size_t* rows) {
        const double q0 = secondsNow();
        const auto got = store->samples(from, to);
        *rows = got ? got->size() : 0;
        ok = ok && got.has_value();
        return (secondsNow() - q0) * 1000;
    };
    std::size_t dayRows = 0, weekRows = 0, yearRows = 0;
    const double dayMs = query("2026-06-01T00:00:00", "2026-06-01T23:59:59", &dayRows);
    const double weekMs = query("2026-06-01T00:00:00", "2026-06-07T23:59:59", &weekRows);
    const double yearMs = query("", "", &yearRows);
    store.reset();
    const double size = static_cast<double>(fs::file_size(path)) / (1024 * 1024);
    // Opening the year's file as the history window does: checked whole the
    // first time, only opened at every later show.
    const auto opening = [&](bool check) {
        const double o0 = secondsNow();
        ok = ok && history::HistoryStore::OpenFile(path, &error, check) != nullptr;
        return (secondsNow() - o0) * 1000;
    };
    const double checkedMs = opening(true);
    const double openedMs = opening(false);

    std::printf("history, a year of 60 s samples (%d):\n", kYear);
    std::printf("  load %.1f s (a day a transaction); one sample in its own transaction %.2f ms\n",
                loaded, single * 1000);
    std::printf("  database %.1f MiB (%.0f bytes a sample)\n", size, size * 1024 * 1024 / kYear);
    std::printf("  query: a day (%zu rows) %.1f ms, 7 days (%zu) %.1f ms, the year (%zu) %.0f ms\n",
                dayRows, dayMs, weekRows, weekMs, yearRows, yearMs);
    std::printf("  open: with the whole-file check %.0f ms, without it %.1f ms\n", checkedMs,
                openedMs);
    fs::remove(path);

    // The link's cost of one sample over the pseudo-terminal.
    SystemClock clock;
    QuietBoxes boxes;
    PosixSerialPort port(clock, folder);
    TrafficPort counted(port, clock);
    SentCount count;
    counted.setObserver(&count);
    RSComm link(clock, boxes, folder);
    link.OnlineMode = true;
    link.OpenRSComm(counted);
    auto samples = history::HistoryStore::OpenFile(folder + "/History/bench-link.sqlite", &error);
    if (!link.OnlineMode || !samples) {
        std::cerr << "voran-bench: no link for the sample row\n";
        return false;
    }
    history::Sampler sampler(link, *samples, clock, 60);
    constexpr int kSamples = 20;
    long first = 0;
    count.sent = 0;
    const double t2 = secondsNow();
    for (int k = 0; ok && k < kSamples; ++k) {
        ok = sampler.sampleNow() == history::SampleOutcome::Stored;
        if (k == 0) first = count.sent;
    }
    const double perSample = (secondsNow() - t2) / kSamples;
    const double later = static_cast<double>(count.sent - first) / (kSamples - 1);

    // The same with the main display open, as in the frame: before each
    // sample, one pass of the display and a round of the alarm poll; the
    // sample asks the board only for what neither has just read.
    RecentReadings readings;
    link.setReadingListener(&readings);
    SetupTables tables;
    NoClipboard clipboard;
    OnlineState online(link, counted, boxes);
    AppContext ctx(link, tables, boxes, clock, clipboard, folder, online);
    const MainDisplayModel display(ctx);
    AlarmTables alarms;
    InitAlarmTables(alarms);
    history::Sampler shared(link, *samples, clock, 60, &readings);
    long withDisplay = 0;
    for (int k = 0; ok && k < kSamples; ++k) {
        for (int i = 0; i < display.itemCount(); ++i)
            if (!display.itemAddress(i).empty()) link.RSRead(display.itemAddress(i));
        for (const std::string& a : alarms.AlarmAddress) link.RSRead(a);
        const long before = count.sent;
        ok = shared.sampleNow() == history::SampleOutcome::Stored;
        withDisplay += count.sent - before;
    }
    link.setReadingListener(nullptr);
    link.CloseRSComm();
    samples.reset();
    fs::remove(folder + "/History/bench-link.sqlite");
    long bytes = 0;
    for (const std::string& a : history::SampleAddresses()) bytes += DecodeAddress(a).byteCount();
    std::printf(
        "  link per sample: %ld exchanges from another mode, %.0f in read mode (minimum\n"
        "  %ld and %ld: the handshake and an address pair for each of %ld bytes), %.1f ms "
        "over the\n  pseudo-terminal, %.0f ms of wire time at 19200 bit/s\n",
        first, later, 2 + 2 * bytes, 2 * bytes, bytes, perSample * 1000,
        (2 + 2 * bytes) * 20.0 / 19200 * 1000);
    std::printf(
        "  link per sample with the main display open (its pass and the alarm poll\n"
        "  just read): %.1f exchanges\n",
        static_cast<double>(withDisplay) / kSamples);
    return ok;
}
