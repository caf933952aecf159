// The 500 ms background update: offline texts, the alarm poll and the
// system message.
#include <QLabel>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "shell/BackgroundUpdate.h"

using namespace voran;
using voran::testing::ShellHarness;

namespace {
std::string panel1(ShellHarness& h) {
    return h.window->panel(1)->text().toStdString();
}
const std::string kTransfer = "***** SYSTEM ALARM *****\r\n Transfer Jam Alarm \r\n\r\n";
const std::string kInfeed = "***** SYSTEM ALARM *****\r\n Infeed Jam Alarm \r\n\r\n";
const std::string kTiming = "***** SYSTEM ALARM *****\r\n Timing Signal Fail Alarm \r\n\r\n";
const std::string kNormal = "-- System Normal --\r\nSet-up Program is Currently ONLINE";
const std::string kFaultsPanel = "System Message:  Faults Active in PLC";
const std::string kNormalPanel = "System Message:  All Faults Normal";
}  // namespace

TEST(BackgroundOffline, TellsOfflineOrCommFaultAndSendsNothing) {
    ShellHarness h;
    h.ticks(1);
    EXPECT_EQ(panel1(h), "System Message:  Program is Currently OFFLINE");
    EXPECT_EQ(h.ctx().StatusMessage, "Set-up Program is Currently OFFLINE");
    h.link().CommError = true;
    h.ticks(1);
    EXPECT_EQ(panel1(h), "System Message:  Comm Fault with K-900");
    EXPECT_EQ(h.ctx().StatusMessage, "Set-up Program is Currently OFFLINE");
    EXPECT_TRUE(h.port.wire.empty());
}

TEST(BackgroundOnline, PollsOneAlarmPerTickStartingWithTheSecond) {
    ShellHarness h;
    h.goOnline();
    h.port.clearTrace();
    h.ticks(4);
    EXPECT_EQ(h.addressesRead(),
              ShellHarness::byteAddressesOf({"B111.6", "B121.7", "B111.4", "B111.6"}));
}

TEST(BackgroundOnline, MessageListsEveryActiveAlarmInTableOrder) {
    struct Case {
        const char* name;
        std::vector<const char*> set;
        std::string message;
        std::string panel;
    };
    const Case cases[] = {
        {"none", {}, kNormal, kNormalPanel},
        {"infeed only", {"B121.7"}, kInfeed, kFaultsPanel},
        {"transfer and infeed", {"B111.4", "B121.7"}, kTransfer + kInfeed, kFaultsPanel},
        {"all three", {"B111.4", "B111.6", "B121.7"}, kTransfer + kTiming + kInfeed, kFaultsPanel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShellHarness h;
        for (const char* a : c.set) ASSERT_TRUE(h.board.preset(a, 1));
        h.goOnline();
        h.ticks(3);
        EXPECT_EQ(h.ctx().StatusMessage, c.message);
        EXPECT_EQ(panel1(h), c.panel);
    }
}

TEST(BackgroundOnline, LastAlarmClearingReturnsToNormalAtTheTickThatReadsIt) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("B111.4", 1));
    h.goOnline();
    h.ticks(3);  // indices 1, 2, 0
    EXPECT_EQ(h.ctx().StatusMessage, kTransfer);
    ASSERT_TRUE(h.board.preset("B111.4", 0));
    h.ticks(2);  // indices 1, 2: the transfer jam is still known as active
    EXPECT_EQ(h.ctx().StatusMessage, kTransfer);
    h.ticks(1);  // index 0
    EXPECT_EQ(h.ctx().StatusMessage, kNormal);
    EXPECT_EQ(panel1(h), kNormalPanel);
}

TEST(BackgroundOnline, CommErrorFreezesMessagePanelAndAlarmStates) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("B111.6", 1));
    h.goOnline();
    h.ticks(1);
    ASSERT_EQ(h.ctx().StatusMessage, kTiming);
    ASSERT_TRUE(h.board.preset("B111.6", 0));
    h.port.silent = true;  // the board stops answering; the box is cancelled
    h.ticks(3);
    EXPECT_TRUE(h.link().CommError);
    EXPECT_EQ(h.ctx().StatusMessage, kTiming);
    EXPECT_EQ(panel1(h), kFaultsPanel);
    EXPECT_TRUE(h.window->background().AlarmActive()[1]);
    // Once a fault stands, further ticks send nothing.
    h.port.clearTrace();
    h.ticks(3);
    EXPECT_TRUE(h.port.sent().empty());
    EXPECT_EQ(h.ctx().StatusMessage, kTiming);
}

TEST(BackgroundOnline, TickInsideALinkBoxDoesNothing) {
    ShellHarness h;
    h.goOnline();
    h.ticks(1);
    const std::string before = h.ctx().StatusMessage;
    h.port.silent = true;
    int reentries = 0;
    h.messages.whileOpen = [&] {
        const std::size_t bytesBefore = h.port.sent().size();
        EXPECT_FALSE(h.window->tmrBackgroungUpdate_Timer());
        EXPECT_EQ(h.port.sent().size(), bytesBefore);
        ++reentries;
    };
    h.link().RSRead("W182");
    EXPECT_GE(reentries, 1);
    EXPECT_EQ(h.window->background().alarmIndex(), 1);
    EXPECT_EQ(h.ctx().StatusMessage, before);
}
