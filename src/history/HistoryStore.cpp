#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <atomic>
#include <filesystem>

#include <cctype>

namespace voran::history {

namespace {

QString jamColumn(int k) {
    return QString("jams_%1").arg(k + 1, 2, 10, QChar('0'));
}

QString sampleColumns() {
    QString columns = "sample_time, good_cans, total_jams";
    for (int k = 0; k < 12; ++k) columns += ", " + jamColumn(k);
    return columns + ", cpm, alarm_transfer_jam, alarm_timing_signal, alarm_infeed_jam";
}

constexpr int kSampleColumnCount = 3 + 12 + 4;

std::string why(const QSqlError& e) {
    return e.text().toStdString();
}

// The range condition and its bound values.
QString rangeWhere(const QString& column, const std::string& from, const std::string& to) {
    QString where;
    if (!from.empty()) where += column + " >= ?";
    if (!to.empty()) where += (where.isEmpty() ? "" : " AND ") + column + " <= ?";
    return where.isEmpty() ? QString() : " WHERE " + where;
}

void bindRange(QSqlQuery& q, const std::string& from, const std::string& to) {
    if (!from.empty()) q.addBindValue(QString::fromStdString(from));
    if (!to.empty()) q.addBindValue(QString::fromStdString(to));
}

Sample sampleOf(const QSqlQuery& q) {
    Sample s;
    s.time = q.value(0).toString().toStdString();
    s.goodCans = q.value(1).toLongLong();
    s.totalJams = q.value(2).toLongLong();
    for (int k = 0; k < 12; ++k) s.stationJams[k] = q.value(3 + k).toLongLong();
    s.cpm = q.value(15).toLongLong();
    for (int k = 0; k < 3; ++k) s.alarms[k] = q.value(16 + k).toInt() != 0;
    return s;
}

}  // namespace

HistoryStore::HistoryStore(QString connection) : connection_(std::move(connection)) {}

HistoryStore::~HistoryStore() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<HistoryStore> HistoryStore::OpenFile(const std::string& path, std::string* error,
                                                     bool check) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    if (ec) {
        if (error) *error = ec.message() + ": " + parent.string();
        return nullptr;
    }
    StoreLocation where;
    where.database = QString::fromStdString(path);
    return Open(where, error, check);
}

std::unique_ptr<HistoryStore> HistoryStore::Open(const StoreLocation& where, std::string* error,
                                                 bool check) {
    static std::atomic<int> next{0};
    const QString connection = QString("voran-history-%1").arg(next++);
    std::unique_ptr<HistoryStore> store(new HistoryStore(connection));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(where.driver, connection);
        db.setDatabaseName(where.database);
        if (!where.host.isEmpty()) db.setHostName(where.host);
        if (where.port > 0) db.setPort(where.port);
        if (!where.user.isEmpty()) db.setUserName(where.user);
        if (!where.password.isEmpty()) db.setPassword(where.password);
        if (!db.isValid() || !db.open()) {
            if (error)
                *error = "cannot open the history " + where.database.toStdString() + ": " +
                         why(db.lastError());
            return nullptr;
        }
    }
    if (!store->prepareSchema(check)) {
        if (error) *error = store->error_;
        return nullptr;
    }
    return store;
}

bool HistoryStore::prepareSchema(bool check) {
    QSqlDatabase db = QSqlDatabase::database(connection_);
    QSqlQuery q(db);
    if (db.driverName() == "QSQLITE") {
        // A commit is on the disk before it counts; an interrupted
        // transaction is rolled back from its journal at the next open.
        q.exec("PRAGMA synchronous = FULL");
        if (check &&
            (!q.exec("PRAGMA integrity_check") || !q.next() || q.value(0).toString() != "ok")) {
            error_ = "the history " + db.databaseName().toStdString() + " is damaged";
            return false;
        }
    }
    // Whether the tables are there is asked by name as a query would see
    // it: on a server, a line's tables may sit in a schema of its own (its
    // user's search path), beside other lines' tables of the same names.
    if (!db.record("voran_schema").isEmpty()) {
        if (!q.exec("SELECT version FROM voran_schema") || !q.next()) {
            error_ = "the history has no schema version: " + why(q.lastError());
            return false;
        }
        const int version = q.value(0).toInt();
        if (version != kSchemaVersion) {
            error_ = "the history " + db.databaseName().toStdString() + " is of schema " +
                     std::to_string(version) + "; this program writes schema " +
                     std::to_string(kSchemaVersion);
            return false;
        }
        return true;
    }
    QString samples =
        "CREATE TABLE samples (sample_time VARCHAR(19) NOT NULL, "
        "good_cans BIGINT NOT NULL, total_jams BIGINT NOT NULL";
    for (int k = 0; k < 12; ++k) samples += ", " + jamColumn(k) + " BIGINT NOT NULL";
    samples +=
        ", cpm BIGINT NOT NULL, alarm_transfer_jam SMALLINT NOT NULL, "
        "alarm_timing_signal SMALLINT NOT NULL, alarm_infeed_jam SMALLINT NOT NULL)";
    const QString statements[] = {
        samples,
        "CREATE INDEX samples_by_time ON samples (sample_time)",
        "CREATE TABLE shift_events (event_time VARCHAR(19) NOT NULL, kind VARCHAR(20) NOT NULL)",
        "CREATE INDEX shift_events_by_time ON shift_events (event_time)",
        "CREATE TABLE voran_schema (version INTEGER NOT NULL)",
        QString("INSERT INTO voran_schema (version) VALUES (%1)").arg(kSchemaVersion),
    };
    if (!db.transaction()) {
        error_ = "cannot start the history's tables: " + why(db.lastError());
        return false;
    }
    for (const QString& s : statements) {
        if (!q.exec(s)) {
            error_ = "cannot make the history's tables: " + why(q.lastError());
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        error_ = "cannot make the history's tables: " + why(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

bool HistoryStore::insertSample(QSqlQuery& q, const Sample& s) {
    if (q.lastQuery().isEmpty()) {
        QString marks = "?";
        for (int k = 1; k < kSampleColumnCount; ++k) marks += ", ?";
        if (!q.prepare("INSERT INTO samples (" + sampleColumns() + ") VALUES (" + marks + ")")) {
            error_ = "cannot write the sample of " + s.time + ": " + why(q.lastError());
            return false;
        }
    }
    int column = 0;
    q.bindValue(column++, QString::fromStdString(s.time));
    q.bindValue(column++, static_cast<qlonglong>(s.goodCans));
    q.bindValue(column++, static_cast<qlonglong>(s.totalJams));
    for (const std::int64_t j : s.stationJams) q.bindValue(column++, static_cast<qlonglong>(j));
    q.bindValue(column++, static_cast<qlonglong>(s.cpm));
    for (const bool a : s.alarms) q.bindValue(column++, a ? 1 : 0);
    if (!q.exec()) {
        error_ = "cannot write the sample of " + s.time + ": " + why(q.lastError());
        return false;
    }
    return true;
}

// The statements of a write are made before its transaction and end after
// it: a server (PostgreSQL) can free a prepared statement only outside a
// transaction that failed, and one sample statement serves a whole batch.
bool HistoryStore::append(const Sample& sample, const std::optional<ShiftEvent>& event) {
    QSqlDatabase db = QSqlDatabase::database(connection_);
    QSqlQuery sampleInsert(db);
    QSqlQuery eventInsert(db);
    if (!db.transaction()) {
        error_ = "cannot start writing the history: " + why(db.lastError());
        return false;
    }
    bool ok = insertSample(sampleInsert, sample);
    if (ok && event) {
        ok = eventInsert.prepare("INSERT INTO shift_events (event_time, kind) VALUES (?, ?)");
        eventInsert.addBindValue(QString::fromStdString(event->time));
        eventInsert.addBindValue(QString(EventKindName(event->kind)));
        ok = ok && eventInsert.exec();
        if (!ok)
            error_ = "cannot write the shift change of " + event->time + ": " +
                     why(eventInsert.lastError());
    }
    if (ok && !db.commit()) {
        error_ = "cannot write the history: " + why(db.lastError());
        ok = false;
    }
    if (!ok) db.rollback();
    return ok;
}

bool HistoryStore::appendAll(const std::vector<Sample>& samples) {
    QSqlDatabase db = QSqlDatabase::database(connection_);
    QSqlQuery sampleInsert(db);
    if (!db.transaction()) {
        error_ = "cannot start writing the history: " + why(db.lastError());
        return false;
    }
    for (const Sample& s : samples) {
        if (!insertSample(sampleInsert, s)) {
            db.rollback();
            return false;
        }
    }
    if (db.commit()) return true;
    error_ = "cannot write the history: " + why(db.lastError());
    db.rollback();
    return false;
}

std::optional<std::vector<Sample>> HistoryStore::samples(const std::string& from,
                                                         const std::string& to) const {
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.setForwardOnly(true);
    q.prepare("SELECT " + sampleColumns() + " FROM samples" + rangeWhere("sample_time", from, to) +
              " ORDER BY sample_time");
    bindRange(q, from, to);
    if (!q.exec()) {
        error_ = "cannot read the history: " + why(q.lastError());
        return std::nullopt;
    }
    std::vector<Sample> out;
    while (q.next()) out.push_back(sampleOf(q));
    return out;
}

std::optional<std::vector<ShiftEvent>> HistoryStore::events(const std::string& from,
                                                            const std::string& to) const {
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.setForwardOnly(true);
    q.prepare("SELECT event_time, kind FROM shift_events" + rangeWhere("event_time", from, to) +
              " ORDER BY event_time");
    bindRange(q, from, to);
    if (!q.exec()) {
        error_ = "cannot read the history: " + why(q.lastError());
        return std::nullopt;
    }
    std::vector<ShiftEvent> out;
    while (q.next()) {
        const auto kind = EventKindFromName(q.value(1).toString().toStdString());
        if (kind) out.push_back({q.value(0).toString().toStdString(), *kind});
    }
    return out;
}

std::optional<Sample> HistoryStore::lastSample() const {
    QSqlQuery q(QSqlDatabase::database(connection_));
    if (!q.exec("SELECT " + sampleColumns() + " FROM samples ORDER BY sample_time DESC LIMIT 1") ||
        !q.next())
        return std::nullopt;
    return sampleOf(q);
}

std::string HistoryFilePath(const std::string& programFolder, const std::string& name) {
    std::string file;
    for (const char c : name) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
        file += plain ? c : '_';
    }
    if (file.empty() || file[0] == '.') file = "_" + file;
    return programFolder + "/History/" + file + ".sqlite";
}

}  // namespace voran::history
