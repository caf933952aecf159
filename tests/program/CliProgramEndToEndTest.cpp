// voran-cli program-download, program-upload and status over a real
// pseudo-terminal against k900-sim: a program sent to the board comes back
// as the same file set.
#include <gtest/gtest.h>

#include "ProgramFixture.h"
#include "ProgramRun.h"

namespace voran::testing {
namespace {

TEST(CliProgram, DownloadThenUploadGivesTheSameFileSet) {
    SimProgramFolder folder;
    folder.write("Support/RSPort.cfg", "4,19200\n");
    folder.write("Support/FaultErrCodes.txt", "45,\"User program fault, see sfunc09\"\r\n");
    folder.write("board.preset", "B8177 69\nB8159 23\n");
    ASSERT_TRUE(folder.startSim(4, {"--preset", folder.path("board.preset")})) << folder.said;

    // A whole N-31 image (2000H to 3FFFH), written as an upload writes it;
    // the benchmark runs the 32 KiB of a K-900.
    Bytes program(0x2000);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    folder.write("line.tnx", "4PROGRAM\r\n");
    folder.write("line.rev", revisionText("FLANGE03", 200, 7));
    folder.write("line.hex", imageText(0x2000, program));
    folder.write("back.tnx", "4PROGRAM\r\n");

    RunResult o = folder.run("voran-cli", {"program-download", folder.path("line.tnx")});
    EXPECT_EQ(o.status, 2) << "no terminal and no --yes: " << o.err;

    o = folder.run("voran-cli", {"program-download", "--yes", folder.path("line.tnx")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Program Ident:   FLANGE03\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Target Board:   N-31\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("downloaded " + folder.path("line.hex")), std::string::npos);
    EXPECT_EQ(o.err, "Program Download: Program Download Complete!\n");

    o = folder.run("voran-cli", {"program-upload", folder.path("back.tnx")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "uploaded " + folder.path("back.hex") + "\n");
    EXPECT_EQ(folder.read("back.hex"), folder.read("line.hex"));
    EXPECT_EQ(folder.read("back.rev"), folder.read("line.rev"));

    o = folder.run("voran-cli", {"status"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "current fault:     Fault Code (00H): \n"
              "last fault:        Fault Code (45H): User program fault, see sfunc09\n"
              "firmware revision: 23\n"
              "program ident:     FLANGE03\n"
              "program revision:  7\n"
              "program checksum:  200\n");

    o = folder.run("voran-cli", {"program-upload", folder.path("none.tnx")});
    EXPECT_EQ(o.status, 1);
    EXPECT_FALSE(folder.read("none.hex"));
}

}  // namespace
}  // namespace voran::testing
