// The in-process port: what the PC sees of the board, on the manual clock.
#include <gtest/gtest.h>

#include "SimPort.h"

using voran::ManualClock;
using voran::sim::SimBoard;
using voran::sim::SimPort;
using voran::sim::WireByte;
using Bytes = std::vector<std::uint8_t>;

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
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01}));
    EXPECT_EQ(port.received(), (Bytes{0x55, 0x55}));
}

TEST_F(SimPortTest, ALateReplyArrivesAtItsTimeEvenAfterTheDeadlineAndAFlush) {
    port.replyDelay = 1.5;
    const double t0 = clock.now();
    port.writeByte(0xFF);
    EXPECT_EQ(port.readByte(), -1) << "not arrived yet";
    EXPECT_FALSE(port.waitForByte(t0 + 1.0));
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.0);
    port.discardInput();  // the link flushes before resending: the byte is still on its way
    EXPECT_TRUE(port.waitForByte(t0 + 3.0));
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.5);
    EXPECT_EQ(port.readByte(), 0x55);
    EXPECT_FALSE(port.waitForByte(t0 - 5)) << "a past deadline";
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.5) << "the clock never goes back";
}

TEST_F(SimPortTest, SilentBoardHearsNothingAndRunsTheClockToEachDeadline) {
    port.silent = true;
    const double t0 = clock.now();
    EXPECT_EQ(exchange(0xFF, 1.0), -1);
    EXPECT_EQ(exchange(0xFF, 2.0), -1);
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 3.0);
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF}));
    EXPECT_TRUE(port.received().empty());
    EXPECT_TRUE(board.idle());
}

TEST_F(SimPortTest, DiscardAndCloseDropArrivedAnswers) {
    port.writeByte(0xFF);
    port.writeByte(0x01);
    EXPECT_EQ(port.bytesWaiting(), 2);
    port.discardInput();
    EXPECT_EQ(port.readByte(), -1);
    port.writeByte(0x1F);
    port.close();
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_FALSE(port.writeByte(0xF0));
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x1F}));
}

TEST_F(SimPortTest, WrongEchoComesOnceOnAnAddressByteOnly) {
    port.wrongEchoOnce = true;
    EXPECT_EQ(exchange(0xFF), 0x55);
    EXPECT_EQ(exchange(0x01), 0x55) << "acknowledges are not echoes";
    EXPECT_EQ(exchange(0x1F), 0x1E);
    EXPECT_EQ(exchange(0xF0), 0x2A) << "the board itself kept its framing";
    EXPECT_EQ(exchange(0x1F), 0x1F);
}

TEST_F(SimPortTest, EveryNthByteIsLostOnTheWay) {
    port.dropEvery = 3;
    std::vector<int> answers;
    for (int b : {0xFF, 0x01, 0x1F, 0xFF, 0x01, 0x1F}) answers.push_back(exchange(b));
    EXPECT_EQ(answers, (std::vector<int>{0x55, 0x55, -1, 0x55, 0x55, -1}));
    EXPECT_EQ(port.sent().size(), 6u) << "the PC did send them";
}

}  // namespace
