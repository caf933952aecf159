// voran-cli over a real pseudo-terminal against k900-sim, both in one
// program folder, the way a field engineer would use them.
#include <gtest/gtest.h>

#include "ProgramRun.h"

namespace voran::testing {
namespace {

TEST(CliEndToEnd, ReadsWritesAndReadsBackThroughTheSharedSettingsOrSaysWhyNot) {
    SimProgramFolder folder;
    folder.write("board.preset", "B8176 66\nW182 1000\nD1100 19999\n");
    folder.write("Support/RSPort.cfg", "9,19200\n");
    ASSERT_TRUE(folder.startSim(9, {"--preset", folder.path("board.preset")})) << folder.said;
    const auto cli = [&](const std::vector<std::string>& args) {
        const RunResult o = folder.run("voran-cli", args);
        return std::to_string(o.status) + "|" + o.out + "|" + o.err;
    };
    EXPECT_EQ(cli({"read", "B8176", "W182", "D1100"}), "0|66\n1000\n19999\n|");
    EXPECT_EQ(cli({"write", "W182", "4321"}), "0||");
    EXPECT_EQ(cli({"--port", "9", "--speed", "9600", "read", "W182"}), "0|4321\n|");
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "9,19200\n");

    EXPECT_EQ(cli({"write", "B8176", "-5"}),
              "1||ENTRY ALERT: Error: Only Numerical Data Allowed.\n");
    const std::string noBoard = cli({"--port", "98", "read", "B8176"});
    EXPECT_EQ(noBoard.substr(0, 3), "1||");
    EXPECT_NE(noBoard.find("Comm Port Error: Error Number = "), std::string::npos) << noBoard;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"read", "X30"}, {"write", "W182"}, {"--speed", "4800", "read", "B1"}, {}})
        EXPECT_EQ(cli(args).substr(0, 3), "2||") << cli(args);
}

}  // namespace
}  // namespace voran::testing
