// upload and download: a headless backup and restore of the whole data set
// (items, PLS configuration, channels) through a set-up file, with the same
// sequence as Upload/Download Data of the operator's program.
#include <algorithm>
#include <ostream>

#include "CliCommands.h"
#include "Interrupt.h"
#include "Json.h"
#include "data/TransferFile.h"
#include "platform/Clock.h"

namespace voran::cli {

namespace {

// A progress line on stderr, redrawn in place, when stderr is a terminal.
TransferHooks progressHooks(Context& ctx, const std::string& verb, int* steps) {
    TransferHooks hooks;
    hooks.cancelRequested = [] { return InterruptCancels::requested(); };
    if (ctx.showProgress()) {
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
    ctx.done(done);
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

const char* SectionKey(Difference::Section section) {
    switch (section) {
        case Difference::Section::SetUp:
            return "set-up";
        case Difference::Section::ShiftData:
            return "shift-data";
        case Difference::Section::Pls:
            return "pls";
    }
    return "";
}

// {"file":"line3.sdt","same":false,"differences":[{"section":"set-up",
// "item":2,"address":"W1004","what":"Station 03 shifts","file":60,
// "board":61},...]}; a PLS value has null for item and address.
std::string ComparisonJson(const std::string& path, const std::vector<Difference>& differences) {
    std::string list;
    for (const Difference& d : differences) {
        if (!list.empty()) list += ",";
        list += "{" + JsonMember("section", JsonString(SectionKey(d.section))) + "," +
                JsonMember("item", d.item < 0 ? "null" : JsonNumber(d.item)) + "," +
                JsonMember("address", d.address.empty() ? "null" : JsonString(d.address)) + "," +
                JsonMember("what", JsonString(d.what)) + "," +
                JsonMember("file", JsonNumber(d.here)) + "," +
                JsonMember("board", JsonNumber(d.board)) + "}";
    }
    return "{" + JsonMember("file", JsonString(path)) + "," +
           JsonMember("same", differences.empty() ? "true" : "false") + "," +
           JsonMember("differences", "[" + list + "]") + "}";
}

// Exit status of a comparison that found differences.
constexpr int kDifferent = 3;

int compare(Context& ctx, const std::vector<std::string>& args) {
    bool setUpOnly = false, anyVersion = false, json = false;
    const std::vector<std::string> files = TakeFlags(
        args, {{"--set-up-only", &setUpOnly}, {"--any-version", &anyVersion}, {"--json", &json}});
    if (files.size() != 1 || !isSetupFileName(files[0])) {
        ctx.err << "voran-cli: usage: compare [--set-up-only] [--any-version] [--json] FILE.sdt\n";
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
    if (json)
        ctx.out << ComparisonJson(files[0], found.differences) << "\n";
    else
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
    {"compare", "compare [--set-up-only] [--any-version] [--json] FILE.sdt",
     "list what a download of FILE.sdt would change in the board, one difference a line\n"
     "      (exit 0: the same, 3: differences, 1: the board could not be read whole)",
     &compare,
     "  --set-up-only  leave out the shift counts (items 38 to 77)\n"
     "  --any-version  compare a file of another program version too\n"
     "  --json         one JSON object: {\"file\":..., \"same\":true|false, \"differences\":\n"
     "                 [{\"section\":\"set-up\"|\"shift-data\"|\"pls\", \"item\":N|null,\n"
     "                 \"address\":...|null, \"what\":..., \"file\":N, \"board\":N}]}\n"}};

}  // namespace

}  // namespace voran::cli
