// voran-cli over a real pseudo-terminal against k900-sim, both in one
// program folder, the way a field engineer would use them.
#include <gtest/gtest.h>

#include "ProgramRun.h"

namespace voran::testing {
namespace {

class CliEndToEnd : public ::testing::Test {
protected:
    SimProgramFolder folder;

    void SetUp() override {
        folder.write("board.preset", "B8176 66\nW182 1000\nD1100 19999\n");
        folder.write("Support/RSPort.cfg", "9,19200\n");
        ASSERT_TRUE(folder.startSim(9, {"--preset", folder.path("board.preset")})) << folder.said;
    }
    RunResult cli(const std::vector<std::string>& args) { return folder.run("voran-cli", args); }
};

TEST_F(CliEndToEnd, ReadsWritesAndReadsBackThroughTheSharedSettings) {
    RunResult o = cli({"read", "B8176", "W182", "D1100"});
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
    RunResult o = cli({"write", "B8176", "-5"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("ENTRY ALERT: Error: Only Numerical Data Allowed."), std::string::npos)
        << o.err;
    o = cli({"read", "B8176"});
    EXPECT_EQ(o.out, "66\n");
}

TEST_F(CliEndToEnd, APortWithoutABoardFailsWithThePortError) {
    const RunResult o = cli({"--port", "98", "read", "B8176"});
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
        const RunResult o = cli(args);
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_EQ(o.out, "");
    }
    const RunResult help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("read ADDR..."), std::string::npos);
    EXPECT_NE(help.out.find("write ADDR VALUE"), std::string::npos);
}

}  // namespace
}  // namespace voran::testing
