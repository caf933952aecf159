// Installed programs (bin/ beside share/voran) keep their program folder per
// user: k900-sim without --folder links the Support/COM<n> that voran-cli
// opens, with the port settings seeded from the installed defaults.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "ProgramRun.h"
#include "ScopedEnv.h"

extern char** environ;

namespace voran::testing {
namespace {

namespace fs = std::filesystem;

// Runs argv with stdout and stderr into one pipe; the pid, and the pipe's reading end.
pid_t start(std::vector<std::string> args, int& out) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out = fds[0];
    return pid;
}

// What the pipe says until `until` has been seen, it closes, or 10 s pass.
std::string readUntil(int fd, const std::string& until) {
    std::string said;
    pollfd p{fd, POLLIN, 0};
    char buf[256];
    ssize_t n;
    while (said.find(until) == std::string::npos && ::poll(&p, 1, 10000) > 0 &&
           (n = ::read(fd, buf, sizeof buf)) > 0)
        said.append(buf, static_cast<std::size_t>(n));
    return said;
}

TEST(InstalledPrograms, SimulatorAndCliMeetInThePerUserFolderSeededFromTheDefaults) {
    TempFolder root;
    root.write("usr/share/voran/Support/RSPort.cfg", "4,9600\n");
    root.write("board.preset", "D1100 1234\n");
    fs::create_directories(root.path("usr/bin"));
    for (const char* program : {"k900-sim", "voran-cli"})
        fs::copy_file(fs::path(VORAN_BIN_DIR) / program, root.path("usr/bin/") + program);
    const ScopedEnv data("XDG_DATA_HOME", root.path("data"));
    const std::string user = root.path("data/voran");

    int simOut = -1;
    const pid_t sim =
        start({root.path("usr/bin/k900-sim"), "--port", "4", "--preset", root.path("board.preset")},
              simOut);
    ASSERT_GT(sim, 0);
    const std::string said = readUntil(simOut, "\nlink ");
    EXPECT_NE(said.find("\nlink " + user + "/Support/COM4\n"), std::string::npos) << said;

    int cliOut = -1;
    const pid_t cli = start({root.path("usr/bin/voran-cli"), "read", "D1100"}, cliOut);
    const std::string answer = readUntil(cliOut, "\n");
    int status = -1;
    if (cli > 0) ::waitpid(cli, &status, 0);
    ::close(cliOut);
    EXPECT_EQ(answer, "1234\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    ::close(simOut);
    EXPECT_EQ(root.read("data/voran/Support/RSPort.cfg"), "4,9600\n");
    // Nothing was written beside the installed programs.
    std::vector<std::string> bin;
    for (const auto& e : fs::directory_iterator(root.path("usr/bin")))
        bin.push_back(e.path().filename().string());
    std::sort(bin.begin(), bin.end());
    EXPECT_EQ(bin, (std::vector<std::string>{"k900-sim", "voran-cli"}));
}

}  // namespace
}  // namespace voran::testing
