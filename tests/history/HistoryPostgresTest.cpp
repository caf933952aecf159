// The production history on both kinds of database it is kept in: a file of
// its own (SQLite) and a shared PostgreSQL server, here a throwaway one
// started for each test. The same public calls, the same checks.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <algorithm>

#include "ProgramRun.h"
#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"

namespace voran::testing {
namespace {

using history::HistoryStore;
using history::Sample;
using history::ShiftEvent;
using history::ShiftEventKind;
using history::StoreLocation;

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

bool StartsWith(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0;
}

TEST_P(HistoryStoreOn, MakesItsTablesOnceAndRefusesAnotherSchema) {
    std::unique_ptr<HistoryStore> store = open();
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->append(kSamples[0])) << store->lastError();
    store.reset();
    store = open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->samples(), Pick({0}));
    store.reset();
    EXPECT_EQ(SideSql(where, {"SELECT COUNT(*), MAX(version) FROM voran_schema"}), "1 1");

    EXPECT_EQ(SideSql(where, {"UPDATE voran_schema SET version = 2"}), "");
    std::string error;
    EXPECT_FALSE(HistoryStore::Open(where, &error));
    EXPECT_EQ(error, "the history " + where.database.toStdString() +
                         " is of schema 2; this program writes schema 1");
}

TEST_P(HistoryStoreOn, ReadsBackWhatWasWrittenInTimeOrderAndByRange) {
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
        EXPECT_TRUE(StartsWith(store->lastError(), row.error)) << store->lastError();
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
    EXPECT_TRUE(StartsWith(store->lastError(), "cannot start writing the history: "))
        << store->lastError();
    EXPECT_EQ(store->samples(), std::nullopt);
    EXPECT_EQ(store->lastSample(), std::nullopt);
    std::string error;
    EXPECT_FALSE(HistoryStore::Open(where, &error));
    EXPECT_TRUE(StartsWith(error, "cannot open the history history: ")) << error;

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

}  // namespace
}  // namespace voran::testing
