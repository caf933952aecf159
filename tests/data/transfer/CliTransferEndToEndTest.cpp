// voran-cli upload and download over a real pseudo-terminal against
// k900-sim, as a maintenance team backs up a line and restores it.
#include <gtest/gtest.h>

#include "ProgramRun.h"
#include "data/SetupFile.h"

namespace voran::testing {
namespace {

TEST(CliTransfer, BackupThenRestoreThenBackupAgainGivesTheRestoredData) {
    SimProgramFolder folder;
    ASSERT_TRUE(
        folder.startBoard(7, 9600, "W1000 111\nB1030 9\nW1042 2048\nD1100 19999\nW1072 7\n"))
        << folder.said;
    auto cli = [&](const char* command, const char* file) {
        return folder.cli({command, folder.path(file)});
    };

    RunResult o = cli("upload", "line7.sdt");
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
    ASSERT_EQ(cli("upload", "after.sdt").status, 0);
    SetupData after;
    ASSERT_TRUE(ReadSetupFile(folder.path("after.sdt"), after));
    EXPECT_EQ(after.Setpoint[2], (std::array<std::int16_t, 2>{30, 40}));
}

TEST(CliTransfer, DownloadSaysDoneOnlyWhenDoneAndRefusesAForeignAddressTableUnlessTold) {
    SimProgramFolder folder;
    ASSERT_TRUE(folder.startBoard(7, 9600, "W1010 5\nB1030 9\n")) << folder.said;
    SetupTables tables;
    tables.BuildDefaults(DateTime{2026, 1, 2, 3, 4, 5, 0});
    SetupData data = tables.DefaultData;
    data.Version = ProgramVersion();

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

TEST(CliCompare, ListsWhatADownloadWouldChangeAndExitsByTheResult) {
    SimProgramFolder folder;
    ASSERT_TRUE(folder.startBoard(7, 9600, "W1004 60\nD1100 5000\n")) << folder.said;
    auto cli = [&](std::vector<std::string> args) { return folder.cli(args); };
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

}  // namespace
}  // namespace voran::testing
