// Which folder the programs keep Support/ and Help/ in: their own when they
// may write there (build tree), else a per-user folder seeded from the
// installed defaults, which k900-sim and voran-cli then share.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "OrdinaryUser.h"
#include "ProgramRun.h"
#include "ScopedEnv.h"
#include "Spawn.h"
#include "platform/Paths.h"

namespace voran::testing {
namespace {

namespace fs = std::filesystem;

// The folder names below a folder, sorted, for comparing what was made.
std::string listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(fs::relative(it->path(), folder).string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) out += n + ";";
    return out;
}

// An installed layout: <root>/usr/bin and the defaults in <root>/usr/share/voran.
struct Installed : TempFolder {
    Installed() {
        write("usr/bin/.keep", "");
        write("usr/share/voran/Support/RSPort.cfg", "3,19200\n");
        write("usr/share/voran/Support/FaultErrCodes.txt", "0A,\"Jam, infeed\"\n");
        write("usr/share/voran/Help/VORAN.hlp", "help");
    }
    std::string bin() const { return path("usr/bin"); }
    std::string user() const { return path("home/.local/share/voran"); }
};

TEST(ProgramFolder, AWritableFolderOfItsOwnIsTheProgramFolderAndNothingIsMadeElsewhere) {
    TempFolder build, home;
    build.write("Support/RSPort.cfg", "2,9600\n");
    const std::string user = home.path("data/voran");
    EXPECT_EQ(ChooseProgramFolder(build.path(), user), build.path());
    EXPECT_EQ(listing(home.path()), "");
    EXPECT_EQ(listing(build.path()), "Support;Support/RSPort.cfg;");
}

TEST(ProgramFolder, AnInstalledProgramGetsThePerUserFolderSeededOnceFromTheDefaults) {
    Installed root;
    // Even where it could write (as root may in /usr/bin), an installed program
    // leaves its executable's folder alone.
    EXPECT_EQ(ChooseProgramFolder(root.bin(), root.user()), root.user());
    EXPECT_EQ(listing(root.user()),
              "Help;Help/VORAN.hlp;Support;Support/FaultErrCodes.txt;Support/RSPort.cfg;");
    EXPECT_EQ(root.read("home/.local/share/voran/Support/RSPort.cfg"), "3,19200\n");
    EXPECT_EQ(root.read("home/.local/share/voran/Support/FaultErrCodes.txt"),
              "0A,\"Jam, infeed\"\n");
    EXPECT_EQ(listing(root.path("home/.local/share")),
              "voran;voran/Help;voran/Help/VORAN.hlp;"
              "voran/Support;voran/Support/"
              "FaultErrCodes.txt;voran/Support/RSPort.cfg;");
    EXPECT_EQ(listing(root.bin()), ".keep;");

    // The user's own settings and removals stay; the defaults are not copied again.
    root.write("home/.local/share/voran/Support/RSPort.cfg", "5,9600\n");
    fs::remove(root.path("home/.local/share/voran/Help/VORAN.hlp"));
    EXPECT_EQ(ChooseProgramFolder(root.bin(), root.user()), root.user());
    EXPECT_EQ(root.read("home/.local/share/voran/Support/RSPort.cfg"), "5,9600\n");
    EXPECT_EQ(listing(root.user()), "Help;Support;Support/FaultErrCodes.txt;Support/RSPort.cfg;");
}

TEST(ProgramFolder, WithoutAHomeTheExecutablesFolderStays) {
    Installed root;
    EXPECT_EQ(ChooseProgramFolder(root.bin(), ""), root.bin());
    // A per-user folder that cannot be made (its parent is a file).
    root.write("home/.local/share", "not a folder");
    EXPECT_EQ(ChooseProgramFolder(root.bin(), root.user()), root.bin());
}

TEST(ProgramFolder, AFolderThisUserMayNotWriteGivesThePerUserFolder) {
    TempFolder root;
    root.write("opt/voran/Support/RSPort.cfg", "2,9600\n");
    root.write("home/.keep", "");
    // Everyone may pass through; nobody may write in the program's folder,
    // and only the home is everyone's to write.
    for (const char* folder : {"", "opt", "opt/voran/Support"})
        ::chmod(root.path(folder).c_str(), 0755);
    ::chmod(root.path("opt/voran").c_str(), 0555);
    ::chmod(root.path("home").c_str(), 0777);
    const std::string user = root.path("home/voran");
    EXPECT_EQ(RunAsOrdinaryUser([&]() -> std::string {
                  const std::string chosen = ChooseProgramFolder(root.path("opt/voran"), user);
                  return chosen == user ? "" : "chose " + chosen;
              }),
              "");
    ::chmod(root.path("opt/voran").c_str(), 0755);
    // No installed defaults: an empty folder, to be filled as the program runs.
    EXPECT_TRUE(fs::is_directory(user));
    EXPECT_EQ(listing(root.path("home")), ".keep;voran;");
}

TEST(ProgramFolder, ThePerUserFolderFollowsXdgDataHomeOrTheHome) {
    struct Case {
        std::optional<std::string> data, home;
        const char* expected;
    };
    const Case cases[] = {{"/srv/data", "/home/op", "/srv/data/voran"},
                          {"relative/data", "/home/op", "/home/op/.local/share/voran"},
                          {"", "/home/op", "/home/op/.local/share/voran"},
                          {std::nullopt, "/home/op", "/home/op/.local/share/voran"},
                          {std::nullopt, "", ""},
                          {std::nullopt, std::nullopt, ""}};
    const ScopedEnv data("XDG_DATA_HOME", std::nullopt), home("HOME", std::nullopt);
    for (const Case& c : cases) {
        data.set(c.data);
        home.set(c.home);
        EXPECT_EQ(UserProgramFolder(), c.expected)
            << c.data.value_or("(unset)") << " " << c.home.value_or("(unset)");
    }
}

// Runs argv with stdout and stderr into one pipe; the pid, and the pipe's reading end.
pid_t start(std::vector<std::string> args, int& out) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t pid = Spawn(std::move(args), fds[1], fds[1]);
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
