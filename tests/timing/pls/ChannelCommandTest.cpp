// Programming, clearing and recalling PLS channels, checked on the wire and
// in what the simulated PLS holds afterwards.
#include "PlsFixture.h"

namespace voran::testing {
namespace {

const Bytes kReadScale = {0xFF, 24, 0x55, 0x55};

class ChannelCommands : public PlsLink {};

TEST_F(ChannelCommands, SetpointOf300TravelsLowByteFirst) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(link.SingleSetpoint(2, 300, 30));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 2, 44, 1, 30, 0, 1}, readyPoll(0)}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(pls().channels[2], (sim::SimPls::Channel{true, 300, 30}));
    EXPECT_EQ(link.currentMode(), 0);
}

TEST_F(ChannelCommands, ClearFirstSendsAClearingFrameThenTheProgrammingFrame) {
    pls().setBusyPolls(1);
    pls().program(5, 10, 20);
    ASSERT_TRUE(link.SingleSetpoint(5, 180, 240, true));
    EXPECT_EQ(sent(), cat({kReadScale,
                           {0xFF, 27, 5, 0, 0, 0, 0, 0},
                           readyPoll(1),
                           {0xFF, 27, 5, 180, 0, 240, 0, 1},
                           readyPoll(1)}));
    EXPECT_EQ(pls().channels[5], (sim::SimPls::Channel{true, 180, 240}));
}

TEST_F(ChannelCommands, RefusedClearingFrameStopsBeforeTheProgrammingFrame) {
    RefusingPls refusing(pls());
    refusing.refuse = {27};
    board.setCommands(&refusing);
    pls().program(1, 10, 20);
    EXPECT_FALSE(link.SingleSetpoint(1, 180, 240, true));
    // The board refused the channel byte of the clearing frame.
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 1}}));
    EXPECT_EQ(pls().channels[1], (sim::SimPls::Channel{true, 10, 20}));
}

struct LimitCase {
    const char* name;
    int on, off;
    bool accepted;
    int named;  // the setpoint the message names
};

class SetpointLimits : public PlsLink, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(SetpointLimits, SetpointAtOrAboveTheScaleFactorIsRefusedBeforeSending) {
    const LimitCase c = GetParam();
    pls().setBusyPolls(0);
    EXPECT_EQ(link.SingleSetpoint(0, c.on, c.off), c.accepted);
    if (c.accepted) {
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(pls().channels[0], (sim::SimPls::Channel{true, c.on, c.off}));
        return;
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Setpoint setting " + std::to_string(c.named) +
                                          " is greater than scale factor.\r\n\r\n"
                                          "Channel can not be programmed.");
    EXPECT_EQ(messages.shown[0].title, "PLS Single Setpoint");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(sent(), kReadScale) << "only the scale factor was read";
    EXPECT_FALSE(pls().channels[0].programmed);
}

INSTANTIATE_TEST_SUITE_P(ScaleFactor360, SetpointLimits,
                         ::testing::Values(LimitCase{"HighestOn", 359, 0, true, 0},
                                           LimitCase{"HighestOff", 0, 359, true, 0},
                                           LimitCase{"On360", 360, 10, false, 360},
                                           LimitCase{"Off360", 10, 360, false, 360},
                                           LimitCase{"BothOutOnlyOnNamed", 400, 500, false, 400}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelCommands, NegativeSetpointIsRefusedWithoutAnyTraffic) {
    EXPECT_FALSE(link.SingleSetpoint(3, 10, -5));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "OFF setpoint -5 of channel 4 is less than 0.\r\n\r\nChannel can not be programmed.");
    EXPECT_EQ(messages.shown[0].title, "PLS Single Setpoint");
    EXPECT_TRUE(sent().empty());
}

TEST_F(ChannelCommands, SmallerScaleFactorMovesTheLimit) {
    pls().scaleFactor = 100;
    EXPECT_TRUE(link.SingleSetpoint(0, 99, 0));
    EXPECT_FALSE(link.SingleSetpoint(0, 0, 100));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.substr(0, 21), "Setpoint setting 100 ");
}

TEST_F(ChannelCommands, ClearChannelSendsFlagZeroAndEmptiesIt) {
    pls().setBusyPolls(0);
    pls().program(7, 1, 2);
    EXPECT_TRUE(link.ClearPLSChan(7));
    EXPECT_EQ(sent(), cat({{0xFF, 27, 7, 0, 0, 0, 0, 0}, readyPoll(0)}));
    EXPECT_FALSE(pls().channels[7].programmed);
}

TEST_F(ChannelCommands, FailedLinkSendsNothingAndShowsNothing) {
    link.CommError = true;
    EXPECT_FALSE(link.SingleSetpoint(0, 10, 20));
    EXPECT_FALSE(link.ClearPLSChan(0));
    EXPECT_FALSE(link.RecallChannel(0));
    EXPECT_EQ(link.PLSScaleFactor(), "-9999");
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(messages.shown.empty());
}

// --- Recall ----------------------------------------------------------------

TEST_F(ChannelCommands, TwoRecallsGiveTheOnThenTheOffSetpoint) {
    pls().program(3, 360, 45);
    ASSERT_TRUE(link.RecallChannel(3));
    EXPECT_EQ(sent(), (Bytes{0xFF, 9, 3, 0x55, 0x55, 0x55}));
    EXPECT_EQ(port.received(), (std::vector<std::uint8_t>{0x55, 0x55, 0x55, 1, 104, 1}));
    EXPECT_EQ(link.ChannelRecallState(), 1);
    EXPECT_EQ(link.ChannelRecallPos(), 360);
    ASSERT_TRUE(link.RecallChannel(3));
    EXPECT_EQ(link.ChannelRecallState(), 0);
    EXPECT_EQ(link.ChannelRecallPos(), 45);
}

TEST_F(ChannelCommands, HighByteAbove16MakesTheRecallInvalid) {
    pls().program(0, 17 * 256, 0);
    EXPECT_FALSE(link.RecallChannel(0));
    EXPECT_EQ(link.ChannelRecallState(), 2);
    EXPECT_EQ(link.ChannelRecallPos(), 0);
}

TEST_F(ChannelCommands, UnprogrammedChannelRecallsWithNeitherState) {
    pls().program(4, 100, 200);
    ASSERT_TRUE(link.RecallChannel(4));  // ON 100 now in the recall state
    ASSERT_TRUE(link.RecallChannel(6));
    EXPECT_NE(link.ChannelRecallState(), 0);
    EXPECT_NE(link.ChannelRecallState(), 1);
    EXPECT_EQ(link.ChannelRecallPos(), 0);
}

TEST_F(ChannelCommands, ChannelNumberOutsideAByteSendsNothing) {
    EXPECT_FALSE(link.ClearPLSChan(256));
    EXPECT_FALSE(link.RecallChannel(-1));
    EXPECT_TRUE(sent().empty());
}

TEST_F(ChannelCommands, TimerInsideTheRefusalBoxFindsTheLinkBusy) {
    std::string readInsideBox;
    messages.whileOpen = [&] { readInsideBox = link.PLSPos(); };
    EXPECT_FALSE(link.SingleSetpoint(0, 360, 0));
    EXPECT_EQ(readInsideBox, "-9999");
    EXPECT_EQ(sent(), kReadScale) << "no traffic from inside the box";
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(link.PLSPos(), "0") << "the link is free again afterwards";
}

}  // namespace
}  // namespace voran::testing
