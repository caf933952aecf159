// The PLS commands of the link, checked on the wire, in the boxes shown and
// in what the simulated PLS holds afterwards.
#include <functional>

#include "PlsFixture.h"

namespace voran::testing {
namespace {

using Channel = sim::SimPls::Channel;
const Bytes kReadScale = readWord(24);

class PlsCommands : public PlsLink {};

// --- Live values ---------------------------------------------------------------

TEST_F(PlsCommands, LiveValuesAreReadAsTwoBytesLowFirstAndFollowTheMachine) {
    pls().scaleFactor = 1000;
    pls().offset = 12;
    pls().raw = 12 + 777;
    pls().rpm = 300;
    EXPECT_EQ((std::vector{link.PLSScaleFactor(), link.PLSOffset(), link.PLSPos(), link.PLSRpm()}),
              (std::vector<std::string>{"1000", "12", "777", "300"}));
    EXPECT_EQ(sent(), cat({readWord(24), readWord(40), readWord(72), readWord(88)}));
    EXPECT_EQ(link.currentMode(), 0);
    pls().rpm = 60;  // one turn a second
    pls().tick(0.25);
    EXPECT_EQ(link.PLSPos(), "27") << "a quarter turn on, past the top";
}

TEST_F(PlsCommands, FailedLinkOrChannelOutsideAByteSendsNothingAndShowsNothing) {
    EXPECT_FALSE(link.ClearPLSChan(256));
    EXPECT_FALSE(link.RecallChannel(-1));
    link.CommError = true;
    EXPECT_FALSE(link.SingleSetpoint(0, 10, 20));
    EXPECT_FALSE(link.ClearPLSChan(0));
    EXPECT_FALSE(link.RecallChannel(0));
    EXPECT_EQ(link.PLSScaleFactor(), "-9999");
    link.CloseRSComm();
    EXPECT_EQ(link.PLSPos(), "-9999");
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(messages.shown.empty());
}

// --- Setpoints -----------------------------------------------------------------

TEST_F(PlsCommands, SetpointOf300TravelsLowByteFirst) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(link.SingleSetpoint(2, 300, 30));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 2, 44, 1, 30, 0, 1}, readyPoll(0)}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(pls().channels[2], (Channel{true, 300, 30}));
    // The highest setpoints the scale factor of 360 allows.
    ASSERT_TRUE(link.SingleSetpoint(4, 359, 0));
    ASSERT_TRUE(link.SingleSetpoint(6, 0, 359));
    EXPECT_EQ(pls().channels[4], (Channel{true, 359, 0}));
    EXPECT_EQ(pls().channels[6], (Channel{true, 0, 359}));
}

TEST_F(PlsCommands, ClearFirstSendsAClearingFrameThenTheProgrammingFrame) {
    pls().setBusyPolls(1);
    pls().program(5, 10, 20);
    ASSERT_TRUE(link.SingleSetpoint(5, 180, 240, true));
    const Bytes clear5 = {0xFF, 27, 5, 0, 0, 0, 0, 0}, program5 = {0xFF, 27, 5, 180, 0, 240, 0, 1};
    EXPECT_EQ(sent(), cat({kReadScale, clear5, readyPoll(1), program5, readyPoll(1)}));
    EXPECT_EQ(pls().channels[5], (Channel{true, 180, 240}));

    // A refused clearing frame stops before the programming frame.
    refuse({27});
    port.clearTrace();
    EXPECT_FALSE(link.SingleSetpoint(5, 1, 2, true));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 5}}));
    EXPECT_EQ(pls().channels[5], (Channel{true, 180, 240}));
}

TEST_F(PlsCommands, TimerInsideTheRefusalBoxFindsTheLinkBusy) {
    std::string readInsideBox;
    messages.whileOpen = [&] { readInsideBox = link.PLSPos(); };
    EXPECT_FALSE(link.SingleSetpoint(0, 360, 0));
    EXPECT_EQ(readInsideBox, "-9999");
    EXPECT_EQ(sent(), kReadScale) << "no traffic from inside the box";
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(link.PLSPos(), "0") << "the link is free again afterwards";
}

// --- Recall ----------------------------------------------------------------------

TEST_F(PlsCommands, TwoRecallsGiveTheOnThenTheOffSetpoint) {
    pls().program(3, 360, 45);
    ASSERT_TRUE(link.RecallChannel(3));
    EXPECT_EQ(sent(), (Bytes{0xFF, 9, 3, 0x55, 0x55, 0x55}));
    EXPECT_EQ(port.received(), (std::vector<std::uint8_t>{0x55, 0x55, 0x55, 1, 104, 1}));
    EXPECT_EQ(std::pair(link.ChannelRecallState(), link.ChannelRecallPos()), std::pair(1, 360));
    ASSERT_TRUE(link.RecallChannel(3));
    EXPECT_EQ(std::pair(link.ChannelRecallState(), link.ChannelRecallPos()), std::pair(0, 45));
    ASSERT_TRUE(link.RecallChannel(6)) << "unprogrammed: neither state";
    EXPECT_EQ(std::pair(link.ChannelRecallState(), link.ChannelRecallPos()), std::pair(2, 0));
    pls().program(0, 17 * 256, 0);
    EXPECT_FALSE(link.RecallChannel(0)) << "a high byte above 16 is invalid";
    EXPECT_EQ(std::pair(link.ChannelRecallState(), link.ChannelRecallPos()), std::pair(2, 0));
}

// --- Resolver offset -------------------------------------------------------------

struct OffsetCase {
    int offset, position, desired, written;
};

class SetOffset : public PlsLink, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(SetOffset, NewOffsetMakesThePresentPositionReadAsDesired) {
    const OffsetCase c = GetParam();
    pls().setBusyPolls(0);
    pls().offset = c.offset;
    pls().raw = (c.offset + c.position) % 360;
    ASSERT_TRUE(link.SetPLSOffset(c.desired));
    EXPECT_EQ(sent(), cat({readWord(40),
                           readWord(72),
                           readWord(24),
                           {0xFF, 42, c.written % 256, c.written / 256},
                           readyPoll(0)}));
    EXPECT_EQ(pls().offset, c.written);
    EXPECT_EQ(pls().position(), c.desired % 360);
    EXPECT_TRUE(messages.shown.empty());
}

// The last: a desired position equal to the scale writes the raw count.
INSTANTIATE_TEST_SUITE_P(Scale360, SetOffset,
                         ::testing::Values(OffsetCase{10, 350, 0, 0}, OffsetCase{10, 350, 90, 270},
                                           OffsetCase{300, 200, 10, 130},
                                           OffsetCase{0, 123, 360, 123}));

// --- Pulse train -----------------------------------------------------------------

TEST_F(PlsCommands, PulseTrainCarriesStartThenOnAndOffWidths) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(link.PulseTrain(1, 10, 20, 300));
    // The 32-bit word 20 * 256 + 10 = 5130 goes out as 10, 20.
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 43, 1, 44, 1, 10, 20, 0}, readyPoll(0)}));
    EXPECT_EQ(pls().channels[1], (Channel{false, 0, 0, true, 10, 20, 300}));

    refuse({43});
    EXPECT_FALSE(link.PulseTrain(0, 10, 20, 0));
    EXPECT_EQ(boxes(), (std::vector<Box>{box("Error Encountered while Programming Pulse Train."
                                             "\r\n\r\nPLS Channel will not be Programmed.",
                                             "PLS Pulse Train", MsgIcon::Information)}));
}

// --- Configuration block ---------------------------------------------------------

std::array<int, 24> sampleConfig() {
    std::array<int, 24> cfg{};
    for (int k = 0; k < 24; ++k) cfg[k] = (k * 11) % 256;
    return cfg;
}

TEST_F(PlsCommands, ConfigurationDownloadSendsFourBlocksThenTheScaleFactor) {
    pls().setBusyPolls(0);
    const auto cfg = sampleConfig();
    ASSERT_TRUE(link.PLSConfigDownload(cfg, 720));
    Bytes expected;
    for (int b = 0; b < 4; ++b)
        expected =
            cat({expected, {0xFF, 59 + 16 * b}, Bytes(&cfg[6 * b], &cfg[6 * b + 6]), readyPoll(0)});
    EXPECT_EQ(sent(), cat({expected, {0xFF, 26, 720 % 256, 720 / 256}, readyPoll(0)}));
    EXPECT_TRUE(std::equal(cfg.begin(), cfg.end(), pls().config.begin()));
    EXPECT_EQ(pls().scaleFactor, 720);

    // A refused block 0 ends the download: no blocks 1 to 3, no scale factor.
    refuse({59});
    port.clearTrace();
    EXPECT_FALSE(link.PLSConfigDownload(sampleConfig(), 360));
    EXPECT_EQ(sent(), (Bytes{0xFF, 59, 0}));
    EXPECT_EQ(pls().scaleFactor, 720);
}

TEST_F(PlsCommands, ConfigurationUploadReadsNineteenBytesOrSaysWhyNot) {
    link.CloseRSComm();
    EXPECT_EQ(link.PLSConfigUpload(), (std::array<int, 19>{})) << "zeros: no upload yet";
    EXPECT_EQ(boxes(), warning("Not able to Upload Configuration from PLS.", "PLS Upload"));

    link.OpenRSComm(port);
    port.clearTrace();
    pls().config[0] = 42;  // the program number, second in the upload
    const auto upload = link.PLSConfigUpload();
    EXPECT_EQ(upload[1], 42);
    EXPECT_EQ(sent(), cat({{0xFF, 12}, Bytes(19, 0x55)}));
    link.CloseRSComm();
    EXPECT_EQ(link.PLSConfigUpload(), upload) << "the previous upload's values";
    EXPECT_EQ(messages.shown.size(), 2u);
}

// --- Refusals --------------------------------------------------------------------

struct Command {
    const char* title;
    const char* closing;
};
const Command kSetpoint{"PLS Single Setpoint", "Channel can not be programmed."};
const Command kOffset{"Set PLS Offset", "PLS Offset will not be Programmed."};
const Command kPulse{"PLS Pulse Train", "PLS Channel will not be Programmed."};
const Command kConfig{"PLS Configuration Download", "PLS Configuration will not be Downloaded."};

struct Refusal {
    int scale;
    std::function<bool()> call;
    Command command;
    std::string text;
    Bytes wire = kReadScale;  // what went out before the refusal
};

TEST_F(PlsCommands, RefusedCommandNamesTheRuleInOneBoxAndProgramsNothing) {
    auto beyond = [](int v) {
        return "Setpoint setting " + std::to_string(v) + " is greater than scale factor.";
    };
    const Bytes offsetReads = cat({readWord(40), readWord(72), readWord(24)});
    const std::string widths = "ON Division and OFF Division Must be Greater Than 0.";
    auto cfg = sampleConfig();
    cfg[7] = 300;
    const Refusal rows[] = {
        {360, [&] { return link.SingleSetpoint(3, 360, 10); }, kSetpoint, beyond(360)},
        {360, [&] { return link.SingleSetpoint(3, 10, 360); }, kSetpoint, beyond(360)},
        {360, [&] { return link.SingleSetpoint(3, 400, 500); }, kSetpoint, beyond(400)},
        {100, [&] { return link.SingleSetpoint(3, 0, 100); }, kSetpoint, beyond(100)},
        {360, [&] { return link.SingleSetpoint(3, 10, -5); }, kSetpoint,
         "OFF setpoint -5 of channel 4 is less than 0.", Bytes{}},
        {360, [&] { return link.SetPLSOffset(361); }, kOffset,
         "Desired Position cannot be greater than Scale Factor of 360.", offsetReads},
        {0, [&] { return link.SetPLSOffset(0); }, kOffset, "The PLS reports a Scale Factor of 0.",
         offsetReads},
        {360, [&] { return link.PulseTrain(0, 0, 25, 999); }, kPulse, widths},  // before all else
        {360, [&] { return link.PulseTrain(0, 10, 0, 0); }, kPulse, widths},
        {360, [&] { return link.PulseTrain(0, 370, -10, 0); }, kPulse, widths},
        {360, [&] { return link.PulseTrain(0, 10, 25, 0); }, kPulse,
         "ON Division Plus OFF Division\r\nMust be a Multiple of 360."},
        {360, [&] { return link.PulseTrain(0, 300, 60, 0); }, kPulse,
         "ON Division and OFF Division Must Not Be Greater Than 255."},
        {360, [&] { return link.PulseTrain(0, 10, 20, 360); }, kPulse,
         "Start Position Must Not Be Greater Than 359."},
        {360, [&] { return link.PLSConfigDownload(cfg, 360); }, kConfig,
         "Configuration entry 7 holds 300, outside 0 to 255.", Bytes{}},
        {360, [&] { return link.PLSConfigDownload(sampleConfig(), -360); }, kConfig,
         "Scale Factor -360 is outside 1 to 65535.", Bytes{}},
    };
    for (const Refusal& r : rows) {
        SCOPED_TRACE(r.text);
        pls().scaleFactor = r.scale;
        messages.shown.clear();
        port.clearTrace();
        EXPECT_FALSE(r.call());
        EXPECT_EQ(boxes(), warning(r.text + "\r\n\r\n" + r.command.closing, r.command.title));
        EXPECT_EQ(sent(), r.wire);
    }
    for (int write : {26, 27, 42, 43, 59}) EXPECT_EQ(pls().commandsTaken[write], 0) << write;
    EXPECT_EQ(pls().channels, (std::array<Channel, 8>{}));
}

}  // namespace
}  // namespace voran::testing
