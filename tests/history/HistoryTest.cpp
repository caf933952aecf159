// The production history: samples read from the in-process board on a
// manual clock, what the database keeps (also after a crash), and its CSV.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <filesystem>

#include "ProgramRun.h"
#include "SimLink.h"
#include "WireDecoder.h"
#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"
#include "history/Sampler.h"
#include "link/RecentReadings.h"

namespace voran::testing {
namespace {

using history::HistoryStore;
using history::Sample;
using history::SampleOutcome;
using history::ShiftEvent;
using history::ShiftEventKind;

// The link online on the board with its recent readings, a history in its
// folder and a sampler.
class HistoryTest : public ::testing::Test {
protected:
    SimLink s;
    RecentReadings readings;
    std::string dbPath = s.folder.path().toStdString() + "/History/COM1.sqlite";
    std::unique_ptr<HistoryStore> store = HistoryStore::OpenFile(dbPath, nullptr);
    history::Sampler sampler{s.link, *store, s.clock, 60, &readings};

    void SetUp() override {
        ASSERT_TRUE(store);
        s.link.setReadingListener(&readings);
        presetCounts(1200, 7);
        s.board.preset("W182", 640);
        s.board.preset("B111", 0x10);  // transfer jam
        s.board.preset("B121", 0x80);  // infeed jam
        s.link.OpenRSComm(s.port);
        ASSERT_TRUE(s.link.OnlineMode);
        s.port.clearTrace();
    }
    void presetCounts(std::int64_t good, std::int64_t jams) {
        s.board.preset("D1100", good);
        s.board.preset("D1104", jams);
        for (int k = 0; k < 12; ++k) s.board.preset("W" + std::to_string(1108 + 2 * k), jams + k);
    }
    void at(int hour, int minute) { s.clock.setLocalDateTime({2026, 12, 7, hour, minute, 0, 0}); }
    static Sample expected(const std::string& time, std::int64_t good, std::int64_t jams) {
        Sample e{time, good, jams, {}, 640, {true, false, true}};
        for (int k = 0; k < 12; ++k) e.stationJams[k] = jams + k;
        return e;
    }
};

TEST_F(HistoryTest, SamplesWhenDueWithOneReadCommandAndMarksShiftChanges) {
    at(6, 0);
    ASSERT_EQ(sampler.tick(), SampleOutcome::Stored) << sampler.lastError();
    // One handshake, then one address pair for each byte of the items: the
    // least the protocol allows (74 exchanges).
    EXPECT_EQ(ReadAddresses(s.port.sent()), ByteAddressesOf(history::SampleAddresses()));
    EXPECT_EQ(s.port.sent().size(), 2u + 2u * 36u);
    EXPECT_EQ(sampler.tick(), SampleOutcome::NotDue);

    const struct {
        std::int64_t good, jams;
        bool endOfShiftPressed;
        std::optional<ShiftEventKind> event;
    } steps[] = {{1500, 9, false, std::nullopt},
                 {40, 9, false, ShiftEventKind::CountsFellBack},
                 {90, 0, false, ShiftEventKind::CountsFellBack},
                 {95, 1, true, ShiftEventKind::EndOfShift},
                 {99, 1, false, std::nullopt}};
    std::vector<Sample> want = {expected("2026-12-07T06:00:00", 1200, 7)};
    std::vector<ShiftEvent> events;
    int minute = 0;
    for (const auto& step : steps) {
        presetCounts(step.good, step.jams);
        if (step.endOfShiftPressed) sampler.noteEndOfShift();
        s.clock.advance(59.9);
        EXPECT_EQ(sampler.tick(), SampleOutcome::NotDue);
        s.clock.advance(0.1);
        at(6, ++minute);
        ASSERT_EQ(sampler.tick(), SampleOutcome::Stored) << sampler.lastError();
        want.push_back(
            expected(history::IsoTime({2026, 12, 7, 6, minute, 0, 0}), step.good, step.jams));
        if (step.event) events.push_back({want.back().time, *step.event});
    }
    EXPECT_EQ(store->samples(), want);
    EXPECT_EQ(store->events(), events);
    EXPECT_EQ(store->samples("2026-12-07T06:02:00", "2026-12-07T06:03:00"),
              (std::vector<Sample>{want[2], want[3]}));
}

// A read that fails leaves a gap in the history, never a sample of zeros;
// a link held by another operation is not touched, and its sample comes at
// the next tick.
enum class Fault { SilentBoard, LostBytes, LinkFaultStands, LinkHeld };
class HistoryFaultTest : public HistoryTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(HistoryFaultTest, NoSampleIsStoredForAReadThatDidNotHappen) {
    at(6, 0);
    ASSERT_EQ(sampler.tick(), SampleOutcome::Stored);
    const std::vector<Sample> before = *store->samples();
    s.clock.advance(60);
    at(6, 1);
    presetCounts(4321, 3);
    std::optional<RSComm::Transaction> held =
        GetParam() == Fault::LinkHeld ? s.link.begin() : std::nullopt;
    switch (GetParam()) {
        case Fault::SilentBoard:
            s.port.silent = true;
            break;
        case Fault::LostBytes:
            s.port.dropEvery = 5;
            break;
        case Fault::LinkFaultStands:
            s.link.CommError = true;
            break;
        case Fault::LinkHeld:
            break;
    }
    s.port.clearTrace();
    const double started = s.clock.now();
    const SampleOutcome outcome = sampler.tick();
    EXPECT_EQ(*store->samples(), before);
    // Every byte the link read since is what the board holds; the failed
    // read left no reading.
    for (const int byte : ByteAddressesOf(history::SampleAddresses())) {
        const std::string b = "B" + std::to_string(byte);
        if (const auto v = readings.value(b, s.clock.now(), s.clock.now() - started)) {
            EXPECT_EQ(*v, s.board.peek(b)) << b;
        }
    }
    if (outcome == SampleOutcome::ReadFailed) {
        const std::string& e = sampler.lastError();
        const std::string failed = e.substr(8, e.find(' ', 8) - 8);  // "reading D1100 failed"
        EXPECT_FALSE(readings.value(failed, s.clock.now(), s.clock.now() - started)) << failed;
    }
    if (GetParam() == Fault::LinkHeld || GetParam() == Fault::LinkFaultStands) {
        EXPECT_EQ(outcome, SampleOutcome::LinkBusy);
        EXPECT_TRUE(s.port.sent().empty());
        held.reset();
        s.link.CommError = false;
        EXPECT_EQ(sampler.tick(), SampleOutcome::Stored);
        EXPECT_EQ(store->samples()->back(), expected("2026-12-07T06:01:00", 4321, 3));
    } else {
        EXPECT_EQ(outcome, SampleOutcome::ReadFailed);
        EXPECT_FALSE(sampler.lastError().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, HistoryFaultTest,
                         ::testing::Values(Fault::SilentBoard, Fault::LostBytes,
                                           Fault::LinkFaultStands, Fault::LinkHeld));

// A power cut in the middle of a write: the process dies with a transaction
// half on the disk. The next open rolls it back and keeps every committed
// sample.
TEST_F(HistoryTest, ADatabaseCutOffMidWriteReopensWithEveryCommittedSample) {
    at(6, 0);
    ASSERT_EQ(sampler.tick(), SampleOutcome::Stored);
    s.clock.advance(60);
    at(6, 1);
    ASSERT_EQ(sampler.tick(), SampleOutcome::Stored);
    const std::vector<Sample> committed = *store->samples();
    store.reset();

    const pid_t child = fork();
    if (child == 0) {
        // A transaction big enough to spill into the database file, then
        // the end of the process without a commit.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "cut-off");
        db.setDatabaseName(QString::fromStdString(dbPath));
        QSqlQuery q(db);
        const bool begun = db.open() && q.exec("PRAGMA cache_size = 2") && db.transaction();
        for (int k = 0; begun && k < 12; ++k) q.exec("INSERT INTO samples SELECT * FROM samples");
        q.exec("INSERT INTO shift_events (event_time, kind) VALUES ('x', 'end-of-shift')");
        _exit(begun ? 0 : 3);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(std::filesystem::exists(dbPath + "-journal"));

    std::string error;
    store = HistoryStore::OpenFile(dbPath, &error);
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(store->samples(), committed);
    EXPECT_EQ(store->events()->size(), 0u);
    history::Sampler again(s.link, *store, s.clock);
    EXPECT_EQ(again.sampleNow(), SampleOutcome::Stored);
    EXPECT_EQ(store->samples()->size(), 3u);
}

TEST(HistoryCsv, HasAHeaderRowAndOneRowASampleInIsoTime) {
    Sample a{"2026-12-07T06:00:00", 1200, 7, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 640,
             {true, false, true}};
    Sample b{"2026-12-07T06:01:00", 2147483648LL, 0, {}, 0, {false, true, false}};
    EXPECT_EQ(history::HistoryCsv({a, b}),
              "time,good_cans,total_jams,jams_01,jams_02,jams_03,jams_04,jams_05,jams_06,"
              "jams_07,jams_08,jams_09,jams_10,jams_11,jams_12,cpm,transfer_jam_alarm,"
              "timing_signal_fail_alarm,infeed_jam_alarm\r\n"
              "2026-12-07T06:00:00,1200,7,1,2,3,4,5,6,7,8,9,10,11,12,640,1,0,1\r\n"
              "2026-12-07T06:01:00,2147483648,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0\r\n");
}

TEST(HistoryTimes, CommandLineTimesBecomeStoredTimesOrAreRefused) {
    const std::pair<const char*, const char*> rows[] = {
        {"2026-12-07", "2026-12-07T00:00:00"},
        {"2026-12-07T14:03", "2026-12-07T14:03:00"},
        {"2026-12-07 14:03:27", "2026-12-07T14:03:27"},
        {"2024-02-29", "2024-02-29T00:00:00"},
        {"2026-02-29", ""},
        {"2026-13-01", ""},
        {"2026-12-07T24:00", ""},
        {"2026-12-7", ""},
        {"2026-12-07T14", ""},
        {"yesterday", ""},
        {"2026-12-07T14:03:60", ""}};
    for (const auto& [text, stored] : rows)
        EXPECT_EQ(history::NormalIsoTime(text).value_or(""), stored) << text;
}

TEST(HistoryStore, RefusesADatabaseOfAnotherSchemaAndNamesFilesFromThePort) {
    TempFolder folder;
    const std::string path = folder.path("later.sqlite");
    {
        ASSERT_TRUE(HistoryStore::OpenFile(path, nullptr));
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "later");
        db.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("UPDATE voran_schema SET version = 2");
        db.close();
    }
    QSqlDatabase::removeDatabase("later");
    std::string error;
    EXPECT_FALSE(HistoryStore::OpenFile(path, &error));
    EXPECT_EQ(error, "the history " + path + " is of schema 2; this program writes schema 1");
    EXPECT_EQ(history::HistoryFilePath("/p", "COM3"), "/p/History/COM3.sqlite");
    EXPECT_EQ(history::HistoryFilePath("/p", "Line 4/..x"), "/p/History/Line_4_..x.sqlite");
    EXPECT_EQ(history::HistoryFilePath("/p", ".."), "/p/History/_...sqlite");
}

}  // namespace
}  // namespace voran::testing
