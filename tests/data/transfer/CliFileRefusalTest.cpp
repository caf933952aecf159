// voran-cli and files it cannot use: a named pipe or a device node in place
// of a set-up file or an output file, and item tables that do not add up.
// Each is refused at once with the file's name, exit 1, nothing touched.
#include <gtest/gtest.h>

#include <filesystem>

#include "FileKinds.h"
#include "ProgramRun.h"
#include "data/SetupFile.h"

namespace voran::testing {
namespace {

class CliFileRefusal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.startBoard(52, 9600, "W1000 5\n")) << folder.said;
        SetupTables tables;
        tables.BuildDefaults(DateTime{2026, 1, 2, 3, 4, 5, 0});
        data = tables.DefaultData;
        data.Version = ProgramVersion();
        data.Value[0] = 111;  // W1000
    }
    RunResult cli(const std::vector<std::string>& args) { return folder.cli(args); }

    SimProgramFolder folder;
    SetupData data;
};

TEST_F(CliFileRefusal, ANamedPipeOrADeviceIsNeverReadNorReplaced) {
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

TEST_F(CliFileRefusal, TablesThatDoNotAddUpAreRefusedInTheSameWordsByEveryCommand) {
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
