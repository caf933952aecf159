// voran-cli upload, download and compare against k900-sim over a
// pseudo-terminal; files it cannot use (a pipe, a device node, tables that do
// not add up) are refused at once with the file's name, exit 1, nothing touched.
#include <gtest/gtest.h>

#include <filesystem>

#include "FileKinds.h"
#include "ProgramRun.h"
#include "data/SetupFile.h"

namespace voran::testing {
namespace {

// A program folder for the board, and the default data as a file of this
// program's version holds them.
class CliTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        SetupTables tables;
        tables.BuildDefaults(DateTime{2026, 1, 2, 3, 4, 5, 0});
        data = tables.DefaultData;
        data.Version = ProgramVersion();
    }
    RunResult cli(const std::vector<std::string>& args) { return folder.cli(args); }
    // The board whose W1000 (item 0) holds 5 while the data hold 111.
    void startAtW1000Of5() {
        ASSERT_TRUE(folder.startBoard(52, 9600, "W1000 5\n")) << folder.said;
        data.Value[0] = 111;
    }

    SimProgramFolder folder;
    SetupData data;
};

TEST_F(CliTransfer, BackupThenRestoreThenBackupAgainGivesTheRestoredData) {
    ASSERT_TRUE(
        folder.startBoard(7, 9600, "W1000 111\nB1030 9\nW1042 2048\nD1100 19999\nW1072 7\n"))
        << folder.said;
    RunResult o = cli({"upload", folder.path("line7.sdt")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "uploaded " + folder.path("line7.sdt") + "\n");
    EXPECT_EQ(o.err, "") << "no progress line when stderr is not a terminal";
    SetupData backup;
    ASSERT_TRUE(ReadSetupFile(folder.path("line7.sdt"), backup));
    EXPECT_EQ(backup.Version, ProgramVersion());
    EXPECT_EQ((std::vector<int>{backup.Value[0], backup.Value[12], backup.Value[37],
                                backup.Value[38], backup.Value[77], backup.ScaleFactor}),
              (std::vector<int>{111, 9, 2048, 19999, 7, 360}));

    // Restoring only the set-up to a running line: the board keeps its
    // production counts.
    SetupData setUp = backup;
    std::tie(setUp.Value[0], setUp.Value[38], setUp.Value[77]) = std::tuple(123, 1, 2);
    setUp.Setpoint[2] = {30, 40};
    ASSERT_TRUE(WriteSetupFile(folder.path("setup.sdt"), setUp));
    o = folder.cli({"download", "--set-up-only", folder.path("setup.sdt")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "downloaded " + folder.path("setup.sdt") + " (set-up and PLS; shift counts left)\n");
    o = folder.cli({"read", "W1000", "D1100", "W1072"});
    EXPECT_EQ(o.out, "123\n19999\n7\n");
    ASSERT_EQ(cli({"upload", folder.path("after.sdt")}).status, 0);
    SetupData after;
    ASSERT_TRUE(ReadSetupFile(folder.path("after.sdt"), after));
    EXPECT_EQ(after.Setpoint[2], (std::array<std::int16_t, 2>{30, 40}));
}

TEST_F(CliTransfer, DownloadSaysDoneOnlyWhenDoneAndRefusesAForeignAddressTableUnlessTold) {
    ASSERT_TRUE(folder.startBoard(7, 9600, "W1010 5\nB1030 9\n")) << folder.said;

    // An entry the board cannot take: ENTRY ALERT, exit 1, no success line.
    data.Value[12] = 300;
    ASSERT_TRUE(WriteSetupFile(folder.path("bad.sdt"), data));
    RunResult o = folder.cli({"download", folder.path("bad.sdt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("ENTRY ALERT"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("writing item 12 failed"), std::string::npos) << o.err;

    // Item 5 moved to another address: refused, listed, nothing sent.
    data.Value[12] = 7;
    data.Address[5] = "Q17";
    ASSERT_TRUE(WriteSetupFile(folder.path("foreign.sdt"), data));
    o = folder.cli({"download", folder.path("foreign.sdt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("item 5: \"Q17\", the item table has \"W1010\""), std::string::npos)
        << o.err;
    o = folder.cli({"read", "B1030", "B32"});
    EXPECT_EQ(o.out, "9\n0\n") << "nothing was sent";
    o = folder.cli({"download", "--any-addresses", folder.path("foreign.sdt")});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "downloaded " + folder.path("foreign.sdt") + "\n");
    o = folder.cli({"read", "B1030", "B32"});
    EXPECT_EQ(o.out, "7\n" + std::to_string(data.Value[5]) + "\n");

    // The FF00H page cannot be addressed.
    o = folder.cli({"write", "B65282", "1"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("FF00H-FFFFH"), std::string::npos) << o.err;
}

TEST_F(CliTransfer, CompareListsWhatADownloadWouldChangeAndExitsByTheResult) {
    ASSERT_TRUE(folder.startBoard(7, 9600, "W1004 60\nD1100 5000\n")) << folder.said;
    ASSERT_EQ(cli({"upload", folder.path("line.sdt")}).status, 0);

    // The line ran on and someone changed a setting and the scale factor.
    ASSERT_EQ(cli({"write", "W1004", "61"}).status, 0);
    ASSERT_EQ(cli({"write", "D1100", "5100"}).status, 0);
    SetupData file;
    ASSERT_TRUE(ReadSetupFile(folder.path("line.sdt"), file));
    file.ScaleFactor = 720;
    ASSERT_TRUE(WriteSetupFile(folder.path("scaled.sdt"), file));
    RunResult o = cli({"compare", folder.path("scaled.sdt")});
    EXPECT_EQ(o.status, 3) << o.err;
    EXPECT_EQ(o.out,
              "item 2 W1004 Station 03 shifts: file 60, board 61\n"
              "item 38 D1100 Good Cans, current shift: file 5000, board 5100\n"
              "PLS scale factor: file 720, board 360\n");
    o = cli({"compare", "--set-up-only", folder.path("scaled.sdt")});
    EXPECT_EQ(o.status, 3);
    EXPECT_EQ(o.out,
              "item 2 W1004 Station 03 shifts: file 60, board 61\n"
              "PLS scale factor: file 720, board 360\n");

    // A resolver offset that differs is told apart, and no download could
    // remove it: the comparison still finds the board the same.
    ASSERT_TRUE(ReadSetupFile(folder.path("line.sdt"), file));
    file.Value[2] = 61;  // the setting as the board now holds it
    file.ResolverOffset = static_cast<std::int16_t>(file.ResolverOffset + 202);
    ASSERT_TRUE(WriteSetupFile(folder.path("offset.sdt"), file));
    o = cli({"compare", "--set-up-only", folder.path("offset.sdt")});
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(o.out, "not changed by a download: PLS offset: file " +
                         std::to_string(file.ResolverOffset) + ", board " +
                         std::to_string(file.ResolverOffset - 202) + "\n");

    // Wrong command lines; a missing file; then the board gone.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"compare"}, {"compare", "a.txt"}, {"compare", "a.sdt", "b.sdt"}})
        EXPECT_EQ(cli(args).status, 2);
    o = cli({"compare", folder.path("none.sdt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cannot read"), std::string::npos) << o.err;
    folder.stopSim();
    o = cli({"compare", folder.path("scaled.sdt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "") << "no list from a board that did not answer";
}

TEST_F(CliTransfer, ANamedPipeOrADeviceIsNeverReadNorReplaced) {
    ASSERT_NO_FATAL_FAILURE(startAtW1000Of5());
    HangGuard guard(20);
    const std::string pipe = folder.path("pipe.sdt");
    ASSERT_TRUE(MakeFifo(pipe));
    ASSERT_TRUE(WriteSetupFile(folder.path("line.sdt"), data));
    const std::string why = "Not a regular file";
    // Command line, what stderr must hold.
    std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"export", pipe, folder.path("out.txt")}, pipe + ": " + why},
        {{"report", pipe, folder.path("out.pdf")}, pipe + ": " + why},
        {{"compare", pipe}, "cannot read " + pipe + ": " + why},
        {{"download", pipe}, "cannot read " + pipe + ": " + why},
    };
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_TRUE(MakeDeviceNode(folder.path("null")));
        std::filesystem::create_symlink(folder.path("null"), folder.path("shift.txt"));
        std::filesystem::create_symlink(folder.path("null"), folder.path("up.sdt"));
        rows.push_back({{"export", folder.path("line.sdt"), folder.path("shift.txt")},
                        why + ": " + folder.path("shift.txt")});
        rows.push_back({{"upload", folder.path("up.sdt")},
                        "cannot write " + folder.path("up.sdt") + ": " + why});
    }
    for (const auto& [args, said] : rows) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const RunResult o = cli(args);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find(said), std::string::npos) << o.err;
    }
    EXPECT_TRUE(IsFifo(pipe));
    EXPECT_FALSE(folder.read("out.txt") || folder.read("out.pdf"));
    if (root) {
        EXPECT_TRUE(IsDeviceNode(folder.path("null")));
    }
}

TEST_F(CliTransfer, TablesThatDoNotAddUpAreRefusedInTheSameWordsByEveryCommand) {
    ASSERT_NO_FATAL_FAILURE(startAtW1000Of5());
    SetupData short40 = data;
    short40.Address.resize(40);
    short40.Value.resize(40);
    ASSERT_TRUE(WriteSetupFile(folder.path("short.sdt"), short40));
    SetupData values10 = data;
    values10.Value.resize(10);
    ASSERT_TRUE(WriteSetupFile(folder.path("ten.sdt"), values10));
    SetupData older = data;
    older.Version = "3.0";
    ASSERT_TRUE(WriteSetupFile(folder.path("older.sdt"), older));
    const std::string version = folder.path("older.sdt") +
                                " was written by set-up program version \"3.0\", not " +
                                ProgramVersion() + "; its data tables may not be properly aligned";
    const std::string items40 = folder.path("short.sdt") + " holds 40 items, not 78";
    const std::string values = folder.path("ten.sdt") + " holds 78 addresses but 10 values";
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"download", folder.path("short.sdt")}, items40 + "; nothing was sent"},
        {{"compare", folder.path("short.sdt")}, items40 + "; nothing was compared"},
        {{"download", folder.path("ten.sdt")}, values + "; nothing was sent"},
        {{"compare", folder.path("ten.sdt")}, values + "; nothing was compared"},
        {{"export", folder.path("ten.sdt"), folder.path("ten.txt")},
         values + "; nothing was written"},
        {{"download", folder.path("older.sdt")},
         version + ", nothing was sent (--any-version sends it anyway)"},
        {{"compare", folder.path("older.sdt")},
         version + ", nothing was compared (--any-version compares it anyway)"},
    };
    for (const auto& [args, said] : rows) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const RunResult o = cli(args);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, "voran-cli: " + said + "\n");
    }
    EXPECT_FALSE(folder.read("ten.txt"));
    const RunResult o = cli({"compare", "--any-version", folder.path("older.sdt")});
    EXPECT_EQ(o.status, 3) << o.err;
    EXPECT_NE(o.out.find("item 0 W1000"), std::string::npos) << o.out;
    EXPECT_EQ(cli({"read", "W1000"}).out, "5\n") << "nothing was sent";
}

}  // namespace
}  // namespace voran::testing
