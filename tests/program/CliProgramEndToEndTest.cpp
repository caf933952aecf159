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
    folder.write("Support/FaultErrCodes.txt", "45,\"User program fault, see sfunc09\"\r\n");
    ASSERT_TRUE(folder.startBoard(4, 19200, "B8177 69\nB8159 23\n")) << folder.said;

    // A whole N-31 image (2000H to 3FFFH), written as an upload writes it;
    // the benchmark runs the 32 KiB of a K-900.
    Bytes program(0x2000);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    folder.write("line.tnx", "4PROGRAM\r\n");
    folder.write("line.rev", revisionText("FLANGE03", 200, 7));
    folder.write("line.hex", imageText(0x2000, program));
    folder.write("back.tnx", "4PROGRAM\r\n");

    RunResult o = folder.cli({"program-download", folder.path("line.tnx")});
    EXPECT_EQ(o.status, 2) << "no terminal and no --yes: " << o.err;

    o = folder.cli({"program-download", "--yes", folder.path("line.tnx")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Program Ident:   FLANGE03\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Target Board:   N-31\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("downloaded " + folder.path("line.hex")), std::string::npos);
    EXPECT_EQ(o.err, "Program Download: Program Download Complete!\n");

    o = folder.cli({"program-upload", folder.path("back.tnx")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "uploaded " + folder.path("back.hex") + "\n");
    EXPECT_EQ(folder.read("back.hex"), folder.read("line.hex"));
    EXPECT_EQ(folder.read("back.rev"), folder.read("line.rev"));

    o = folder.cli({"status"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "current fault:     Fault Code (00H): \n"
              "last fault:        Fault Code (45H): User program fault, see sfunc09\n"
              "firmware revision: 23\n"
              "program ident:     FLANGE03\n"
              "program revision:  7\n"
              "program checksum:  200\n");

    o = folder.cli({"program-upload", folder.path("none.tnx")});
    EXPECT_EQ(o.status, 1);
    EXPECT_FALSE(folder.read("none.hex"));
}

// What a script may rely on: program-download exits 0 only when the board
// holds the whole program and its ident; otherwise 1, with the board's
// program untouched or its ident block empty. Program names in any case.
TEST(CliProgram, ExitStatusSaysWhetherTheBoardHoldsTheProgram) {
    SimProgramFolder folder;
    folder.write("Support/RSPort.cfg", "5,19200\n");
    folder.write("board.preset", "B61424 79\nB61425 76\nB61426 68\nB61432 5\nB61433 6\n");
    Bytes program(0x100);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    const std::string image = imageText(0x2000, program);
    const Bytes low(16, 0x11);
    folder.write("PLANT.TNX", "4PROGRAM\r\n");
    folder.write("PLANT.REV", revisionText("FLANGE03", 200, 7));
    folder.write("PLANT.HEX", image);
    folder.write("WIDE.TNX", "4PROGRAM\r\n");
    folder.write("WIDE.REV", revisionText("WIDE0001", 1, 1));
    folder.write("WIDE.HEX", HexRecordLine(0x0100, low.data(), 16) + image);
    folder.write("EMPTY.TNX", "");

    const std::string none = "(none: the last program download did not complete)";
    struct Row {
        const char* name;
        const char* sim;   // k900-sim's arguments after the preset
        const char* args;  // after "program-download"
        int status;
        std::string said;   // part of stderr
        std::string ident;  // what `status` shows afterwards ("": not asked)
    };
    const Row rows[] = {
        {"wrong record sum", "--program-fault wrong-sum", "--yes PLANT.TNX", 1, "Checksum Error",
         none},
        {"no record answer", "--program-fault silent", "--yes PLANT.TNX", 1, "Checksum Error",
         none},
        {"board stays in program mode", "--program-fault stay", "--yes PLANT.TNX", 1,
         "PLC did not Exit Program Mode!", ""},
        {"entry write lost twice", "--lose-burst 1,at=1FF5,times=2", "--yes PLANT.TNX", 1,
         "Program Download Not Complete!", "OLD"},
        {"bytes outside program memory", "", "--yes WIDE.TNX", 1, "--outside-memory", "OLD"},
        {"bytes outside program memory allowed", "", "--yes --outside-memory WIDE.TNX", 0,
         "Program Download Complete!", "WIDE0001"},
        {"empty program file", "", "--yes EMPTY.TNX", 1, "is empty", "OLD"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> sim = {"--preset", folder.path("board.preset")};
        for (const std::string& a : Words(r.sim)) sim.push_back(a);
        ASSERT_TRUE(folder.startSim(5, sim)) << folder.said;
        std::vector<std::string> args = {"program-download"};
        for (const std::string& a : Words(r.args))
            args.push_back(a.find(".TNX") != std::string::npos ? folder.path(a) : a);
        const RunResult o = folder.cli(args);
        EXPECT_EQ(o.status, r.status) << o.err;
        EXPECT_NE(o.err.find(r.said), std::string::npos) << o.err;
        if (!r.ident.empty()) {
            const RunResult st = folder.cli({"status"});
            EXPECT_NE(st.out.find("program ident:     " + r.ident + "\n"), std::string::npos)
                << st.out << st.err;
        }
        folder.stopSim();
    }

    // An upload that loses a byte reads it again; the set it writes is the
    // board's program.
    ASSERT_TRUE(folder.startSim(5, {"--preset", folder.path("board.preset"), "--program",
                                    folder.path("PLANT.HEX"), "--lose-burst", "1,after=3001"}))
        << folder.said;
    folder.write("BACK.TNX", "4PROGRAM\r\n");
    const RunResult up = folder.cli({"program-upload", folder.path("BACK.TNX")});
    ASSERT_EQ(up.status, 0) << up.err;
    const std::string back = folder.read("BACK.hex").value_or("");
    EXPECT_EQ(back.substr(0, image.size() - 13), image.substr(0, image.size() - 13));
}

}  // namespace
}  // namespace voran::testing
