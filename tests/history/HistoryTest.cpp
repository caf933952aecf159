// The production history: the sampler on the simulated board, the store on
// SQLite and on a throwaway PostgreSQL server (same calls, same checks), the
// chart's series, the CSV, and voran-cli log and history against k900-sim.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "ProgramRun.h"
#include "ScopedEnv.h"
#include "SimLink.h"
#include "WireDecoder.h"
#include "history/HistoryCsv.h"
#include "history/HistorySeries.h"
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
using history::StoreLocation;

const std::string kHeader =
    "time,good_cans,total_jams,jams_01,jams_02,jams_03,jams_04,jams_05,jams_06,jams_07,jams_08,"
    "jams_09,jams_10,jams_11,jams_12,cpm,transfer_jam_alarm,timing_signal_fail_alarm,"
    "infeed_jam_alarm\r\n";

// The CSV row of a sample of 1200 good cans, 7 jams (1 .. 12 a station), 640
// cans a minute and the transfer and infeed jam alarms.
std::string CsvRow(const std::string& time) {
    return time + ",1200,7,1,2,3,4,5,6,7,8,9,10,11,12,640,1,0,1\r\n";
}

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

TEST(HistoryStore, NamesFilesFromThePort) {
    EXPECT_EQ(history::HistoryFilePath("/p", "COM3"), "/p/History/COM3.sqlite");
    EXPECT_EQ(history::HistoryFilePath("/p", "Line 4/..x"), "/p/History/Line_4_..x.sqlite");
    EXPECT_EQ(history::HistoryFilePath("/p", ".."), "/p/History/_...sqlite");
}

// The folder holding initdb and pg_ctl: on the PATH, or (Debian) the newest
// /usr/lib/postgresql/<major>/bin.
QString ServerPrograms() {
    const QString onPath = QStandardPaths::findExecutable("pg_ctl");
    if (!onPath.isEmpty() && !QStandardPaths::findExecutable("initdb").isEmpty())
        return QFileInfo(onPath).absolutePath();
    QStringList majors = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(majors.begin(), majors.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& major : majors) {
        const QString bin = "/usr/lib/postgresql/" + major + "/bin";
        if (QFile::exists(bin + "/initdb") && QFile::exists(bin + "/pg_ctl")) return bin;
    }
    return {};
}

// Runs `statements` one after the other on a connection of the test's own,
// beside the store's; the values of the last one's rows, blank-separated,
// or "error: ..." at the first that fails.
QString SideSql(const StoreLocation& where, const QStringList& statements) {
    QString said;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(where.driver, "side");
        db.setDatabaseName(where.database);
        db.setHostName(where.host);
        db.setUserName(where.user);
        QSqlQuery q(db);
        if (!db.open()) said = "error: " + db.lastError().text();
        for (const QString& s : statements) {
            if (!said.isEmpty()) break;
            if (!q.exec(s)) said = "error: " + q.lastError().text();
        }
        const bool ok = said.isEmpty();
        while (ok && q.isSelect() && q.next())
            for (int k = 0; k < q.record().count(); ++k) said += q.value(k).toString() + " ";
        db.close();
    }
    QSqlDatabase::removeDatabase("side");
    return said.trimmed();
}

// A PostgreSQL server of its own: a cluster made by initdb in a temporary
// folder, listening on a Unix socket in that folder only (no TCP port to
// collide with), with a database "history" for the store and a superuser
// "voran" that needs no password. The server refuses to run as root, so
// under root its programs run as the postgres user, who owns the folder.
// Stopped and removed with the object, whatever the test's outcome.
class ThrowawayServer {
public:
    ThrowawayServer() : bin_(ServerPrograms()), asPostgres_(geteuid() == 0) {}
    // The watchdog stops the server and removes the folder once the pipe
    // closes: here, or when the test's process ends any other way (a crash,
    // a time-out's kill), so no server outlives its test.
    ~ThrowawayServer() {
        if (watchdog_ <= 0) return;
        close(watchdogPipe_);
        int status = 0;
        waitpid(watchdog_, &status, 0);
    }
    ThrowawayServer(const ThrowawayServer&) = delete;
    ThrowawayServer& operator=(const ThrowawayServer&) = delete;

    // What this machine lacks to run one ("" when nothing).
    std::string missing() const {
        if (!QSqlDatabase::isDriverAvailable("QPSQL"))
            return "Qt SQL's QPSQL driver (Debian package libqt6sql6-psql)";
        if (bin_.isEmpty()) return "PostgreSQL's initdb and pg_ctl (Debian package postgresql)";
        if (asPostgres_ && !getpwnam("postgres"))
            return "a postgres user to run the server as (it refuses root)";
        return {};
    }

    // Makes the cluster, starts the server and makes the database: "" or
    // what went wrong.
    std::string start() {
        if (const passwd* pw = asPostgres_ ? getpwnam("postgres") : nullptr)
            if (chown(folder_.path().c_str(), pw->pw_uid, pw->pw_gid) != 0)
                return "cannot give the folder to postgres";
        if (!startWatchdog()) return "cannot start the watchdog";
        const QString data = QString::fromStdString(folder_.path("data"));
        std::string failed = run({bin_ + "/initdb", "-D", data, "--no-sync", "--no-instructions",
                                  "-U", "voran", "--auth=trust", "-E", "UTF8", "--locale=C"});
        if (failed.empty()) failed = startAgain();
        if (failed.empty())
            failed = SideSql(location("postgres"), {"CREATE DATABASE history"}).toStdString();
        return failed;
    }
    std::string startAgain() {
        const QString data = QString::fromStdString(folder_.path("data"));
        const QString options = "-k '" + QString::fromStdString(folder_.path()) +
                                "' -h '' -c fsync=off -c full_page_writes=off";
        return run({bin_ + "/pg_ctl", "-D", data, "-l", data + ".log", "-w", "-t", "60", "-o",
                    options, "start"});
    }
    // Ends it at once, as a power cut would: open connections just break.
    void stop() {
        run({bin_ + "/pg_ctl", "-D", QString::fromStdString(folder_.path("data")), "-m",
             "immediate", "-w", "stop"});
    }

    StoreLocation location(const QString& database = "history") const {
        StoreLocation where;
        where.driver = "QPSQL";
        where.database = database;
        where.host = QString::fromStdString(folder_.path());
        where.user = "voran";
        return where;
    }

private:
    // A child process that waits for the end of a pipe whose writing end
    // only this process holds, then stops the server and removes the folder.
    bool startWatchdog() {
        const QString data = QString::fromStdString(folder_.path("data"));
        const QString stop = (asPostgres_ ? "runuser -u postgres -- '" : "'") + bin_ +
                             "/pg_ctl' -D '" + data + "' -m immediate -w stop";
        const std::string script = "test -f '" + data.toStdString() + "/postmaster.pid' && " +
                                   stop.toStdString() + " >/dev/null 2>&1; rm -rf '" +
                                   folder_.path() + "'";
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return false;
        watchdog_ = fork();
        if (watchdog_ == 0) {
            close(ends[1]);
            char c;
            while (read(ends[0], &c, 1) < 0 && errno == EINTR) {
            }
            execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[0]);
        if (watchdog_ < 0) {
            close(ends[1]);
            return false;
        }
        watchdogPipe_ = ends[1];
        return true;
    }

    // "" when the program ran and said it succeeded; else what it said.
    std::string run(QStringList command) const {
        if (asPostgres_) command = QStringList{"-u", "postgres", "--"} + command;
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(asPostgres_ ? "runuser" : command.takeFirst(), command);
        const bool done = p.waitForFinished(90000);
        if (done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return {};
        return command.join(' ').toStdString() + " failed: " + p.readAll().toStdString() +
               folder_.read("data.log").value_or("");
    }

    TempFolder folder_;
    QString bin_;
    bool asPostgres_;
    pid_t watchdog_ = -1;
    int watchdogPipe_ = -1;
};

enum class Backend { SQLite, PostgreSQL };

// A history on one kind of database, and the few statements in which the two
// speak differently.
class HistoryOn : public ::testing::Test {
protected:
    Backend backend = Backend::SQLite;
    TempFolder folder;
    std::optional<ThrowawayServer> server;
    StoreLocation where;

    void setUpOn(Backend b) {
        backend = b;
        if (b == Backend::SQLite) {
            where.database = QString::fromStdString(folder.path("COM1.sqlite"));
            return;
        }
        server.emplace();
        const std::string missing = server->missing();
        if (!missing.empty()) GTEST_SKIP() << "no PostgreSQL server to test on: " << missing;
        const std::string failed = server->start();
        ASSERT_EQ(failed, "");
        where = server->location();
    }
    std::unique_ptr<HistoryStore> open() {
        std::string error;
        std::unique_ptr<HistoryStore> store = HistoryStore::Open(where, &error);
        EXPECT_TRUE(store) << error;
        return store;
    }
    // Makes the database refuse a row of `table` whose `column` = `value`.
    QString refuse(const QString& table, const QString& column, const QString& value) const {
        if (backend == Backend::SQLite)
            return SideSql(where, {"CREATE TRIGGER refuse_" + table + " BEFORE INSERT ON " + table +
                                   " WHEN NEW." + column + " = " + value +
                                   " BEGIN SELECT RAISE(ABORT, 'refused'); END"});
        return SideSql(where, {"ALTER TABLE " + table + " ADD CONSTRAINT refuse_" + table +
                               " CHECK (" + column + " <> " + value + ")"});
    }
    // How the database would run `query`, with a table scan made the last
    // resort (a server prefers one on a few rows).
    QString plan(const QString& query) const {
        if (backend == Backend::SQLite) return SideSql(where, {"EXPLAIN QUERY PLAN " + query});
        return SideSql(where, {"SET enable_seqscan = off", "EXPLAIN " + query});
    }
};

class HistoryStoreOn : public HistoryOn, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override { setUpOn(GetParam()); }
};

// Counts past 2^31 and one past 2^53 (which a double would round), times
// out of order and over midnight.
const Sample kSamples[] = {{"2026-12-07T06:00:00",
                            1200,
                            7,
                            {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                            640,
                            {true, false, true}},
                           {"2026-12-07T06:01:00", 2147483648LL, 0, {}, 0, {false, true, false}},
                           {"2026-12-07T23:59:59",
                            9007199254740993LL,
                            4,
                            {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4},
                            1200,
                            {false, false, false}},
                           {"2026-12-08T00:00:00", 0, 0, {}, 12, {true, true, true}}};

std::vector<Sample> Pick(std::initializer_list<int> which) {
    std::vector<Sample> out;
    for (const int k : which) out.push_back(kSamples[k]);
    return out;
}

TEST(HistoryCsv, HasAHeaderRowAndOneRowASampleInIsoTime) {
    EXPECT_EQ(history::HistoryCsv(Pick({0, 1})),
              kHeader + CsvRow("2026-12-07T06:00:00") +
                  "2026-12-07T06:01:00,2147483648,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0\r\n");
}

TEST_P(HistoryStoreOn, ReadsBackWhatWasWrittenInTimeOrderAndByRangeAndRefusesAnotherSchema) {
    std::unique_ptr<HistoryStore> store = open();
    ASSERT_TRUE(store);
    ASSERT_TRUE(
        store->append(kSamples[3], ShiftEvent{kSamples[3].time, ShiftEventKind::CountsFellBack}))
        << store->lastError();
    ASSERT_TRUE(store->appendAll(Pick({2, 0}))) << store->lastError();
    ASSERT_TRUE(
        store->append(kSamples[1], ShiftEvent{kSamples[1].time, ShiftEventKind::EndOfShift}))
        << store->lastError();

    const std::vector<Sample> all = Pick({0, 1, 2, 3});
    EXPECT_EQ(store->samples(), all);
    EXPECT_EQ(history::HistoryCsv(store->samples().value_or(std::vector<Sample>{})),
              history::HistoryCsv(all));
    EXPECT_EQ(store->lastSample(), kSamples[3]);
    const std::vector<ShiftEvent> events = {{kSamples[1].time, ShiftEventKind::EndOfShift},
                                            {kSamples[3].time, ShiftEventKind::CountsFellBack}};
    EXPECT_EQ(store->events(), events);

    const struct {
        std::string from, to;
        std::vector<Sample> samples;
        std::size_t events;
    } ranges[] = {{"2026-12-07T06:01:00", "", Pick({1, 2, 3}), 2},
                  {"", "2026-12-07T23:59:59", Pick({0, 1, 2}), 1},
                  {"2026-12-07T06:00:01", "2026-12-07T23:59:59", Pick({1, 2}), 1},
                  {"2026-12-07T06:01:01", "2026-12-07T23:59:59", Pick({2}), 0},
                  {"2026-12-08T00:00:01", "", {}, 0}};
    for (const auto& r : ranges) {
        EXPECT_EQ(store->samples(r.from, r.to), r.samples) << r.from << " .. " << r.to;
        EXPECT_EQ(store->events(r.from, r.to).value_or(events).size(), r.events) << r.from;
    }
    // The range is found through the index on the time, not by reading
    // every sample of the years the history may hold.
    EXPECT_TRUE(plan("SELECT * FROM samples WHERE sample_time >= '2026-12-07T06:01:00' AND "
                     "sample_time <= '2026-12-07T23:59:59'")
                    .contains("samples_by_time"));

    // The tables are made once: opened again, the store finds its samples.
    store.reset();
    store = open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->samples(), all);
    store.reset();
    EXPECT_EQ(SideSql(where, {"SELECT COUNT(*), MAX(version) FROM voran_schema"}), "1 1");
    EXPECT_EQ(SideSql(where, {"UPDATE voran_schema SET version = 2"}), "");
    std::string error;
    EXPECT_FALSE(HistoryStore::Open(where, &error));
    EXPECT_EQ(error, "the history " + where.database.toStdString() +
                         " is of schema 2; this program writes schema 1");
}

// A write the database refuses half-way (its sample went in, its shift event
// or the batch's next sample did not) leaves nothing of it, says why, and
// the store writes on afterwards.
TEST_P(HistoryStoreOn, AWriteRefusedHalfWayLeavesNothingOfItAndSaysWhy) {
    const struct {
        QString table, column, value;
        std::function<bool(HistoryStore&)> write;
        std::string error;
    } rows[] = {
        {"shift_events", "kind", "'end-of-shift'",
         [](HistoryStore& h) {
             return h.append(kSamples[1], ShiftEvent{kSamples[1].time, ShiftEventKind::EndOfShift});
         },
         "cannot write the shift change of 2026-12-07T06:01:00: "},
        {"samples", "cpm", "1200",
         [](HistoryStore& h) {
             return h.appendAll(Pick({1, 2, 3}));
         },
         "cannot write the sample of 2026-12-07T23:59:59: "}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.table.toStdString());
        std::unique_ptr<HistoryStore> store = open();
        ASSERT_TRUE(store);
        ASSERT_TRUE(store->append(kSamples[0])) << store->lastError();
        EXPECT_EQ(refuse(row.table, row.column, row.value), "");
        EXPECT_FALSE(row.write(*store));
        EXPECT_TRUE(store->lastError().starts_with(row.error)) << store->lastError();
        EXPECT_EQ(store->samples(), Pick({0}));
        EXPECT_EQ(store->events(), std::vector<ShiftEvent>{});
        EXPECT_TRUE(store->append(kSamples[3])) << store->lastError();
        EXPECT_EQ(store->samples(), Pick({0, 3}));
        store.reset();
        EXPECT_EQ(SideSql(where, {"DROP TABLE samples", "DROP TABLE shift_events",
                                  "DROP TABLE voran_schema"}),
                  "");
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryStoreOn,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const auto& info) {
                             return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
                         });

class HistoryOnServer : public HistoryOn {
protected:
    void SetUp() override { setUpOn(Backend::PostgreSQL); }
};

// The server goes away (a power cut in the server room): what was committed
// is kept, writes and reads fail with the reason and never look like an
// empty history, and once it is back the store writes on by itself.
TEST_F(HistoryOnServer, AServerThatWentAwayFailsEachCallUntilItIsBack) {
    std::unique_ptr<HistoryStore> store = open();
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->append(kSamples[0])) << store->lastError();
    server->stop();

    EXPECT_FALSE(
        store->append(kSamples[1], ShiftEvent{kSamples[1].time, ShiftEventKind::EndOfShift}));
    EXPECT_TRUE(store->lastError().starts_with("cannot start writing the history: "))
        << store->lastError();
    EXPECT_EQ(store->samples(), std::nullopt);
    EXPECT_EQ(store->lastSample(), std::nullopt);
    std::string error;
    EXPECT_FALSE(HistoryStore::Open(where, &error));
    EXPECT_TRUE(error.starts_with("cannot open the history history: ")) << error;

    ASSERT_EQ(server->startAgain(), "");
    EXPECT_TRUE(store->append(kSamples[2])) << store->lastError();
    EXPECT_EQ(store->samples(), Pick({0, 2}));
    EXPECT_EQ(store->events(), std::vector<ShiftEvent>{});
}

// Many lines in one database, each line PC logging in as a user of its own
// whose search path is its own schema: each opens, and opens again, its
// own tables of the same names, and reads only its own samples.
TEST_F(HistoryOnServer, EachLineKeepsItsHistoryInASchemaOfItsOwn) {
    const std::pair<QString, std::vector<Sample>> lines[] = {{"line3", Pick({0, 1})},
                                                             {"line4", Pick({2, 3})}};
    for (const auto& [line, samples] : lines)
        ASSERT_EQ(SideSql(where, {"CREATE ROLE " + line + " LOGIN",
                                  "CREATE SCHEMA " + line + " AUTHORIZATION " + line,
                                  "ALTER ROLE " + line + " SET search_path = " + line}),
                  "");
    StoreLocation of = where;
    for (std::size_t k = 0; k < 2; ++k)  // the first opens make the tables
        for (const auto& [line, samples] : lines) {
            of.user = line;
            std::string error;
            const std::unique_ptr<HistoryStore> store = HistoryStore::Open(of, &error);
            ASSERT_TRUE(store) << line.toStdString() << ": " << error;
            EXPECT_TRUE(store->append(samples[k])) << store->lastError();
            EXPECT_EQ(store->samples(),
                      std::vector<Sample>(samples.begin(), samples.begin() + k + 1));
        }
}

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

class HistoryCli : public ::testing::Test {
protected:
    SimProgramFolder folder;

    void SetUp() override {
        std::string preset = "D1100 1200\nD1104 7\nW182 640\nB111 16\nB121 128\n";
        for (int k = 0; k < 12; ++k)
            preset += "W" + std::to_string(1108 + 2 * k) + " " + std::to_string(k + 1) + "\n";
        folder.write("board.preset", preset);
        folder.write("Support/RSPort.cfg", "64,19200\n");
        ASSERT_TRUE(folder.startSim(64, {"--preset", folder.path("board.preset")})) << folder.said;
    }
    std::string cli(const std::vector<std::string>& args) { return folder.cliSays(args); }
};

TEST_F(HistoryCli, LogsSamplesAndWritesThemAsCsv) {
    const std::string db = folder.path("line.sqlite");
    const RunResult log = folder.run("voran-cli", {"log", "--for", "0.5", db});
    ASSERT_EQ(log.status, 0) << log.err;
    ASSERT_GE(log.out.size(), 19u);
    const std::string time = log.out.substr(0, 19);
    EXPECT_EQ(log.out, time + " good 1200 jams 7 cpm 640\n1 sample written to " + db + "\n");

    const std::string csv = kHeader + CsvRow(time);
    EXPECT_EQ(cli({"history", db, "--csv", "-"}), "0|" + csv + "|");
    EXPECT_EQ(cli({"-q", "history", db, "--csv", folder.path("out.csv")}), "0||");
    EXPECT_EQ(folder.read("out.csv"), csv);
    EXPECT_EQ(cli({"history", db, "--csv", "-", "--from", time.substr(0, 10), "--to",
                   time.substr(0, 10) + "T23:59:59"}),
              "0|" + csv + "|");
    EXPECT_EQ(cli({"history", db, "--csv", "-", "--to", "2000-01-01"}), "0|" + kHeader + "|");

    // An export that cannot be made leaves the earlier file as it was.
    folder.write("bad.sqlite", std::string(4096, 'x'));
    EXPECT_EQ(cli({"history", folder.path("bad.sqlite"), "--csv", folder.path("out.csv")}),
              "1||voran-cli: the history " + folder.path("bad.sqlite") + " is damaged\n");
    EXPECT_EQ(folder.read("out.csv"), csv);

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"history", folder.path("none.sqlite"), "--csv", "-"},
         "1||voran-cli: no history " + folder.path("none.sqlite") + "\n"},
        {{"history", db, "--csv", "-", "--from", "7.12.2026"},
         "2||voran-cli: --from takes a local time 2026-12-07 or 2026-12-07T14:03[:27], not "
         "7.12.2026\n"},
        {{"history", db},
         "2||voran-cli: usage: history DB.sqlite --csv OUT.csv|- [--from T] "
         "[--to T]\n"},
        {{"log", "--interval", "4", db}, "2||voran-cli: --interval takes seconds from 5 to 3600\n"},
        {{"log", "line.db"}, "2||voran-cli: usage: log [--interval S] [--for S] DB.sqlite\n"},
    };
    for (const auto& [args, said] : refused) EXPECT_EQ(cli(args), said) << args[0];
}

// --trace and the voran.link debug log carry the same decoded lines.
TEST_F(HistoryCli, TraceAndDebugLogDecodeTheTraffic) {
    const std::string trace = folder.path("trace.txt");
    EXPECT_EQ(cli({"--trace", trace, "read", "W182"}), "0|640\n|");
    const std::string lines = folder.read("trace.txt").value_or("");
    for (const char* meaning :
         {"->  FF 255  attention", "<-  55  85  acknowledge", "->  01   1  read mode",
          "<-  80 128  R182 = 128", "<-  02   2  R183 = 2"})
        EXPECT_NE(lines.find(meaning), std::string::npos) << meaning << "\n" << lines;
    ScopedEnv rules("QT_LOGGING_RULES", "voran.link.debug=true");
    const RunResult logged = folder.run("voran-cli", {"read", "W182"});
    EXPECT_NE(logged.err.find("voran.link:     "), std::string::npos) << logged.err;
    EXPECT_NE(logged.err.find("<-  02   2  R183 = 2"), std::string::npos) << logged.err;
    EXPECT_EQ(cli({"--trace", folder.path("no/such/folder/t.txt"), "read", "W182"}),
              "1||voran-cli: cannot write the trace " + folder.path("no/such/folder/t.txt") + "\n");
}

// Ctrl+C ends the logging between samples with status 0 and the database
// whole; without a board the logging fails with status 1 and the history
// keeps what it had.
TEST_F(HistoryCli, CtrlCEndsTheLoggingCleanly) {
    const std::string db = folder.path("line.sqlite");
    const std::string exe = folder.path("voran-cli");
    folder.run("voran-cli", {"--version"});  // copies the program into the folder
    const std::string out = folder.path("log.out");
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out.c_str(), "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
        execl(exe.c_str(), exe.c_str(), "log", "--interval", "5", db.c_str(), nullptr);
        _exit(127);
    }
    // Waits for the first sample's line (at most 10 s).
    for (int k = 0; k < 1000 && folder.read("log.out").value_or("").empty(); ++k) usleep(10000);
    kill(pid, SIGINT);
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string said = folder.read("log.out").value_or("");
    EXPECT_EQ(said.substr(19), " good 1200 jams 7 cpm 640\n1 sample written to " + db + "\n");
    EXPECT_EQ(cli({"history", db, "--csv", "-"}),
              "0|" + kHeader + CsvRow(said.substr(0, 19)) + "|");

    folder.stopSim();
    const std::string failed = cli({"log", db});
    EXPECT_EQ(failed.substr(0, 3), "1||") << failed;
    EXPECT_EQ(cli({"history", db, "--csv", "-"}),
              "0|" + kHeader + CsvRow(said.substr(0, 19)) + "|");
}

}  // namespace
}  // namespace voran::testing
