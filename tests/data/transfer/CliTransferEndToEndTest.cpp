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
    auto cli = [&](const char* command, const char* file) {
        return folder.run("voran-cli", {command, folder.path(file)});
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

    // Change the backup, restore it and back it up again.
    SetupData changed = backup;
    std::tie(changed.Value[0], changed.Value[37], changed.SpeedComp[7]) = std::tuple(222, 4095, 12);
    changed.Setpoint[2] = {10, 20};
    ASSERT_TRUE(WriteSetupFile(folder.path("changed.sdt"), changed));
    o = cli("download", "changed.sdt");
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(cli("upload", "again.sdt").status, 0);
    SetupData again;
    ASSERT_TRUE(ReadSetupFile(folder.path("again.sdt"), again));
    EXPECT_EQ(std::tie(again.Value, again.Setpoint, again.SpeedComp),
              std::tie(changed.Value, changed.Setpoint, changed.SpeedComp));
}

}  // namespace
}  // namespace voran::testing
