// k900-sim as a program: the pseudo-terminal, its Support/COM<n> link, clients
// coming and going, and a clean exit.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/PosixSerialPort.h"

extern char** environ;
namespace fs = std::filesystem;
using voran::PosixSerialPort;
using voran::SystemClock;

namespace {

class K900Sim : public ::testing::Test {
protected:
    K900Sim() {
        folder = fs::temp_directory_path() / ("voran-k900sim-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    ~K900Sim() override {
        stop();
        fs::remove_all(folder);
    }
    // Starts k900-sim and reads its "device" and "link" lines. Returns its
    // stdout text when it ends early.
    bool start(std::vector<std::string> args) {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, out[1], 2);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        const std::string exe = std::string(VORAN_BIN_DIR) + "/k900-sim";
        args.insert(args.begin(), {exe, "--folder", folder.string()});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        out_ = ::fdopen(out[0], "r");
        char line[1024];
        while (std::fgets(line, sizeof line, out_)) {
            std::string s(line);
            if (!s.empty() && s.back() == '\n') s.pop_back();
            output += s + "\n";
            if (s.rfind("device ", 0) == 0) device = s.substr(7);
            if (s.rfind("link ", 0) == 0) {
                link = s.substr(5);
                return true;
            }
        }
        return false;
    }
    int stop() {
        int status = -1;
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, &status, 0);
            pid = -1;
        }
        if (out_) std::fclose(out_);
        out_ = nullptr;
        return status;
    }
    int exchange(PosixSerialPort& port, int byte) {
        port.writeByte(static_cast<std::uint8_t>(byte));
        if (!port.waitForByte(clock.now() + 2.0)) return -1;
        return port.readByte();
    }

    SystemClock clock;
    fs::path folder;
    pid_t pid = -1;
    FILE* out_ = nullptr;
    std::string device, link, output;
};

TEST_F(K900Sim, ServesThePresetBoardThroughTheComLinkAcrossReopens) {
    const fs::path preset = folder / "p.preset";
    std::ofstream(preset) << "B8176 42\nW182 1000\n";
    ASSERT_TRUE(start({"--port", "4", "--preset", preset.string()})) << output;
    EXPECT_EQ(fs::path(link), folder / "Support" / "COM4");
    EXPECT_EQ(fs::read_symlink(link).string(), device);

    PosixSerialPort port(clock, folder.string());
    port.setPortNumber(4);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(port.open(nullptr)) << round;
        std::vector<int> answers;
        for (int b : {0xFF, 0x01, 0x1F, 0xF0, 0x00, 0xB6}) answers.push_back(exchange(port, b));
        EXPECT_EQ(answers, (std::vector<int>{0x55, 0x55, 0x1F, 42, 0x00, 0xE8})) << round;
        port.close();  // going offline leaves the board in read mode
    }
}

TEST_F(K900Sim, SilentBoardAnswersNothing) {
    ASSERT_TRUE(start({"--silent"})) << output;
    PosixSerialPort port(clock, folder.string());
    port.setPortNumber(1);
    ASSERT_TRUE(port.open(nullptr));
    port.writeByte(0xFF);
    EXPECT_FALSE(port.waitForByte(clock.now() + 0.2));
}

TEST_F(K900Sim, RemovesItsLinkWhenStopped) {
    ASSERT_TRUE(start({"--port", "3"})) << output;
    ASSERT_TRUE(fs::is_symlink(link));
    const int status = stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(K900Sim, BadPresetLineStopsItWithTheLineNumber) {
    const fs::path preset = folder / "bad.preset";
    std::ofstream(preset) << "W182 1000\nW184 70000\n";
    EXPECT_FALSE(start({"--preset", preset.string()}));
    EXPECT_NE(output.find("bad.preset:2: value 70000 out of range"), std::string::npos) << output;
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_FALSE(fs::exists(folder / "Support" / "COM1"));
}

}  // namespace
