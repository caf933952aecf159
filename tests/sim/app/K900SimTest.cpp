// k900-sim as a program: its Support/COM<n> link goes when it stops, and a
// bad preset stops it before it makes one. Serving voran-cli is checked by
// the command line's own end-to-end test.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "ProgramRun.h"

namespace fs = std::filesystem;

TEST(K900Sim, RemovesItsLinkWhenStoppedAndRefusesABadPreset) {
    voran::testing::SimProgramFolder folder;
    ASSERT_TRUE(folder.startSim(3)) << folder.said;
    EXPECT_EQ(folder.link, folder.path("Support/COM3"));
    EXPECT_EQ(fs::read_symlink(folder.link).string(), folder.device);
    int status = folder.stopSim();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.link)));

    folder.write("bad.preset", "W182 1000\nW184 70000\n");
    folder.said.clear();
    EXPECT_FALSE(folder.startSim(1, {"--preset", folder.path("bad.preset")}));
    EXPECT_NE(folder.said.find("bad.preset:2: value 70000 out of range"), std::string::npos)
        << folder.said;
    status = folder.stopSim();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << status;
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.path("Support/COM1"))));
}
