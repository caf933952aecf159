#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace voran::testing {

// A program folder of its own for each test, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string path(const std::string& relative) const { return path_ + "/" + relative; }
    // Writes a file, making its folders.
    void write(const std::string& relative, const std::string& content) const;
    std::optional<std::string> read(const std::string& relative) const;

private:
    std::string path_;
};

// "a b c" -> {"a", "b", "c"}: a command line in a table row written as one text.
std::vector<std::string> Words(const std::string& line);

// What a finished program left behind.
struct RunResult {
    int status = -1;  // exit code; -1 when it did not start or did not exit normally
    std::string out;
    std::string err;
};

// k900-sim serving a port in a temporary program folder, and the programs of
// the build (voran-cli) run from that same folder, so that they find its
// Support/COM<n> link and RSPort.cfg the way they would in the field.
class SimProgramFolder : public TempFolder {
public:
    ~SimProgramFolder();

    // Starts k900-sim with "--folder <this folder> --port <port>" and `args`
    // and waits (up to 10 s) for its "link" line. False when it ended or fell
    // silent first; `said` then holds what it wrote.
    bool startSim(int port, const std::vector<std::string>& args = {});
    // Stops the simulator (SIGTERM) and returns its wait status, or waits for
    // one that already ended; -1 when none was running.
    int stopSim();
    // The board of most command-line tests: the folder's settings name port
    // `port` at `speed`, its memory starts as the "ADDRESS VALUE" lines of
    // `preset`, and k900-sim serves it with `args` after "--preset FILE".
    bool startBoard(int port, int speed, const std::string& preset,
                    const std::vector<std::string>& args = {});

    // Copies `program` from the build's bin folder into this folder (once),
    // runs it there with `args` and waits for it to end.
    RunResult run(const std::string& program, const std::vector<std::string>& args);
    RunResult cli(const std::vector<std::string>& args) { return run("voran-cli", args); }
    // "status|stdout|stderr" of voran-cli, for comparing a whole run at once.
    std::string cliSays(const std::vector<std::string>& args) {
        const RunResult o = cli(args);
        return std::to_string(o.status) + "|" + o.out + "|" + o.err;
    }

    std::string said;    // the simulator's stdout and stderr so far
    std::string device;  // its pseudo-terminal, from the "device" line
    std::string link;    // the Support/COM<n> link, from the "link" line (with --tcp,
                         // the address it listens on: "127.0.0.1:<port>")

private:
    pid_t sim_ = -1;
    bool ended_ = false;  // it closed its output: it is ending by itself
};

}  // namespace voran::testing
