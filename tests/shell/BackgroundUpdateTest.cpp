// The 500 ms background update: offline texts, the alarm poll and the
// system message.
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "shell/BackgroundUpdate.h"

using namespace voran;
using voran::testing::ShellHarness;

namespace {
const std::string kAlarm = "***** SYSTEM ALARM *****\r\n ";
const std::string kTransfer = kAlarm + "Transfer Jam Alarm \r\n\r\n";
const std::string kInfeed = kAlarm + "Infeed Jam Alarm \r\n\r\n";
const std::string kTiming = kAlarm + "Timing Signal Fail Alarm \r\n\r\n";
const std::string kNormal = "-- System Normal --\r\nSet-up Program is Currently ONLINE";
const std::string kFaultsPanel = "System Message:  Faults Active in PLC";
}  // namespace

TEST(BackgroundOffline, TellsOfflineOrCommFaultAndSendsNothing) {
    ShellHarness h;
    for (const bool fault : {false, true}) {
        h.link().CommError = fault;
        h.ticks(1);
        EXPECT_EQ(h.panel(1), fault ? "System Message:  Comm Fault with K-900"
                                    : "System Message:  Program is Currently OFFLINE");
        EXPECT_EQ(h.ctx().StatusMessage, "Set-up Program is Currently OFFLINE");
    }
    EXPECT_TRUE(h.port.wire.empty());
}

TEST(BackgroundOnline, PollsOneAlarmPerTickStartingWithTheSecond) {
    ShellHarness h;
    h.goOnline();
    h.clearTrace();
    h.ticks(4);
    EXPECT_EQ(h.addressesRead(),
              ShellHarness::byteAddressesOf({"B111.6", "B121.7", "B111.4", "B111.6"}));
}

TEST(BackgroundOnline, MessageListsEveryActiveAlarmInTableOrder) {
    const std::tuple<std::vector<const char*>, std::string, std::string> cases[] = {
        {{}, kNormal, "System Message:  All Faults Normal"},
        {{"B121.7"}, kInfeed, kFaultsPanel},
        {{"B111.4", "B121.7"}, kTransfer + kInfeed, kFaultsPanel},
    };
    for (const auto& [set, message, panel] : cases) {
        ShellHarness h;
        for (const char* a : set) ASSERT_TRUE(h.board.preset(a, 1));
        h.goOnline();
        h.ticks(3);
        EXPECT_EQ(h.ctx().StatusMessage, message);
        EXPECT_EQ(h.panel(1), panel);
    }
}

TEST(BackgroundOnline, CommErrorFreezesMessagePanelAndAlarmStatesAndStopsThePoll) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("B111.6", 1));
    h.goOnline();
    h.ticks(1);
    ASSERT_EQ(h.ctx().StatusMessage, kTiming);
    ASSERT_TRUE(h.board.preset("B111.6", 0));
    h.port.silent = true;  // the board stops answering; the box is cancelled
    h.ticks(3);
    EXPECT_TRUE(h.link().CommError);
    h.clearTrace();
    h.ticks(3);
    EXPECT_TRUE(h.port.sent().empty());
    EXPECT_EQ(h.ctx().StatusMessage, kTiming);
    EXPECT_EQ(h.panel(1), kFaultsPanel);
}

TEST(BackgroundOnline, TickInsideALinkBoxDoesNothing) {
    ShellHarness h;
    h.goOnline();
    h.ticks(1);
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
}
