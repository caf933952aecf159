// log and history: the production history from the command line, for a line
// PC that runs no window.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>

#include "CliCommands.h"
#include "Interrupt.h"
#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"
#include "history/Sampler.h"
#include "platform/Clock.h"
#include "platform/FileReplace.h"

namespace voran::cli {

namespace {

using history::SampleOutcome;
using history::Sampler;

// Whole or decimal seconds within [lo, hi].
std::optional<double> secondsWithin(const std::string& text, double lo, double hi) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(v >= lo && v <= hi)) return std::nullopt;
    return v;
}

bool isSqlitePath(const std::string& path) {
    return path.size() > 7 && path.compare(path.size() - 7, 7, ".sqlite") == 0;
}

int logHistory(Context& ctx, const std::vector<std::string>& args) {
    double interval = Sampler::kDefaultInterval;
    std::optional<double> duration;
    std::string database;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--interval" || a == "--for") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            const auto v = a == "--interval"
                               ? secondsWithin(value, Sampler::kMinInterval, Sampler::kMaxInterval)
                               : secondsWithin(value, 0.05, 366 * 86400.0);
            if (!v) {
                ctx.err << "voran-cli: " << a
                        << (a == "--interval" ? " takes seconds from 5 to 3600\n"
                                              : " takes seconds from 0.05 to 31622400\n");
                return kUsage;
            }
            (a == "--interval" ? interval : duration.emplace()) = *v;
        } else if (database.empty() && isSqlitePath(a)) {
            database = a;
        } else {
            ctx.err << "voran-cli: usage: log [--interval S] [--for S] DB.sqlite\n";
            return kUsage;
        }
    }
    if (database.empty()) {
        ctx.err << "voran-cli: usage: log [--interval S] [--for S] DB.sqlite\n";
        return kUsage;
    }
    std::string error;
    const auto store = history::HistoryStore::OpenFile(database, &error);
    if (!store) {
        ctx.err << "voran-cli: " << error << "\n";
        return kFailed;
    }
    if (!ctx.open()) return kFailed;

    SystemClock clock;
    Sampler sampler(ctx.link, *store, clock, interval);
    // Ctrl+C ends the logging between samples: a sample under way is
    // finished and committed first, so the database is always whole.
    InterruptCancels interrupt;
    const double end = duration ? clock.now() + *duration : 0;
    long stored = 0;
    while (!InterruptCancels::requested() && (!duration || clock.now() < end)) {
        const SampleOutcome outcome = sampler.tick();
        if (outcome == SampleOutcome::ReadFailed || outcome == SampleOutcome::StoreFailed) {
            ctx.err << "voran-cli: " << sampler.lastError() << "; the sample was not stored ("
                    << stored << " stored in " << database << ")\n";
            return kFailed;
        }
        if (outcome == SampleOutcome::Stored) {
            ++stored;
            const history::Sample& s = *sampler.lastStored();
            if (!ctx.quiet) {
                ctx.out << s.time << " good " << s.goodCans << " jams " << s.totalJams << " cpm "
                        << s.cpm;
                if (sampler.lastEvent()) ctx.out << " (shift change)";
                ctx.out << std::endl;
            }
        }
        const double due = duration ? std::min(*sampler.nextDue(), end) : *sampler.nextDue();
        while (!InterruptCancels::requested() && clock.now() < due)
            clock.pause(std::min(0.1, due - clock.now()));
    }
    ctx.done(std::to_string(stored) + (stored == 1 ? " sample" : " samples") + " written to " +
             database);
    return kOk;
}

int exportHistory(Context& ctx, const std::vector<std::string>& args) {
    const char* const usage =
        "voran-cli: usage: history DB.sqlite --csv OUT.csv|- [--from T] [--to T]\n";
    std::string database, out, from, to;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--csv" || a == "--from" || a == "--to") {
            if (i + 1 >= args.size()) {
                ctx.err << usage;
                return kUsage;
            }
            const std::string value = args[++i];
            if (a == "--csv") {
                out = value;
                continue;
            }
            const auto time = history::NormalIsoTime(value);
            if (!time) {
                ctx.err << "voran-cli: " << a << " takes a local time 2026-12-07 or "
                        << "2026-12-07T14:03[:27], not " << value << "\n";
                return kUsage;
            }
            (a == "--from" ? from : to) = *time;
        } else if (database.empty() && isSqlitePath(a)) {
            database = a;
        } else {
            ctx.err << usage;
            return kUsage;
        }
    }
    if (database.empty() || out.empty()) {
        ctx.err << usage;
        return kUsage;
    }
    // Reading never makes a history where there was none.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(database, ec)) {
        ctx.err << "voran-cli: no history " << database << "\n";
        return kFailed;
    }
    std::string error;
    const auto store = history::HistoryStore::OpenFile(database, &error);
    const auto samples = store ? store->samples(from, to) : std::nullopt;
    if (!samples) {
        ctx.err << "voran-cli: " << (store ? store->lastError() : error) << "\n";
        return kFailed;
    }
    const std::string csv = history::HistoryCsv(*samples);
    if (IsStdout(out)) {
        ctx.out << csv << std::flush;
        if (ctx.out) return kOk;
        ctx.err << "voran-cli: writing to standard output failed\n";
        return kFailed;
    }
    const FileWriteResult written = ReplaceFileContents(out, csv);
    if (!written) {
        ctx.err << "voran-cli: " << written.error << "\n";
        return kFailed;
    }
    ctx.done(std::to_string(samples->size()) + (samples->size() == 1 ? " sample" : " samples") +
             " of " + database + " written to " + out);
    return kOk;
}

const Register logCommand{
    {"log", "log [--interval S] [--for S] DB.sqlite",
     "sample the board into a history database until Ctrl+C (or --for S)", &logHistory,
     "  --interval S   seconds between samples, 5 to 3600 (default 60)\n"
     "  --for S        stop after S seconds\n"
     "  DB.sqlite      the history database, made when it does not exist\n"
     "                 (the window keeps its own in History/<name>.sqlite)\n"
     "  A sample holds the time, the current shift's good cans, total jams and jams\n"
     "  per station, the machine CPM and the three alarms; one line a sample. A read\n"
     "  that fails stores nothing and ends the logging (exit 1); Ctrl+C ends it\n"
     "  between samples (exit 0), the database whole.\n"}};
const Register historyCommand{
    {"history", "history DB.sqlite --csv OUT.csv|- [--from T] [--to T]",
     "write the samples of a history database as CSV", &exportHistory,
     "  --csv OUT      the CSV file to write (- : standard output): a header row, then\n"
     "                 one row a sample, times in ISO 8601 (2026-12-07T14:03:27)\n"
     "  --from T       only samples at T or later (local time 2026-12-07 or\n"
     "                 2026-12-07T14:03[:27])\n"
     "  --to T         only samples at T or earlier\n"}};

}  // namespace

}  // namespace voran::cli
