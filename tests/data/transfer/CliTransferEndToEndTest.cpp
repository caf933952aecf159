// voran-cli upload and download over a real pseudo-terminal against
// k900-sim, as a maintenance team backs up a line and restores it.
#include <gtest/gtest.h>

#include "ProgramRun.h"
#include "data/SetupFile.h"

namespace voran::testing {
namespace {

TEST(CliTransfer, BackupThenRestoreThenBackupAgainGivesTheRestoredData) {
    SimProgramFolder folder;
    folder.write("Support/RSPort.cfg", "7,9600\n");
    folder.write("board.preset", "W1000 111\nB1030 9\nW1042 2048\nD1100 19999\nW1072 7\n");
    ASSERT_TRUE(folder.startSim(7, {"--preset", folder.path("board.preset")})) << folder.said;
    auto cli = [&](const std::vector<std::string>& args) { return folder.run("voran-cli", args); };

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

    // Change the backup, restore it and back it up again.
    SetupData changed = backup;
    changed.Value[0] = 222;
    changed.Value[37] = 4095;
    changed.Setpoint[2] = {10, 20};
    changed.SpeedComp[7] = 12;
    ASSERT_TRUE(WriteSetupFile(folder.path("changed.sdt"), changed));
    o = cli({"download", folder.path("changed.sdt")});
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(cli({"upload", folder.path("again.sdt")}).status, 0);
    SetupData again;
    ASSERT_TRUE(ReadSetupFile(folder.path("again.sdt"), again));
    EXPECT_EQ(again.Value, changed.Value);
    EXPECT_EQ(again.Setpoint, changed.Setpoint);
    EXPECT_EQ(again.SpeedComp, changed.SpeedComp);

    // A file that cannot be sent fails with the reason; a wrong command line
    // says how to use it.
    changed.SpeedComp[0] = -4;
    ASSERT_TRUE(WriteSetupFile(folder.path("bad.sdt"), changed));
    o = cli({"download", folder.path("bad.sdt")});
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(
        o.err.ends_with("\nvoran-cli: download refused: Speed compensation of channel "
                        "1 is -4; it must lie between 0 and 255.\n"))
        << o.err;
    EXPECT_EQ(cli({"upload", "a.txt"}).status, 2);
    EXPECT_EQ(cli({"download", "a.sdt", "b.sdt"}).status, 2);
}

}  // namespace
}  // namespace voran::testing
