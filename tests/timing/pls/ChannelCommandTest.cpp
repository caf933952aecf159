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

    // A refused clearing frame stops before the programming frame.
    ScriptedPls refusing(pls());
    refusing.refuse = {27};
    board.setCommands(&refusing);
    port.clearTrace();
    EXPECT_FALSE(link.SingleSetpoint(5, 1, 2, true));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 5}}));
    EXPECT_EQ(pls().channels[5], (sim::SimPls::Channel{true, 180, 240}));
}

struct LimitCase {
    const char* name;
    int scale, on, off;
    const char* text;  // the refusal before the closing line; empty: accepted
    bool readsScale;   // the scale factor was read before the refusal
};

class SetpointLimits : public PlsLink, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(SetpointLimits, SetpointOutsideTheScaleIsRefusedBeforeAnyFrame) {
    const LimitCase c = GetParam();
    pls().setBusyPolls(0);
    pls().scaleFactor = c.scale;
    const bool accepted = std::string(c.text).empty();
    EXPECT_EQ(link.SingleSetpoint(3, c.on, c.off), accepted);
    if (accepted) {
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(pls().channels[3], (sim::SimPls::Channel{true, c.on, c.off}));
        return;
    }
    EXPECT_EQ(boxes(), warning(std::string(c.text) + "\r\n\r\nChannel can not be programmed.",
                               "PLS Single Setpoint"));
    EXPECT_EQ(sent(), c.readsScale ? kReadScale : Bytes{});
    EXPECT_FALSE(pls().channels[3].programmed);
}

INSTANTIATE_TEST_SUITE_P(
    Setpoints, SetpointLimits,
    ::testing::Values(LimitCase{"HighestOn", 360, 359, 0, "", true},
                      LimitCase{"HighestOff", 360, 0, 359, "", true},
                      LimitCase{"On360", 360, 360, 10,
                                "Setpoint setting 360 is greater than scale factor.", true},
                      LimitCase{"Off360", 360, 10, 360,
                                "Setpoint setting 360 is greater than scale factor.", true},
                      LimitCase{"BothOutOnlyOnNamed", 360, 400, 500,
                                "Setpoint setting 400 is greater than scale factor.", true},
                      LimitCase{"SmallerScale", 100, 0, 100,
                                "Setpoint setting 100 is greater than scale factor.", true},
                      LimitCase{"NegativeOffFromAFile", 360, 10, -5,
                                "OFF setpoint -5 of channel 4 is less than 0.", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelCommands, ClearChannelSendsFlagZeroAndEmptiesIt) {
    pls().setBusyPolls(0);
    pls().program(7, 1, 2);
    EXPECT_TRUE(link.ClearPLSChan(7));
    EXPECT_EQ(sent(), cat({{0xFF, 27, 7, 0, 0, 0, 0, 0}, readyPoll(0)}));
    EXPECT_FALSE(pls().channels[7].programmed);
}

TEST_F(ChannelCommands, FailedLinkOrChannelOutsideAByteSendsNothingAndShowsNothing) {
    EXPECT_FALSE(link.ClearPLSChan(256));
    EXPECT_FALSE(link.RecallChannel(-1));
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

    // An unprogrammed channel answers neither state.
    ASSERT_TRUE(link.RecallChannel(6));
    EXPECT_EQ(link.ChannelRecallState(), 2);
    EXPECT_EQ(link.ChannelRecallPos(), 0);
}

TEST_F(ChannelCommands, HighByteAbove16MakesTheRecallInvalid) {
    pls().program(0, 17 * 256, 0);
    EXPECT_FALSE(link.RecallChannel(0));
    EXPECT_EQ(link.ChannelRecallState(), 2);
    EXPECT_EQ(link.ChannelRecallPos(), 0);
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
