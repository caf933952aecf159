// Which folder the programs keep Support/ and Help/ in: their own when they
// may write there (build tree), else the per-user folder seeded from the
// installed defaults.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "OrdinaryUser.h"
#include "ProgramRun.h"
#include "ScopedEnv.h"
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

}  // namespace
}  // namespace voran::testing
