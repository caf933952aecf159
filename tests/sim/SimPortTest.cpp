// The in-process port: what the PC sees of the board, on the manual clock.
#include <gtest/gtest.h>

#include "SimPort.h"

using voran::ManualClock;
using voran::PortError;
using voran::sim::SimBoard;
using voran::sim::SimPort;
using voran::sim::WireByte;

namespace {

class SimPortTest : public ::testing::Test {
protected:
    SimPortTest() : port(board, clock) {
        board.memory()[8176] = 0x2A;
        EXPECT_TRUE(port.open(nullptr));
    }
    // Writes a byte and takes its answer the way the link does.
    int exchange(int byte, double timeout = 1.0) {
        port.writeByte(static_cast<std::uint8_t>(byte));
        if (!port.waitForByte(clock.now() + timeout)) return -1;
        return port.readByte();
    }
    SimBoard board;
    ManualClock clock;
    SimPort port;
};

TEST_F(SimPortTest, ImmediateAnswersCostNoTimeAndAreRecordedBothWays) {
    const double t0 = clock.now();
    EXPECT_EQ(exchange(0xFF), 0x55);
    EXPECT_EQ(exchange(0x01), 0x55);
    EXPECT_EQ(clock.now(), t0);
    EXPECT_EQ(port.wire,
              (std::vector<WireByte>{
                  {true, 0xFF, t0}, {false, 0x55, t0}, {true, 0x01, t0}, {false, 0x55, t0}}));
    EXPECT_EQ(port.sent(), (std::vector<std::uint8_t>{0xFF, 0x01}));
    EXPECT_EQ(port.received(), (std::vector<std::uint8_t>{0x55, 0x55}));
}

TEST_F(SimPortTest, LateReplyAdvancesTheClockToItsArrival) {
    port.replyDelay = 0.25;
    const double t0 = clock.now();
    port.writeByte(0xFF);
    EXPECT_EQ(port.bytesWaiting(), 0) << "not arrived yet";
    EXPECT_EQ(port.readByte(), -1);
    EXPECT_TRUE(port.waitForByte(t0 + 1.0));
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 0.25);
    EXPECT_EQ(port.bytesWaiting(), 1);
    EXPECT_EQ(port.readByte(), 0x55);
}

TEST_F(SimPortTest, ReplyLaterThanTheDeadlineIsMissedThenArrives) {
    port.replyDelay = 1.5;
    const double t0 = clock.now();
    port.writeByte(0xFF);
    EXPECT_FALSE(port.waitForByte(t0 + 1.0));
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.0);
    port.discardInput();  // the link flushes before resending: the late byte is still on its way
    EXPECT_TRUE(port.waitForByte(t0 + 3.0));
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.5);
    EXPECT_EQ(port.readByte(), 0x55);
}

TEST_F(SimPortTest, SilentBoardRunsTheClockToEachDeadline) {
    port.silent = true;
    const double t0 = clock.now();
    EXPECT_EQ(exchange(0xFF, 1.0), -1);
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.0);
    EXPECT_EQ(exchange(0xFF, 2.0), -1);
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 3.0);
    EXPECT_EQ(port.sent(), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_TRUE(port.received().empty());
    EXPECT_TRUE(board.idle()) << "a silent board hears nothing";
}

TEST_F(SimPortTest, PastDeadlineNeverMovesTheClockBack) {
    const double t0 = clock.now();
    EXPECT_FALSE(port.waitForByte(t0 - 5));
    EXPECT_EQ(clock.now(), t0);
}

TEST_F(SimPortTest, DiscardInputDropsArrivedAnswers) {
    port.writeByte(0xFF);
    port.writeByte(0x01);
    EXPECT_EQ(port.bytesWaiting(), 2);
    port.discardInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_EQ(port.readByte(), -1);
}

TEST_F(SimPortTest, WrongEchoComesOnceOnAnAddressByteOnly) {
    port.wrongEchoOnce = true;
    EXPECT_EQ(exchange(0xFF), 0x55);
    EXPECT_EQ(exchange(0x01), 0x55) << "acknowledges are not echoes";
    EXPECT_EQ(exchange(0x1F), 0x1E);
    EXPECT_EQ(exchange(0xF0), 0x2A) << "the board itself kept its framing";
    EXPECT_EQ(exchange(0x1F), 0x1F);
    EXPECT_FALSE(port.wrongEchoOnce);
}

TEST_F(SimPortTest, EveryNthByteIsLost) {
    port.dropEvery = 3;
    EXPECT_EQ(exchange(0xFF), 0x55);
    EXPECT_EQ(exchange(0x01), 0x55);
    EXPECT_EQ(exchange(0x1F), -1) << "third byte lost";
    EXPECT_EQ(port.sent().size(), 3u) << "the PC did send it";
    EXPECT_EQ(exchange(0xFF), 0x55);
    EXPECT_EQ(exchange(0x01), 0x55);
    EXPECT_EQ(exchange(0x1F), -1) << "sixth byte lost";
}

TEST_F(SimPortTest, ClosedPortNeitherSendsNorReceives) {
    port.writeByte(0xFF);
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_FALSE(port.writeByte(0xFF));
    EXPECT_EQ(port.readByte(), -1);
    EXPECT_EQ(port.sent().size(), 1u);
}

TEST(SimPortOpen, OpenErrorIsReportedAndPortStaysClosed) {
    SimBoard board;
    ManualClock clock;
    SimPort port(board, clock);
    port.openError = {8002, "SimPort", "Invalid port number"};
    PortError error;
    EXPECT_FALSE(port.open(&error));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(error.number, 8002);
    EXPECT_EQ(error.description, "Invalid port number");
}

TEST(SimPortSettings, TakesTheLinkSettingsAndRefusesNonsense) {
    SimBoard board;
    ManualClock clock;
    SimPort port(board, clock);
    for (const char* good : {"9600,n,8,1", "19200,N,8,1"}) {
        EXPECT_TRUE(port.setSettings(good, nullptr)) << good;
        EXPECT_EQ(port.settings(), good);
    }
    for (const char* bad : {"9600", "96OO,n,8,1", "9600,x,8,1", "9601,n,8,1", ""}) {
        PortError error;
        EXPECT_FALSE(port.setSettings(bad, &error)) << bad;
        EXPECT_NE(error.description.find("Invalid port settings"), std::string::npos);
    }
    EXPECT_EQ(port.settings(), "19200,N,8,1");
}

}  // namespace
