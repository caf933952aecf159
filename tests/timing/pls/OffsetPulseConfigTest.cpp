// Resolver offset, pulse trains, the configuration block and the live PLS
// values, checked on the wire and in the simulated PLS.
#include "PlsFixture.h"

namespace voran::testing {
namespace {

class PlsValues : public PlsLink {};

// --- Live values -------------------------------------------------------------

TEST_F(PlsValues, LiveValuesAreReadAsTwoBytesLowFirst) {
    pls().scaleFactor = 1000;
    pls().offset = 12;
    pls().raw = 12 + 777;
    pls().rpm = 300;
    EXPECT_EQ(link.PLSScaleFactor(), "1000");
    EXPECT_EQ(link.PLSOffset(), "12");
    EXPECT_EQ(link.PLSPos(), "777");
    EXPECT_EQ(link.PLSRpm(), "300");
    EXPECT_EQ(sent(), cat({{0xFF, 24, 0x55, 0x55},
                           {0xFF, 40, 0x55, 0x55},
                           {0xFF, 72, 0x55, 0x55},
                           {0xFF, 88, 0x55, 0x55}}));
    EXPECT_EQ(link.currentMode(), 0);

    link.CloseRSComm();
    port.clearTrace();
    EXPECT_EQ(link.PLSScaleFactor(), "-9999") << "closed link";
    EXPECT_EQ(link.PLSPos(), "-9999");
    EXPECT_TRUE(sent().empty());
}

TEST_F(PlsValues, RunningMachineMovesThePosition) {
    pls().rpm = 60;  // one turn a second
    pls().tick(0.25);
    EXPECT_EQ(link.PLSPos(), "90");
    pls().tick(1.0);
    EXPECT_EQ(link.PLSPos(), "90");
}

// --- Resolver offset -----------------------------------------------------------

struct OffsetCase {
    const char* name;
    int offset, position, desired;
    int written;
};

class SetOffset : public PlsLink, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(SetOffset, NewOffsetMakesThePresentPositionReadAsDesired) {
    const OffsetCase c = GetParam();
    pls().setBusyPolls(0);
    pls().offset = c.offset;
    pls().raw = (c.offset + c.position) % 360;
    ASSERT_TRUE(link.SetPLSOffset(c.desired));
    EXPECT_EQ(sent(), cat({{0xFF, 40, 0x55, 0x55},
                           {0xFF, 72, 0x55, 0x55},
                           {0xFF, 24, 0x55, 0x55},
                           {0xFF, 42, c.written % 256, c.written / 256},
                           readyPoll(0)}));
    EXPECT_EQ(pls().offset, c.written);
    EXPECT_EQ(pls().position(), c.desired % 360);
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ScaleFactor360, SetOffset,
    ::testing::Values(OffsetCase{"ToZero", 10, 350, 0, 0}, OffsetCase{"To90", 10, 350, 90, 270},
                      OffsetCase{"EqualToScaleWritesRawCount", 0, 123, 360, 123},
                      OffsetCase{"Wraps", 300, 200, 10, 130}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlsValues, DesiredPositionAboveTheScaleFactorIsRefused) {
    EXPECT_FALSE(link.SetPLSOffset(361));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Desired Position cannot be greater than Scale Factor of 360.\r\n\r\n"
              "PLS Offset will not be Programmed.");
    EXPECT_EQ(messages.shown[0].title, "Set PLS Offset");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(sent(),
              cat({{0xFF, 40, 0x55, 0x55}, {0xFF, 72, 0x55, 0x55}, {0xFF, 24, 0x55, 0x55}}));
}

TEST_F(PlsValues, ZeroScaleFactorFromTheBoardIsRefusedNotDividedBy) {
    pls().scaleFactor = 0;
    EXPECT_FALSE(link.SetPLSOffset(0));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Set PLS Offset");
    EXPECT_EQ(pls().commandsTaken[42], 0);
}

// --- Pulse train ---------------------------------------------------------------

TEST_F(PlsValues, PulseTrainCarriesStartThenOnAndOffWidths) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(link.PulseTrain(1, 10, 20, 300));
    // The 32-bit word 20 * 256 + 10 = 5130 goes out as 10, 20.
    EXPECT_EQ(sent(), cat({{0xFF, 24, 0x55, 0x55}, {0xFF, 43, 1, 44, 1, 10, 20, 0}, readyPoll(0)}));
    EXPECT_TRUE(pls().channels[1].pulseTrain);
    EXPECT_EQ(pls().channels[1].onWidth, 10);
    EXPECT_EQ(pls().channels[1].offWidth, 20);
    EXPECT_EQ(pls().channels[1].start, 300);
}

struct PulseCase {
    const char* name;
    int on, off, start;
    const char* text;  // before the closing line
};

class PulseRefusal : public PlsLink, public ::testing::WithParamInterface<PulseCase> {};

TEST_P(PulseRefusal, RefusedPulseTrainNamesTheRuleAndSendsNoFrame) {
    const PulseCase c = GetParam();
    EXPECT_FALSE(link.PulseTrain(0, c.on, c.off, c.start));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              std::string(c.text) + "\r\n\r\nPLS Channel will not be Programmed.");
    EXPECT_EQ(messages.shown[0].title, "PLS Pulse Train");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(sent(), (Bytes{0xFF, 24, 0x55, 0x55}));
}

INSTANTIATE_TEST_SUITE_P(
    ScaleFactor360, PulseRefusal,
    ::testing::Values(
        PulseCase{"OnZeroBeforeEverythingElse", 0, 25, 999,
                  "ON Division and OFF Division Must be Greater Than 0."},
        PulseCase{"OffZero", 10, 0, 0, "ON Division and OFF Division Must be Greater Than 0."},
        PulseCase{"NegativeWidth", 370, -10, 0,
                  "ON Division and OFF Division Must be Greater Than 0."},
        PulseCase{"NotADivisor", 10, 25, 0,
                  "ON Division Plus OFF Division\r\nMust be a Multiple of 360."},
        PulseCase{"WidthAboveAByte", 300, 60, 0,
                  "ON Division and OFF Division Must Not Be Greater Than 255."},
        PulseCase{"StartAtScale", 10, 20, 360, "Start Position Must Not Be Greater Than 359."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlsValues, PulseTrainRefusedByTheBoardSaysSoWithInformationIcon) {
    RefusingPls refusing(pls());
    refusing.refuse = {43};
    board.setCommands(&refusing);
    EXPECT_FALSE(link.PulseTrain(0, 10, 20, 0));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Error Encountered while Programming Pulse Train.\r\n\r\n"
              "PLS Channel will not be Programmed.");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
}

// --- Configuration block -------------------------------------------------------

std::array<int, 24> sampleConfig() {
    std::array<int, 24> cfg{};
    for (int k = 0; k < 24; ++k) cfg[k] = (k * 11) % 256;
    return cfg;
}

TEST_F(PlsValues, ConfigurationDownloadSendsFourBlocksThenTheScaleFactor) {
    pls().setBusyPolls(0);
    const auto cfg = sampleConfig();
    ASSERT_TRUE(link.PLSConfigDownload(cfg, 720));
    Bytes expected;
    const int codes[] = {59, 75, 91, 107};
    for (int b = 0; b < 4; ++b) {
        expected = cat({expected, {0xFF, codes[b]}});
        for (int k = 0; k < 6; ++k) expected.push_back(cfg[6 * b + k]);
        expected = cat({expected, readyPoll(0)});
    }
    expected = cat({expected, {0xFF, 26, 720 % 256, 720 / 256}, readyPoll(0)});
    EXPECT_EQ(sent(), expected);
    for (int k = 0; k < 24; ++k) EXPECT_EQ(pls().config[k], cfg[k]) << "entry " << k;
    EXPECT_EQ(pls().scaleFactor, 720);
}

TEST_F(PlsValues, FailedBlockEndsTheConfigurationDownload) {
    RefusingPls refusing(pls());
    refusing.refuse = {59};
    board.setCommands(&refusing);
    EXPECT_FALSE(link.PLSConfigDownload(sampleConfig(), 720));
    EXPECT_EQ(sent(), (Bytes{0xFF, 59, 0}));
    for (int code : {75, 91, 107, 26}) EXPECT_EQ(pls().commandsTaken[code], 0) << code;
    EXPECT_EQ(pls().scaleFactor, 360);
}

TEST_F(PlsValues, ConfigurationThatCannotTravelIsRefusedBeforeBlockZero) {
    auto cfg = sampleConfig();
    cfg[7] = 300;
    EXPECT_FALSE(link.PLSConfigDownload(cfg, 360));
    EXPECT_FALSE(link.PLSConfigDownload(sampleConfig(), -360));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "Configuration entry 7 holds 300, outside 0 to 255.\r\n\r\n"
              "PLS Configuration will not be Downloaded.");
    EXPECT_EQ(messages.shown[0].title, "PLS Configuration Download");
    EXPECT_EQ(messages.shown[1].text,
              "Scale Factor -360 is outside 1 to 65535.\r\n\r\n"
              "PLS Configuration will not be Downloaded.");
    EXPECT_TRUE(sent().empty());
}

TEST_F(PlsValues, ConfigurationUploadReadsNineteenBytesInUploadOrder) {
    pls().config = {};
    pls().config[18] = 6;  // channel count
    pls().config[0] = 3;   // program number
    for (int k = 0; k < 4; ++k) pls().config[1 + k] = 10 + k;
    for (int k = 4; k < 8; ++k) pls().config[2 + k] = 10 + k;
    const auto cfg = link.PLSConfigUpload();
    Bytes expected = {0xFF, 12};
    for (int k = 0; k < 19; ++k) expected.push_back(0x55);
    EXPECT_EQ(sent(), expected);
    EXPECT_EQ(cfg[0], 6);
    EXPECT_EQ(cfg[1], 3);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(cfg[2 + k], 10 + k);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PlsValues, ConfigurationUploadOnAClosedLinkSaysSoAndKeepsTheLastBuffer) {
    link.CloseRSComm();
    auto cfg = link.PLSConfigUpload();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Not able to Upload Configuration from PLS.");
    EXPECT_EQ(messages.shown[0].title, "PLS Upload");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(cfg, (std::array<int, 19>{})) << "zeros when nothing was ever uploaded";

    link.OpenRSComm(port);
    pls().config[0] = 42;
    ASSERT_EQ(link.PLSConfigUpload()[1], 42);
    link.CloseRSComm();
    EXPECT_EQ(link.PLSConfigUpload()[1], 42) << "the previous upload's values";
    EXPECT_EQ(messages.shown.size(), 2u);
}

}  // namespace
}  // namespace voran::testing
