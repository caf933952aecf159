// voran-cli over a real pseudo-terminal against k900-sim, both in one
// program folder, the way a field engineer would use them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "LinkFixture.h"

extern char** environ;

namespace voran::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class CliEndToEnd : public ::testing::Test {
protected:
    TempFolder folder;
    pid_t sim = -1;

    void SetUp() override {
        const fs::path bin(VORAN_BIN_DIR);
        for (const char* exe : {"voran-cli", "k900-sim"})
            ASSERT_TRUE(fs::exists(bin / exe)) << "build " << exe << " first";
        // voran-cli takes its program folder from where it lies.
        fs::copy_file(bin / "voran-cli", fs::path(folder.path()) / "voran-cli");
        folder.write("board.preset", "B8176 66\nW182 1000\nD1100 19999\n");
        folder.write("Support/RSPort.cfg", "9,19200\n");
        startSim();
    }

    void TearDown() override {
        if (sim > 0) {
            kill(sim, SIGTERM);
            waitpid(sim, nullptr, 0);
        }
    }

    // Starts k900-sim serving port 9 and waits until it has made the
    // Support/COM9 link.
    void startSim() {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        const std::string exe = std::string(VORAN_BIN_DIR) + "/k900-sim";
        const std::string preset = folder.path() + "/board.preset";
        std::vector<std::string> args = {exe,           "--port",   "9",   "--folder",
                                         folder.path(), "--preset", preset};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&sim, exe.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);

        // "device ..." then "link ..." once the simulator is ready.
        std::string said;
        pollfd p{pipeFds[0], POLLIN, 0};
        while (said.find("link ") == std::string::npos || said.back() != '\n') {
            ASSERT_GT(poll(&p, 1, 10000), 0) << "k900-sim said: " << said;
            char buf[256];
            const ssize_t n = read(pipeFds[0], buf, sizeof buf);
            ASSERT_GT(n, 0) << "k900-sim said: " << said;
            said.append(buf, static_cast<std::size_t>(n));
        }
        close(pipeFds[0]);
        ASSERT_TRUE(fs::is_symlink(folder.path() + "/Support/COM9")) << said;
    }

    Outcome cli(std::vector<std::string> args) {
        Outcome o;
        const std::string exe = folder.path() + "/voran-cli";
        const std::string outPath = folder.path() + "/out.txt",
                          errPath = folder.path() + "/err.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        args.insert(args.begin(), exe);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        o.out = folder.read("out.txt").value_or("");
        o.err = folder.read("err.txt").value_or("");
        return o;
    }
};

TEST_F(CliEndToEnd, ReadsWritesAndReadsBackThroughTheSharedSettings) {
    Outcome o = cli({"read", "B8176", "W182", "D1100"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "66\n1000\n19999\n");

    o = cli({"write", "W182", "4321"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");

    o = cli({"--port", "9", "--speed", "9600", "read", "W182"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "4321\n");
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "9,19200\n");
}

TEST_F(CliEndToEnd, ARefusedEntryIsALineOnStderrAndAFailure) {
    Outcome o = cli({"write", "B8176", "-5"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("ENTRY ALERT: Error: Only Numerical Data Allowed."), std::string::npos)
        << o.err;
    o = cli({"read", "B8176"});
    EXPECT_EQ(o.out, "66\n");
}

TEST_F(CliEndToEnd, APortWithoutABoardFailsWithThePortError) {
    const Outcome o = cli({"--port", "98", "read", "B8176"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("Comm Port Error: Error Number = "), std::string::npos) << o.err;
}

TEST_F(CliEndToEnd, AWrongCommandLineSaysHowToUseIt) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"read"},
                                               {"read", "X30"},
                                               {"write", "W182"},
                                               {"--speed", "4800", "read", "B1"},
                                               {"--port", "0", "read", "B1"},
                                               {"frobnicate"},
                                               {}}) {
        const Outcome o = cli(args);
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_EQ(o.out, "");
    }
    const Outcome help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("read ADDR..."), std::string::npos);
    EXPECT_NE(help.out.find("write ADDR VALUE"), std::string::npos);
}

}  // namespace
}  // namespace voran::testing
