// The PLS commands of the link, checked on the wire, in the boxes shown and
// in what the simulated PLS holds afterwards.
#include <functional>

#include "PlsFixture.h"
#include "timing/PlsCommands.h"

namespace voran::testing {
namespace {

using Channel = sim::SimPls::Channel;
const Bytes kReadScale = readWord(24);

class PlsCommands : public PlsLink {};

TEST_F(PlsCommands, LiveValuesAreReadAsTwoBytesLowFirst) {
    std::tie(pls().scaleFactor, pls().offset, pls().raw, pls().rpm) =
        std::tuple(1000, 12, 789, 300);
    EXPECT_EQ((std::vector{once(&pls::PLSScaleFactor), once(&pls::PLSOffset), once(&pls::PLSPos),
                           once(&pls::PLSRpm)}),
              (std::vector<std::optional<int>>{1000, 12, 777, 300}));
    EXPECT_EQ(sent(), cat({readWord(24), readWord(40), readWord(72), readWord(88)}));
}

TEST_F(PlsCommands, SetpointOf300TravelsLowByteFirstAndAClearingFrameGoesFirstWhenAsked) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(once([&](auto& t) { return pls::SingleSetpoint(t, 2, 300, 30); }));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 2, 44, 1, 30, 0, 1}, readyPoll(0)}));
    EXPECT_EQ(pls().channels[2], (Channel{true, 300, 30}));
    // The highest setpoint the scale of 360 allows.
    ASSERT_TRUE(once([&](auto& t) { return pls::SingleSetpoint(t, 4, 359, 0); }));
    EXPECT_EQ(pls().channels[4], (Channel{true, 359, 0}));
    EXPECT_TRUE(messages.shown.empty());

    // Clear first: a clearing frame, then the programming frame.
    port.clearTrace();
    pls().setBusyPolls(1);
    pls().program(5, 10, 20);
    ASSERT_TRUE(once([&](auto& t) { return pls::SingleSetpoint(t, 5, 180, 240, true); }));
    const Bytes clear5 = {0xFF, 27, 5, 0, 0, 0, 0, 0}, program5 = {0xFF, 27, 5, 180, 0, 240, 0, 1};
    EXPECT_EQ(sent(), cat({kReadScale, clear5, readyPoll(1), program5, readyPoll(1)}));
    EXPECT_EQ(pls().channels[5], (Channel{true, 180, 240}));
    // A refused clearing frame stops before the programming frame.
    refuse({27});
    port.clearTrace();
    EXPECT_FALSE(once([&](auto& t) { return pls::SingleSetpoint(t, 5, 1, 2, true); }));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 5}}));
    EXPECT_EQ(pls().channels[5], (Channel{true, 180, 240}));
}

TEST_F(PlsCommands, TwoRecallsGiveTheOnThenTheOffSetpoint) {
    pls().program(3, 360, 45);
    pls().program(0, 17 * 256, 0);  // a high byte above 16 is invalid
    // channel, then state (1 ON, 0 OFF, 2 neither) and position; channel 0
    // answers no position
    using R = std::optional<pls::Recall>;
    for (const auto& [chan, recall] :
         {std::pair{3, R{{1, 360}}}, {3, R{{0, 45}}}, {6, R{{2, 0}}}, {0, R{}}}) {
        auto t = link.begin();
        EXPECT_EQ(pls::RecallChannel(*t, chan), recall) << chan;
    }
    const Bytes out = sent();
    const auto in = port.received();  // the first recall: 360 = 1 * 256 + 104, ON
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{0xFF, 9, 3, 0x55, 0x55, 0x55}));
    EXPECT_EQ(std::vector(in.begin(), in.begin() + 6),
              (std::vector<std::uint8_t>{0x55, 0x55, 0x55, 1, 104, 1}));
}

TEST_F(PlsCommands, NewOffsetMakesThePresentPositionReadAsDesired) {
    pls().setBusyPolls(0);
    // offset, position, desired, written; a desired position equal to the
    // scale writes the raw count.
    for (const auto [offset, position, desired, written] :
         {std::array{10, 350, 0, 0}, {10, 350, 90, 270}, {300, 200, 10, 130}, {0, 123, 360, 123}}) {
        SCOPED_TRACE(desired);
        port.clearTrace();
        pls().offset = offset;
        pls().raw = (offset + position) % 360;
        ASSERT_TRUE(once([&](auto& t) { return pls::SetPLSOffset(t, desired); }));
        EXPECT_EQ(sent(), cat({readWord(40),
                               readWord(72),
                               readWord(24),
                               {0xFF, 42, written % 256, written / 256},
                               readyPoll(0)}));
        EXPECT_EQ(std::pair(pls().offset, pls().position()), std::pair(written, desired % 360));
    }
    EXPECT_TRUE(messages.shown.empty());
}

std::array<int, 24> sampleConfig() {
    std::array<int, 24> cfg{};
    for (int k = 0; k < 24; ++k) cfg[k] = (k * 11) % 256;
    return cfg;
}

TEST_F(PlsCommands, ConfigurationDownloadSendsFourBlocksThenTheScaleFactorAndStopsAtARefusal) {
    pls().setBusyPolls(0);
    const auto cfg = sampleConfig();
    ASSERT_TRUE(once([&](auto& t) { return pls::PLSConfigDownload(t, cfg, 720); }));
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
    EXPECT_FALSE(once([&](auto& t) { return pls::PLSConfigDownload(t, sampleConfig(), 360); }));
    EXPECT_EQ(sent(), (Bytes{0xFF, 59, 0}));
    EXPECT_EQ(pls().scaleFactor, 720);
}

TEST_F(PlsCommands, ConfigurationUploadReadsNineteenBytesOrSaysWhyNot) {
    link.CloseRSComm();
    EXPECT_EQ(once(&pls::PLSConfigUpload), std::nullopt);
    EXPECT_EQ(messages.shown, warning("Not able to Upload Configuration from PLS.", "PLS Upload"));
    link.OpenRSComm(port);
    port.clearTrace();
    pls().config[0] = 42;  // the program number, second in the upload
    const auto upload = once(&pls::PLSConfigUpload);
    ASSERT_TRUE(upload);
    EXPECT_EQ((*upload)[1], 42);
    EXPECT_EQ(sent(), cat({{0xFF, 12}, Bytes(19, 0x55)}));
    // A failed upload never hands back an earlier upload's values.
    link.CloseRSComm();
    EXPECT_EQ(once(&pls::PLSConfigUpload), std::nullopt);
}

TEST_F(PlsCommands, RefusedCommandNamesTheRuleInOneBoxAndProgramsNothing) {
    const std::pair<const char*, const char*> setpoint{"PLS Single Setpoint",
                                                       "Channel can not be programmed."},
        offset{"Set PLS Offset", "PLS Offset will not be Programmed."},
        config{"PLS Configuration Download", "PLS Configuration will not be Downloaded."};
    auto beyond = [](int v) {
        return "Setpoint setting " + std::to_string(v) + " is greater than scale factor.";
    };
    const Bytes reads = cat({readWord(40), readWord(72), readWord(24)});
    auto cfg = sampleConfig();
    cfg[7] = 300;
    // scale, call, command, text, what went out before the refusal
    const std::tuple<int, std::function<bool(RSComm::Transaction&)>,
                     std::pair<const char*, const char*>, std::string, Bytes>
        rows[] = {
            // clang-format off
            {360, [&](auto& t) { return pls::SingleSetpoint(t, 3, 360, 10); }, setpoint, beyond(360), kReadScale},
            {360, [&](auto& t) { return pls::SingleSetpoint(t, 3, 10, 360); }, setpoint, beyond(360), kReadScale},
            {100, [&](auto& t) { return pls::SingleSetpoint(t, 3, 0, 100); }, setpoint, beyond(100), kReadScale},
            {360, [&](auto& t) { return pls::SingleSetpoint(t, 3, 10, -5); }, setpoint, "OFF setpoint -5 of channel 4 is less than 0.", {}},
            {360, [&](auto& t) { return pls::SetPLSOffset(t, 361); }, offset, "Desired Position cannot be greater than Scale Factor of 360.", reads},
            {0, [&](auto& t) { return pls::SetPLSOffset(t, 0); }, offset, "The PLS reports a Scale Factor of 0.", reads},
            {360, [&](auto& t) { return pls::PLSConfigDownload(t, cfg, 360); }, config, "Configuration entry 7 holds 300, outside 0 to 255.", {}},
            {360, [&](auto& t) { return pls::PLSConfigDownload(t, sampleConfig(), -360); }, config, "Scale Factor -360 is outside 1 to 65535.", {}},
            // clang-format on
        };
    for (const auto& [scale, call, command, text, wire] : rows) {
        SCOPED_TRACE(text);
        pls().scaleFactor = scale;
        messages.shown.clear();
        port.clearTrace();
        EXPECT_FALSE(once(call));
        EXPECT_EQ(messages.shown, warning(text + "\r\n\r\n" + command.second, command.first));
        EXPECT_EQ(sent(), wire);
    }
    for (int write : {26, 27, 42, 43, 59}) EXPECT_EQ(pls().commandsTaken[write], 0) << write;
    EXPECT_EQ(pls().channels, (std::array<Channel, 8>{}));
}

}  // namespace
}  // namespace voran::testing
