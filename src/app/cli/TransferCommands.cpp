// upload and download: a headless backup and restore of the whole data set
// (items, PLS configuration, channels) through a set-up file, with the same
// sequence as Upload/Download Data of the operator's program.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <ostream>

#include "CliCommands.h"
#include "data/TransferFile.h"
#include "platform/Clock.h"

namespace voran::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void onInterrupt(int) {
    gInterrupted = 1;
}

// Ctrl+C asks the transfer to stop before the next item, as the window's
// Cancel button does; the previous handler comes back afterwards.
class InterruptCancels {
public:
    InterruptCancels() {
        gInterrupted = 0;
        previous_ = std::signal(SIGINT, onInterrupt);
    }
    ~InterruptCancels() { std::signal(SIGINT, previous_); }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

// A progress line on stderr, redrawn in place, when stderr is a terminal.
TransferHooks progressHooks(Context& ctx, const std::string& verb, int* steps) {
    TransferHooks hooks;
    hooks.cancelRequested = [] { return gInterrupted != 0; };
    if (::isatty(STDERR_FILENO)) {
        hooks.advance = [&ctx, verb, steps](int n) {
            *steps += n;
            const int shown = std::min(*steps, kTransferSteps);
            ctx.err << "\r" << verb << ": " << shown << "/" << kTransferSteps << " steps"
                    << std::flush;
        };
    }
    return hooks;
}

bool isSetupFileName(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".sdt") == 0;
}

// The success line only when everything went through: no failure, no
// message box, no link fault.
int finish(Context& ctx, const FileTransferOutcome& outcome, int steps, const std::string& done) {
    if (steps > 0) ctx.err << "\n";
    if (!outcome.ok) {
        ctx.err << "voran-cli: " << outcome.error << "\n";
        return kFailed;
    }
    if (ctx.troubled && ctx.troubled()) {
        ctx.err << "voran-cli: " << done << " reported trouble (see above); not taken as done\n";
        return kFailed;
    }
    ctx.out << done << "\n";
    return kOk;
}

int upload(Context& ctx, const std::vector<std::string>& args) {
    if (args.size() != 1 || !isSetupFileName(args[0])) {
        ctx.err << "voran-cli: usage: upload FILE.sdt\n";
        return kUsage;
    }
    if (!ctx.open()) return kFailed;
    SystemClock clock;
    InterruptCancels interrupt;
    int steps = 0;
    const FileTransferOutcome outcome =
        UploadToFile(ctx.link, clock, args[0], progressHooks(ctx, "Uploading data", &steps));
    return finish(ctx, outcome, steps, "uploaded " + args[0]);
}

int download(Context& ctx, const std::vector<std::string>& args) {
    bool anyVersion = false, anyAddresses = false;
    const std::vector<std::string> files =
        TakeFlags(args, {{"--any-version", &anyVersion}, {"--any-addresses", &anyAddresses}});
    if (files.size() != 1 || !isSetupFileName(files[0])) {
        ctx.err << "voran-cli: usage: download [--any-version] [--any-addresses] FILE.sdt\n";
        return kUsage;
    }
    const std::string& path = files[0];
    if (!ctx.open()) return kFailed;
    InterruptCancels interrupt;
    int steps = 0;
    TransferHooks hooks = progressHooks(ctx, "Downloading data", &steps);
    // Nobody is there to ask: an address table other than the program's own
    // is sent only with --any-addresses.
    hooks.acceptAddresses = [anyAddresses](const std::string&) { return anyAddresses; };
    const FileTransferOutcome outcome =
        DownloadFromFile(ctx.link, path, anyVersion, std::move(hooks));
    return finish(ctx, outcome, steps, "downloaded " + path);
}

// Exit status of a comparison that found differences.
constexpr int kDifferent = 3;

int compare(Context& ctx, const std::vector<std::string>& args) {
    bool setUpOnly = false, anyVersion = false;
    const std::vector<std::string> files =
        TakeFlags(args, {{"--set-up-only", &setUpOnly}, {"--any-version", &anyVersion}});
    if (files.size() != 1 || !isSetupFileName(files[0])) {
        ctx.err << "voran-cli: usage: compare [--set-up-only] [--any-version] FILE.sdt\n";
        return kUsage;
    }
    if (!ctx.open()) return kFailed;
    InterruptCancels interrupt;
    int steps = 0;
    FileComparison found = CompareFileWithBoard(
        ctx.link, files[0], progressHooks(ctx, "Reading the board", &steps), anyVersion);
    if (steps > 0) ctx.err << "\n";
    if (!found.ok) {
        ctx.err << "voran-cli: " << found.error << "\n";
        return kFailed;
    }
    // A box on stderr or a standing link fault: the board's answers are not
    // taken as a comparison.
    if (ctx.troubled && ctx.troubled()) {
        ctx.err << "voran-cli: reading the board reported trouble (see above); nothing was "
                   "compared\n";
        return kFailed;
    }
    if (setUpOnly) found.differences = SetUpOnly(std::move(found.differences));
    for (const Difference& d : found.differences) ctx.out << DifferenceLine(d, "file") << "\n";
    return found.differences.empty() ? kOk : kDifferent;
}

Register uploadCommand{{"upload", "upload FILE.sdt",
                        "back up the board's items and PLS into a set-up file (only when complete)",
                        &upload}};
Register downloadCommand{
    {"download", "download [--any-version] [--any-addresses] FILE.sdt",
     "restore a set-up file into the board: items, then PLS, then channels (a file whose\n"
     "      addresses differ from the item table is refused without --any-addresses)",
     &download}};
Register compareCommand{
    {"compare", "compare [--set-up-only] [--any-version] FILE.sdt",
     "list what a download of FILE.sdt would change in the board, one difference a line\n"
     "      (exit 0: the same, 3: differences, 1: the board could not be read whole)",
     &compare}};

}  // namespace

}  // namespace voran::cli
