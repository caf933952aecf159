// The real serial port over a pseudo-terminal: the test holds the far side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/Clock.h"
#include "platform/PosixSerialPort.h"

namespace fs = std::filesystem;
using voran::PortError;
using voran::PosixSerialPort;
using voran::SystemClock;

namespace {

class PtyPort : public ::testing::Test {
protected:
    PtyPort() {
        folder = fs::temp_directory_path() / ("voran-port-" + std::to_string(::getpid()));
        fs::create_directories(folder / "SUPPORT");
        int slave = -1;
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        device = ::ttyname(slave);
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        // Keep a far-side descriptor so the master never reports a hang-up.
        keep = slave;
        // Odd case on purpose: the program asks for Support/COM7.
        fs::create_symlink(device, folder / "SUPPORT" / "Com7");
    }
    ~PtyPort() override {
        ::close(master);
        ::close(keep);
        fs::remove_all(folder);
    }
    int readMaster(int timeoutMs = 1000) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return -1;
        std::uint8_t b = 0;
        return ::read(master, &b, 1) == 1 ? b : -1;
    }
    void writeMaster(std::uint8_t b) { ASSERT_EQ(::write(master, &b, 1), 1); }

    SystemClock clock;
    fs::path folder;
    std::string device;
    int master = -1;
    int keep = -1;
};

TEST_F(PtyPort, CarriesEveryByteRawEachWayThroughTheSupportLinkWhateverItsCase) {
    PosixSerialPort port(clock, folder.string());
    port.setPortNumber(7);
    ASSERT_TRUE(port.setSettings("19200,n,8,1", nullptr));
    PortError error;
    ASSERT_TRUE(port.open(&error)) << error.description;
    EXPECT_EQ(fs::canonical(port.openedDevice()), fs::canonical(device));
    for (int b : {0xFF, 0x00, 0x0A, 0x0D, 0x11, 0x13, 0x03}) {  // bytes a cooked line would eat
        ASSERT_TRUE(port.writeByte(static_cast<std::uint8_t>(b)));
        EXPECT_EQ(readMaster(), b);
        writeMaster(static_cast<std::uint8_t>(b ^ 0x55));
        ASSERT_TRUE(port.waitForByte(clock.now() + 2.0));
        EXPECT_EQ(port.bytesWaiting(), 1);
        EXPECT_EQ(port.readByte(), b ^ 0x55);
        EXPECT_EQ(port.readByte(), -1) << "nothing more waiting";
    }
    writeMaster(1);
    writeMaster(2);
    ASSERT_TRUE(port.waitForByte(clock.now() + 2.0));
    port.discardInput();
    EXPECT_EQ(port.readByte(), -1) << "discarded";
    const double deadline = clock.now() + 0.05;
    EXPECT_FALSE(port.waitForByte(deadline));
    EXPECT_GE(clock.now(), deadline);
}

TEST_F(PtyPort, ASecondUserIsRefusedAtOnceUntilTheFirstCloses) {
    PosixSerialPort first(clock, folder.string()), second(clock, folder.string());
    first.setPortNumber(7);
    second.setPortNumber(7);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(first.open(nullptr)) << round;
        PortError error;
        EXPECT_FALSE(second.open(&error));
        EXPECT_NE(error.description.find("COM7 ("), std::string::npos) << error.description;
        EXPECT_NE(error.description.find("in use by another program"), std::string::npos);
        first.close();
        EXPECT_FALSE(first.writeByte(0x55));
    }
    EXPECT_TRUE(second.open(nullptr));
    ASSERT_TRUE(second.writeByte(0x55));
    EXPECT_EQ(readMaster(), 0x55);
}

TEST(MissingPort, TheErrorSaysWhatWasTried) {
    const fs::path folder =
        fs::temp_directory_path() / ("voran-missing-" + std::to_string(::getpid()));
    fs::create_directories(folder / "Support");
    fs::create_symlink("/dev/voran-no-such-adapter", folder / "Support" / "COM5");
    const struct {
        int port;
        std::vector<std::string> mentions;
    } rows[] = {{98, {"COM98", "/dev/ttyS97"}}, {5, {"COM5", "/dev/voran-no-such-adapter"}}};
    SystemClock clock;
    for (const auto& r : rows) {
        PosixSerialPort port(clock, folder.string());
        port.setPortNumber(r.port);
        PortError error;
        EXPECT_FALSE(port.open(&error));
        EXPECT_FALSE(port.isOpen());
        EXPECT_NE(error.number, 0);
        EXPECT_NE(error.description.find("There is no such port"), std::string::npos)
            << error.description;
        for (const auto& m : r.mentions)
            EXPECT_NE(error.description.find(m), std::string::npos)
                << m << " in " << error.description;
    }
    fs::remove_all(folder);
}

}  // namespace
