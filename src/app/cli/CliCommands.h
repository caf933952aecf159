#pragma once

#include <functional>
#include <iosfwd>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "link/RSComm.h"

namespace voran::cli {

// What a subcommand works with. The link is opened by `open()`, so a
// command can check its arguments first; main closes it afterwards.
struct Context {
    RSComm& link;
    std::ostream& out;
    std::ostream& err;
    std::string programFolder;
    // Opens the link with the port and speed of RSPort.cfg or the options.
    // False (with a line on `err`) when the board could not be reached.
    std::function<bool()> open;
    // True once something went wrong that the command itself may not have
    // seen: a message box was shown (on stderr) or a link fault stands.
    std::function<bool()> troubled;
    // -q/--quiet: nothing but results and errors (no success lines, no
    // progress). --verbose: also the port used and the link's warnings.
    bool quiet = false;
    bool verbose = false;

    // A success line ("uploaded x.sdt") on `out`, unless quiet.
    void done(const std::string& line) const {
        if (!quiet) out << line << "\n";
    }
    // Progress may be drawn on `err`: it is a terminal and not quiet.
    bool showProgress() const;
};

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;  // the link failed, or the board or an entry refused
constexpr int kUsage = 2;   // the command line was wrong

// Sets each flag of `flags` given among `args` ("--yes") and returns the
// other arguments in their order.
inline std::vector<std::string> TakeFlags(
    const std::vector<std::string>& args,
    std::initializer_list<std::pair<const char*, bool*>> flags) {
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        bool flag = false;
        for (const auto& [name, given] : flags)
            if (a == name) flag = *given = true;
        if (!flag) rest.push_back(a);
    }
    return rest;
}

// The path "-" stands for standard output.
inline bool IsStdout(const std::string& path) {
    return path == "-";
}

// A box's text on one line: each run of line breaks becomes one blank.
inline std::string OneLine(const std::string& text) {
    std::string line;
    bool lastWasBreak = false;
    for (char c : text) {
        const bool lineBreak = c == '\r' || c == '\n';
        if (lineBreak && !lastWasBreak) line += ' ';
        if (!lineBreak) line += c;
        lastWasBreak = lineBreak;
    }
    return line;
}

struct Command {
    std::string name;
    std::string usage;    // "read ADDR..."
    std::string summary;  // one line for --help
    std::function<int(Context&, const std::vector<std::string>&)> run;
    // More for "voran-cli COMMAND --help": the command's options and what
    // it prints, one "  --option  text" line each (optional).
    std::string details = {};
};

// The subcommands, in the order --help lists them.
std::vector<Command>& Commands();

// Adds a subcommand from any file of the program:
//   static voran::cli::Register upload{{"upload", "upload FILE.sdt", "...", &runUpload}};
struct Register {
    explicit Register(Command c) { Commands().push_back(std::move(c)); }
};

}  // namespace voran::cli
