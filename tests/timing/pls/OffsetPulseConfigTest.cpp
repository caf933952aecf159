// Resolver offset, pulse trains, the configuration block and the live PLS
// values, checked on the wire and in the simulated PLS.
#include "PlsFixture.h"

namespace voran::testing {
namespace {

class PlsValues : public PlsLink {};

Bytes readWord(int code) {
    return {0xFF, code, 0x55, 0x55};
}

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
    EXPECT_EQ(sent(), cat({readWord(24), readWord(40), readWord(72), readWord(88)}));
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
    int written;  // -1: refused
};

class SetOffset : public PlsLink, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(SetOffset, NewOffsetMakesThePresentPositionReadAsDesired) {
    const OffsetCase c = GetParam();
    pls().setBusyPolls(0);
    pls().offset = c.offset;
    pls().raw = (c.offset + c.position) % 360;
    const Bytes reads = cat({readWord(40), readWord(72), readWord(24)});
    EXPECT_EQ(link.SetPLSOffset(c.desired), c.written >= 0);
    if (c.written < 0) {
        EXPECT_EQ(boxes(), warning("Desired Position cannot be greater than Scale Factor of "
                                   "360.\r\n\r\nPLS Offset will not be Programmed.",
                                   "Set PLS Offset"));
        EXPECT_EQ(sent(), reads);
        return;
    }
    EXPECT_EQ(sent(), cat({reads, {0xFF, 42, c.written % 256, c.written / 256}, readyPoll(0)}));
    EXPECT_EQ(pls().offset, c.written);
    EXPECT_EQ(pls().position(), c.desired % 360);
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ScaleFactor360, SetOffset,
    ::testing::Values(OffsetCase{"ToZero", 10, 350, 0, 0}, OffsetCase{"To90", 10, 350, 90, 270},
                      OffsetCase{"EqualToScaleWritesRawCount", 0, 123, 360, 123},
                      OffsetCase{"Wraps", 300, 200, 10, 130},
                      OffsetCase{"AboveTheScaleRefused", 10, 350, 361, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlsValues, ZeroScaleFactorFromTheBoardIsRefusedNotDividedBy) {
    pls().scaleFactor = 0;
    EXPECT_FALSE(link.SetPLSOffset(0));
    EXPECT_EQ(boxes(), warning("The PLS reports a Scale Factor of 0.\r\n\r\n"
                               "PLS Offset will not be Programmed.",
                               "Set PLS Offset"));
    EXPECT_EQ(pls().commandsTaken[42], 0);
}

// --- Pulse train ---------------------------------------------------------------

TEST_F(PlsValues, PulseTrainCarriesStartThenOnAndOffWidths) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(link.PulseTrain(1, 10, 20, 300));
    // The 32-bit word 20 * 256 + 10 = 5130 goes out as 10, 20.
    EXPECT_EQ(sent(), cat({readWord(24), {0xFF, 43, 1, 44, 1, 10, 20, 0}, readyPoll(0)}));
    sim::SimPls::Channel expected;
    expected.pulseTrain = true;
    expected.onWidth = 10;
    expected.offWidth = 20;
    expected.start = 300;
    EXPECT_EQ(pls().channels[1], expected);
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
    EXPECT_EQ(boxes(), warning(std::string(c.text) + "\r\n\r\nPLS Channel will not be Programmed.",
                               "PLS Pulse Train"));
    EXPECT_EQ(sent(), readWord(24));
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
    ScriptedPls refusing(pls());
    refusing.refuse = {43};
    board.setCommands(&refusing);
    EXPECT_FALSE(link.PulseTrain(0, 10, 20, 0));
    EXPECT_EQ(boxes(),
              (std::vector<Box>{{"Error Encountered while Programming Pulse Train.\r\n\r\n"
                                 "PLS Channel will not be Programmed.",
                                 "PLS Pulse Train", MsgButtons::Ok, MsgIcon::Information}}));
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
    EXPECT_TRUE(std::equal(cfg.begin(), cfg.end(), pls().config.begin()));
    EXPECT_EQ(pls().scaleFactor, 720);

    // A block the board refuses ends the download: block 0 failing means
    // blocks 1 to 3 and the scale factor are not sent.
    ScriptedPls refusing(pls());
    refusing.refuse = {59};
    board.setCommands(&refusing);
    port.clearTrace();
    EXPECT_FALSE(link.PLSConfigDownload(sampleConfig(), 360));
    EXPECT_EQ(sent(), (Bytes{0xFF, 59, 0}));
    EXPECT_EQ(pls().scaleFactor, 720);
}

TEST_F(PlsValues, ConfigurationThatCannotTravelIsRefusedBeforeBlockZero) {
    auto cfg = sampleConfig();
    cfg[7] = 300;
    EXPECT_FALSE(link.PLSConfigDownload(cfg, 360));
    EXPECT_FALSE(link.PLSConfigDownload(sampleConfig(), -360));
    const std::string closing = "\r\n\r\nPLS Configuration will not be Downloaded.";
    const std::string title = "PLS Configuration Download";
    EXPECT_EQ(boxes(),
              (std::vector<Box>{
                  warning("Configuration entry 7 holds 300, outside 0 to 255." + closing, title)[0],
                  warning("Scale Factor -360 is outside 1 to 65535." + closing, title)[0]}));
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
    expected.resize(2 + 19, 0x55);
    EXPECT_EQ(sent(), expected);
    const std::array<int, 19> upload = {6, 3, 10, 11, 12, 13, 14, 15, 16, 17};
    EXPECT_EQ(cfg, upload);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PlsValues, ConfigurationUploadOnAClosedLinkSaysSoAndKeepsTheLastBuffer) {
    link.CloseRSComm();
    EXPECT_EQ(link.PLSConfigUpload(), (std::array<int, 19>{})) << "zeros: no upload yet";
    EXPECT_EQ(boxes(), warning("Not able to Upload Configuration from PLS.", "PLS Upload"));

    link.OpenRSComm(port);
    pls().config[0] = 42;
    ASSERT_EQ(link.PLSConfigUpload()[1], 42);
    link.CloseRSComm();
    EXPECT_EQ(link.PLSConfigUpload()[1], 42) << "the previous upload's values";
    EXPECT_EQ(messages.shown.size(), 2u);
}

}  // namespace
}  // namespace voran::testing
