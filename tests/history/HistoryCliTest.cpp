// voran-cli log and history over a pseudo-terminal against k900-sim, both
// in one program folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProgramRun.h"
#include "ScopedEnv.h"

namespace voran::testing {
namespace {

const std::string kHeader =
    "time,good_cans,total_jams,jams_01,jams_02,jams_03,jams_04,jams_05,jams_06,jams_07,jams_08,"
    "jams_09,jams_10,jams_11,jams_12,cpm,transfer_jam_alarm,timing_signal_fail_alarm,"
    "infeed_jam_alarm\r\n";

class HistoryCli : public ::testing::Test {
protected:
    SimProgramFolder folder;

    void SetUp() override {
        std::string preset = "D1100 1200\nD1104 7\nW182 640\nB111 16\nB121 128\n";
        for (int k = 0; k < 12; ++k)
            preset += "W" + std::to_string(1108 + 2 * k) + " " + std::to_string(k + 1) + "\n";
        folder.write("board.preset", preset);
        folder.write("Support/RSPort.cfg", "64,19200\n");
        ASSERT_TRUE(folder.startSim(64, {"--preset", folder.path("board.preset")})) << folder.said;
    }
    std::string cli(const std::vector<std::string>& args) {
        const RunResult o = folder.run("voran-cli", args);
        return std::to_string(o.status) + "|" + o.out + "|" + o.err;
    }
    static std::string row(const std::string& time) {
        return time + ",1200,7,1,2,3,4,5,6,7,8,9,10,11,12,640,1,0,1\r\n";
    }
};

TEST_F(HistoryCli, LogsSamplesAndWritesThemAsCsv) {
    const std::string db = folder.path("line.sqlite");
    const RunResult log = folder.run("voran-cli", {"log", "--for", "0.5", db});
    ASSERT_EQ(log.status, 0) << log.err;
    ASSERT_GE(log.out.size(), 19u);
    const std::string time = log.out.substr(0, 19);
    EXPECT_EQ(log.out, time + " good 1200 jams 7 cpm 640\n1 sample written to " + db + "\n");

    const std::string csv = kHeader + row(time);
    EXPECT_EQ(cli({"history", db, "--csv", "-"}), "0|" + csv + "|");
    EXPECT_EQ(cli({"-q", "history", db, "--csv", folder.path("out.csv")}), "0||");
    EXPECT_EQ(folder.read("out.csv"), csv);
    EXPECT_EQ(cli({"history", db, "--csv", "-", "--from", time.substr(0, 10), "--to",
                   time.substr(0, 10) + "T23:59:59"}),
              "0|" + csv + "|");
    EXPECT_EQ(cli({"history", db, "--csv", "-", "--to", "2000-01-01"}), "0|" + kHeader + "|");

    // An export that cannot be made leaves the earlier file as it was.
    folder.write("bad.sqlite", std::string(4096, 'x'));
    EXPECT_EQ(cli({"history", folder.path("bad.sqlite"), "--csv", folder.path("out.csv")}),
              "1||voran-cli: the history " + folder.path("bad.sqlite") + " is damaged\n");
    EXPECT_EQ(folder.read("out.csv"), csv);

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"history", folder.path("none.sqlite"), "--csv", "-"},
         "1||voran-cli: no history " + folder.path("none.sqlite") + "\n"},
        {{"history", db, "--csv", "-", "--from", "7.12.2026"},
         "2||voran-cli: --from takes a local time 2026-12-07 or 2026-12-07T14:03[:27], not "
         "7.12.2026\n"},
        {{"history", db},
         "2||voran-cli: usage: history DB.sqlite --csv OUT.csv|- [--from T] "
         "[--to T]\n"},
        {{"log", "--interval", "4", db}, "2||voran-cli: --interval takes seconds from 5 to 3600\n"},
        {{"log", "line.db"}, "2||voran-cli: usage: log [--interval S] [--for S] DB.sqlite\n"},
    };
    for (const auto& [args, said] : refused) EXPECT_EQ(cli(args), said) << args[0];
}

// --trace and the voran.link debug log carry the same decoded lines.
TEST_F(HistoryCli, TraceAndDebugLogDecodeTheTraffic) {
    const std::string trace = folder.path("trace.txt");
    EXPECT_EQ(cli({"--trace", trace, "read", "W182"}), "0|640\n|");
    const std::string lines = folder.read("trace.txt").value_or("");
    for (const char* meaning :
         {"->  FF 255  attention", "<-  55  85  acknowledge", "->  01   1  read mode",
          "<-  80 128  R182 = 128", "<-  02   2  R183 = 2"})
        EXPECT_NE(lines.find(meaning), std::string::npos) << meaning << "\n" << lines;
    ScopedEnv rules("QT_LOGGING_RULES", "voran.link.debug=true");
    const RunResult logged = folder.run("voran-cli", {"read", "W182"});
    EXPECT_NE(logged.err.find("voran.link:     "), std::string::npos) << logged.err;
    EXPECT_NE(logged.err.find("<-  02   2  R183 = 2"), std::string::npos) << logged.err;
    EXPECT_EQ(cli({"--trace", folder.path("no/such/folder/t.txt"), "read", "W182"}),
              "1||voran-cli: cannot write the trace " + folder.path("no/such/folder/t.txt") + "\n");
}

// Ctrl+C ends the logging between samples with status 0 and the database
// whole; without a board the logging fails with status 1 and the history
// keeps what it had.
TEST_F(HistoryCli, CtrlCEndsTheLoggingCleanly) {
    const std::string db = folder.path("line.sqlite");
    const std::string exe = folder.path("voran-cli");
    folder.run("voran-cli", {"--version"});  // copies the program into the folder
    const std::string out = folder.path("log.out");
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out.c_str(), "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
        execl(exe.c_str(), exe.c_str(), "log", "--interval", "5", db.c_str(), nullptr);
        _exit(127);
    }
    // Waits for the first sample's line (at most 10 s).
    for (int k = 0; k < 1000 && folder.read("log.out").value_or("").empty(); ++k) usleep(10000);
    kill(pid, SIGINT);
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string said = folder.read("log.out").value_or("");
    EXPECT_EQ(said.substr(19), " good 1200 jams 7 cpm 640\n1 sample written to " + db + "\n");
    EXPECT_EQ(cli({"history", db, "--csv", "-"}), "0|" + kHeader + row(said.substr(0, 19)) + "|");

    folder.stopSim();
    const std::string failed = cli({"log", db});
    EXPECT_EQ(failed.substr(0, 3), "1||") << failed;
    EXPECT_EQ(cli({"history", db, "--csv", "-"}), "0|" + kHeader + row(said.substr(0, 19)) + "|");
}

}  // namespace
}  // namespace voran::testing
