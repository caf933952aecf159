#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistorySample.h"

class QSqlQuery;

namespace voran::history {

// Where a history is kept: a database file of its own (the SQLite driver),
// or a server (another Qt SQL driver, such as "QPSQL", with its host, port,
// database, user and password). The tables are plain SQL that both take.
struct StoreLocation {
    QString driver = "QSQLITE";
    QString database;  // the file for SQLite; the database's name on a server
    QString host;
    int port = -1;
    QString user;
    QString password;
};

// The history of one board: its samples and shift events, each written in a
// transaction of its own, so that a power cut loses at most the sample that
// was being written and never leaves half of one. Times are local ISO 8601
// texts, which sort as they read; both tables are indexed on them.
class HistoryStore {
public:
    // The schema this program writes. A database of a later schema is not
    // touched.
    static constexpr int kSchemaVersion = 1;

    // Opens the history, making its tables (and, for a file, its folder)
    // when they do not exist yet. Nothing, with the reason in `error`, when
    // it cannot be opened, is of another schema or, checked, is damaged. The
    // check reads the whole file (seconds for a year of samples): a reader
    // that opens the same file again and again checks it the first time.
    static std::unique_ptr<HistoryStore> Open(const StoreLocation& where, std::string* error,
                                              bool check = true);
    static std::unique_ptr<HistoryStore> OpenFile(const std::string& path, std::string* error,
                                                  bool check = true);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Writes a sample, and the shift event that came with it, as one
    // transaction. False (lastError() says why) when it was not written;
    // then nothing of it was.
    bool append(const Sample& sample, const std::optional<ShiftEvent>& event = std::nullopt);
    // Many samples in one transaction (loading a history from elsewhere).
    bool appendAll(const std::vector<Sample>& samples);

    // Samples and events with from <= time <= to, oldest first (an empty
    // bound: no bound). Nothing when the query failed.
    std::optional<std::vector<Sample>> samples(const std::string& from = {},
                                               const std::string& to = {}) const;
    std::optional<std::vector<ShiftEvent>> events(const std::string& from = {},
                                                  const std::string& to = {}) const;
    // The newest sample, if any.
    std::optional<Sample> lastSample() const;

    const std::string& lastError() const { return error_; }

private:
    explicit HistoryStore(QString connection);
    bool prepareSchema(bool check);
    bool insertSample(QSqlQuery& q, const Sample& s);

    QString connection_;
    mutable std::string error_;
};

// History/<name>.sqlite in the program folder; characters a file name
// should not carry become '_' ("COM3", "Line 4" -> "Line_4").
std::string HistoryFilePath(const std::string& programFolder, const std::string& name);

}  // namespace voran::history
