// voran-cli upload and download over a real pseudo-terminal against
// k900-sim, both in one program folder, as a maintenance team backs up a
// line and restores it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/SetupFile.h"

extern char** environ;

namespace voran::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// Starts a program with its standard output (and error, when given) on the
// descriptors; -1 when it could not be started.
pid_t spawn(std::vector<std::string> args, int outFd, int errFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    if (errFd >= 0) posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

class CliTransfer : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string folder;
    pid_t sim = -1;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path().toStdString();
        const fs::path bin(VORAN_BIN_DIR);
        for (const char* exe : {"voran-cli", "k900-sim"})
            ASSERT_TRUE(fs::exists(bin / exe)) << "build " << exe << " first";
        // voran-cli takes its program folder from where it lies.
        fs::copy_file(bin / "voran-cli", fs::path(folder) / "voran-cli");
        fs::create_directories(fs::path(folder) / "Support");
        write("Support/RSPort.cfg", "7,9600\n");
        write("board.preset", "W1000 111\nB1030 9\nW1042 2048\nD1100 19999\nW1072 7\n");

        // k900-sim serves port 7; it has made the Support/COM7 link once it
        // says "link ...".
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        sim = spawn({std::string(VORAN_BIN_DIR) + "/k900-sim", "--port", "7", "--folder", folder,
                     "--preset", path("board.preset")},
                    pipeFds[1]);
        close(pipeFds[1]);
        ASSERT_GT(sim, 0);
        std::string said;
        pollfd p{pipeFds[0], POLLIN, 0};
        while (said.find("link ") == std::string::npos || said.back() != '\n') {
            ASSERT_GT(poll(&p, 1, 10000), 0) << "k900-sim said: " << said;
            char buf[256];
            const ssize_t n = read(pipeFds[0], buf, sizeof buf);
            ASSERT_GT(n, 0) << "k900-sim said: " << said;
            said.append(buf, static_cast<std::size_t>(n));
        }
        close(pipeFds[0]);
    }

    void TearDown() override {
        if (sim > 0) {
            kill(sim, SIGTERM);
            waitpid(sim, nullptr, 0);
        }
    }

    void write(const std::string& name, const std::string& text) {
        QFile f(QString::fromStdString(path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }

    Outcome cli(std::vector<std::string> args) {
        Outcome o;
        const std::string outPath = path("out.txt"), errPath = path("err.txt");
        const int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        args.insert(args.begin(), path("voran-cli"));
        const pid_t pid = spawn(args, outFd, errFd);
        close(outFd);
        close(errFd);
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            o.status = WEXITSTATUS(status);
        o.out = slurp(outPath);
        o.err = slurp(errPath);
        return o;
    }

    std::string path(const std::string& name) const { return folder + "/" + name; }
};

TEST_F(CliTransfer, BackupThenRestoreThenBackupAgainGivesTheRestoredData) {
    Outcome o = cli({"upload", path("line7.sdt")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "uploaded " + path("line7.sdt") + "\n");
    EXPECT_EQ(o.err, "") << "no progress line when stderr is not a terminal";
    SetupData backup;
    ASSERT_TRUE(ReadSetupFile(path("line7.sdt"), backup));
    EXPECT_EQ(backup.Value[0], 111);
    EXPECT_EQ(backup.Value[12], 9);
    EXPECT_EQ(backup.Value[37], 2048);
    EXPECT_EQ(backup.Value[38], 19999);
    EXPECT_EQ(backup.Value[77], 7);
    EXPECT_EQ(backup.ScaleFactor, 360);

    // Change the backup and restore it.
    SetupData changed = backup;
    changed.Value[0] = 222;
    changed.Value[37] = 4095;
    changed.Setpoint[2] = {10, 20};
    changed.SpeedComp[7] = 12;
    ASSERT_TRUE(WriteSetupFile(path("changed.sdt"), changed));
    o = cli({"download", path("changed.sdt")});
    ASSERT_EQ(o.status, 0) << o.err;

    o = cli({"upload", path("again.sdt")});
    ASSERT_EQ(o.status, 0) << o.err;
    SetupData again;
    ASSERT_TRUE(ReadSetupFile(path("again.sdt"), again));
    EXPECT_EQ(again.Value, changed.Value);
    EXPECT_EQ(again.Setpoint, changed.Setpoint);
    EXPECT_EQ(again.SpeedComp, changed.SpeedComp);
    EXPECT_EQ(again.ScaleFactor, changed.ScaleFactor);
}

TEST_F(CliTransfer, SilentBoardFailsTheBackupAndLeavesNoFile) {
    ASSERT_EQ(kill(sim, SIGUSR1), 0);  // the simulator falls silent
    const Outcome o = cli({"upload", path("never.sdt")});
    EXPECT_EQ(o.status, 1);
    // Whether the link gives up when opened or at the first item, the last
    // line says why and that nothing was written.
    const bool noLink =
        o.err.find("voran-cli: no link to the board on port 7") != std::string::npos;
    const bool notWritten = o.err.find(
                                "voran-cli: upload not complete: the link to the board "
                                "failed after 1 of 78 items; " +
                                path("never.sdt") + " was not written") != std::string::npos;
    EXPECT_TRUE(noLink || notWritten) << o.err;
    EXPECT_FALSE(fs::exists(path("never.sdt")));
}

TEST_F(CliTransfer, WrongCommandLinesSayHowToUseThem) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"upload"}, {"upload", "a.txt"}, {"download", "a.sdt", "b.sdt"}, {"download"}}) {
        const Outcome o = cli(args);
        EXPECT_EQ(o.status, 2) << o.err;
    }
}

}  // namespace
}  // namespace voran::testing
