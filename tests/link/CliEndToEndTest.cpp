// voran-cli over a real pseudo-terminal against k900-sim, both in one
// program folder, the way a field engineer would use them.
#include <gtest/gtest.h>

#include "ProgramRun.h"

namespace voran::testing {
namespace {

TEST(CliEndToEnd, ReadsWritesAndReadsBackThroughTheSharedSettingsOrSaysWhyNot) {
    SimProgramFolder folder;
    ASSERT_TRUE(folder.startBoard(9, 19200, "B8176 66\nW182 1000\nD1100 19999\n")) << folder.said;
    const auto cli = [&](const std::vector<std::string>& args) { return folder.cliSays(args); };
    EXPECT_EQ(cli({"read", "B8176", "W182", "D1100"}), "0|66\n1000\n19999\n|");
    EXPECT_EQ(cli({"write", "W182", "4321"}), "0||");
    EXPECT_EQ(cli({"--port", "9", "--speed", "9600", "read", "W182"}), "0|4321\n|");
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "9,19200\n");

    EXPECT_EQ(cli({"write", "B8176", "-5"}),
              "1||ENTRY ALERT: Error: Only Numerical Data Allowed.\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"read", "X30"}, {"write", "W182"}, {"--speed", "4800", "read", "B1"}, {}})
        EXPECT_EQ(cli(args).substr(0, 3), "2||") << cli(args);
}

// A set-up item takes from the command line only what the set-up window
// takes, with the window's message; --force writes any value the item's
// type holds. Other addresses are written as given.
TEST(CliEndToEnd, WriteToASetUpItemKeepsTheSetUpWindowsRange) {
    SimProgramFolder folder;
    ASSERT_TRUE(folder.startBoard(11, 9600, "W1000 20\nB1030 5\nW1042 4095\nW182 7\n"))
        << folder.said;
    struct Case {
        const char* args;
        int status;
        std::string item, holds, err;
    };
    const auto refused = [](const std::string& range, const std::string& item) {
        return "voran-cli: Only a Number Between " + range + " can be Entered (item " + item +
               "; --force writes it anyway)\n";
    };
    const std::string shifts = refused("1 and 319", "0 W1000, Station 01 shifts");
    const Case cases[] = {
        {"write W1000 500", 1, "W1000", "20", shifts},
        {"write w1000 0", 1, "W1000", "20", shifts},
        {"write B1030 256", 1, "B1030", "5",
         refused("0 and 255", "12 B1030, Station 01 missing cans")},
        {"write W1042 4096", 1, "W1042", "4095",
         refused("0 and 4095", "37 W1042, Transfer jam enable mask")},
        {"write W1000 319", 0, "W1000", "319", ""},
        {"write --force W1000 500", 0, "W1000", "500", ""},
        {"write W182 5000", 0, "W182", "5000", ""},
    };
    for (const Case& c : cases) {
        const RunResult o = folder.cli(Words(c.args));
        EXPECT_EQ(std::tie(o.status, o.err), std::tie(c.status, c.err)) << c.args;
        EXPECT_EQ(folder.cli({"read", c.item}).out, c.holds + "\n") << c.args;
    }
}

}  // namespace
}  // namespace voran::testing
