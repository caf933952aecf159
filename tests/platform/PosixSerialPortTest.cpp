// The real serial port over a pseudo-terminal: the test holds the far side.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "platform/Clock.h"
#include "platform/PosixSerialPort.h"

namespace fs = std::filesystem;
using voran::PortError;
using voran::PosixSerialPort;

namespace {

class PtyPort : public ::testing::Test {
protected:
    PtyPort() {
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        // Odd case on purpose: the program asks for Support/COM7.
        fs::create_directories(folder.path("SUPPORT"));
        fs::create_symlink(::ttyname(slave), folder.path("SUPPORT/Com7"));
        fs::create_symlink("/dev/voran-no-such-adapter", folder.path("SUPPORT/COM5"));
    }
    ~PtyPort() override {
        ::close(master);
        ::close(slave);  // kept open so that the master never reports a hang-up
    }
    int readMaster() {
        pollfd p{master, POLLIN, 0};
        std::uint8_t b = 0;
        return ::poll(&p, 1, 1000) == 1 && ::read(master, &b, 1) == 1 ? b : -1;
    }
    void writeMaster(int b) {
        const auto byte = static_cast<std::uint8_t>(b);
        ASSERT_EQ(::write(master, &byte, 1), 1);
    }
    // The reason port `number` gives for not opening ("" when it opens).
    std::string refusal(PosixSerialPort& port, int number) {
        port.setPortNumber(number);
        PortError error;
        return port.open(&error) ? "" : error.description;
    }

    voran::testing::TempFolder folder;
    voran::SystemClock clock;
    PosixSerialPort port{clock, folder.path()};
    int master = -1, slave = -1;
};

TEST_F(PtyPort, CarriesEveryByteRawEachWayThroughTheSupportLinkWhateverItsCase) {
    ASSERT_TRUE(port.setSettings("19200,n,8,1", nullptr));
    ASSERT_EQ(refusal(port, 7), "");
    for (int b : {0xFF, 0x00, 0x0A, 0x0D, 0x11, 0x13, 0x03}) {  // bytes a cooked line would eat
        ASSERT_TRUE(port.writeByte(static_cast<std::uint8_t>(b)));
        EXPECT_EQ(readMaster(), b);
        writeMaster(b ^ 0x55);
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

TEST_F(PtyPort, APortInUseOrMissingIsRefusedAtOnceSayingWhy) {
    PosixSerialPort second(clock, folder.path());
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(refusal(port, 7), "") << round;
        const std::string why = refusal(second, 7);
        EXPECT_NE(why.find("COM7 ("), std::string::npos) << why;
        EXPECT_NE(why.find("in use by another program"), std::string::npos) << why;
        port.close();
        EXPECT_FALSE(port.writeByte(0x55));
    }
    ASSERT_EQ(refusal(second, 7), "");
    ASSERT_TRUE(second.writeByte(0x55));
    EXPECT_EQ(readMaster(), 0x55);

    const std::pair<int, std::vector<std::string>> missing[] = {
        {98, {"COM98", "/dev/ttyS97"}}, {5, {"COM5", "/dev/voran-no-such-adapter"}}};
    for (const auto& [number, mentions] : missing) {
        PosixSerialPort other(clock, folder.path());
        const std::string why = refusal(other, number);
        for (const std::string& m :
             {std::string("There is no such port"), mentions[0], mentions[1]})
            EXPECT_NE(why.find(m), std::string::npos) << m << " in " << why;
    }
}

TEST_F(PtyPort, AHungUpDeviceEndsTheWaitAtOnceAndSaysItIsGone) {
    // A manual clock: a wait that is waited out moves it to the deadline.
    voran::ManualClock manual;
    PosixSerialPort unplugged(manual, folder.path());
    ASSERT_EQ(refusal(unplugged, 7), "");
    EXPECT_FALSE(unplugged.lost());
    ::close(master);  // the adapter goes away
    master = -1;
    const double t0 = manual.now();
    EXPECT_FALSE(unplugged.waitForByte(t0 + 5.0));
    EXPECT_EQ(manual.now(), t0) << "the wait ended at once";
    PortError why;
    ASSERT_TRUE(unplugged.lost(&why));
    EXPECT_NE(why.description.find("is gone"), std::string::npos) << why.description;
    EXPECT_EQ(unplugged.readByte(), -1);
}

}  // namespace
