// The upload and download sequence against the simulated board: what ends
// up in CurrentData or in the board, the progress count, cancel and faults.
#include "TransferFixture.h"

namespace voran::testing {
namespace {

TEST_F(TransferTest, UploadFillsCurrentDataFromTheBoardsMemoryAndPls) {
    fillBoard();
    std::vector<std::string> statuses;
    TransferHooks hooks;
    hooks.status = [&](const std::string& s) { statuses.push_back(s); };
    DataTransfer transfer(link, tables, hooks);
    const TransferReport r = transfer.RunTransfer(kTransferUpload);

    EXPECT_TRUE(r.complete());
    const SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(d.Value[i], distinctValue(d.Address[i], i)) << d.Address[i];
    EXPECT_EQ(d.ChannelCount, 6);
    EXPECT_EQ(d.PLSProgram, 2);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(d.SpeedComp[k], 20 + k) << "channel " << k;
    EXPECT_EQ(d.ScaleFactor, 720);
    EXPECT_EQ(d.ResolverOffset, 33);
    using SP = std::array<std::int16_t, 2>;
    EXPECT_EQ(d.Setpoint[0], (SP{100, 200}));
    EXPECT_EQ(d.Setpoint[1], (SP{0, 0})) << "default 90/270 replaced: not programmed";
    EXPECT_EQ(d.Setpoint[3], (SP{700, 5}));
    EXPECT_EQ(d.Setpoint[5], (SP{1, 0}));
    EXPECT_EQ(r.steps, kTransferSteps);
    EXPECT_EQ(statuses, std::vector<std::string>{"Uploading Timing Channels, Please Standby..."});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(tables.PLSConfigChanged) << "only a download changes the PLS";
}

TEST_F(TransferTest, DownloadLeavesTheBoardEqualToCurrentData) {
    SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i) d.Value[i] = distinctValue(d.Address[i], i);
    d.Value[37] = 4095;
    d.ChannelCount = 5;
    d.PLSProgram = 9;
    for (int k = 0; k < 8; ++k) d.SpeedComp[k] = static_cast<std::int16_t>(40 + k);
    d.ScaleFactor = 500;
    d.Setpoint[4] = {10, 499};
    board.pls().program(6, 50, 60);  // in the board, not in the data: cleared

    int progress = 0;
    TransferHooks hooks;
    hooks.advance = [&](int n) { progress += n; };
    const TransferReport r = DataTransfer(link, tables, hooks).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(progress, 94);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(tables.PLSConfigChanged);

    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(board.peek(d.Address[i]), d.Value[i]) << d.Address[i];
    // Program number, speed compensation 0-3, a gap, 4-7, channel count at 18.
    const std::array<std::uint8_t, 24> config = {9, 40, 41, 42, 43, 0, 44, 45, 46, 47, 0, 0,
                                                 0, 0,  0,  0,  0,  0, 5,  0,  0,  0,  0, 0};
    EXPECT_EQ(board.pls().config, config);
    EXPECT_EQ(board.pls().scaleFactor, 500);
    for (int ch = 0; ch < 8; ++ch) {
        // A channel at 0/0 is cleared, not programmed with 0 and 0.
        const bool inUse = d.Setpoint[ch][0] != 0 || d.Setpoint[ch][1] != 0;
        EXPECT_EQ(board.pls().channels[ch].programmed, inUse) << "channel " << ch;
        if (inUse) {
            EXPECT_EQ(board.pls().channels[ch].on, d.Setpoint[ch][0]);
            EXPECT_EQ(board.pls().channels[ch].off, d.Setpoint[ch][1]);
        }
    }

    // Read back through the simulator: an upload into fresh tables gives
    // the same record.
    const SetupData sentData = d;
    tables.CurrentData = tables.DefaultData;
    tables.CurrentData.ResolverOffset = sentData.ResolverOffset;
    EXPECT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferUpload).complete());
    EXPECT_EQ(tables.CurrentData, sentData);
}

TEST_F(TransferTest, TransferJamMaskTravelsAsText4095) {
    DataTransfer(link, tables).RunTransfer(kTransferDownload);
    // W1042 = address 0x0412: two address/data triples, low byte first.
    EXPECT_TRUE(containsRun(sent(), {0x04, 0x12, 0xFF, 0x04, 0x13, 0x0F}));
    EXPECT_EQ(board.peek("W1042"), 4095);
}

TEST_F(TransferTest, DownloadAfterALinkFaultLeavesPlsConfigChangedAlone) {
    port.silent = true;
    DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_FALSE(tables.PLSConfigChanged);
}

TEST_F(TransferTest, FailedConfigurationStillSendsTheChannels) {
    ScriptedPls refusing(board.pls());
    refusing.refuse = {59};
    board.setCommands(&refusing);
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.plsFailed);
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(board.pls().channels[0].programmed);
    EXPECT_EQ(board.pls().commandsTaken[26], 0) << "scale factor not sent after the block";
    EXPECT_TRUE(tables.PLSConfigChanged);
}

// --- Values that cannot travel --------------------------------------------------

struct RefusalCase {
    const char* name;
    void (*spoil)(SetupData&);
    const char* text;
};

class DownloadRefusal : public TransferTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DownloadRefusal, ValueThatCannotTravelIsRefusedBeforeAnythingIsSent) {
    GetParam().spoil(tables.CurrentData);
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(boxes(),
              warning(std::string(GetParam().text) + "\r\n\r\nNothing has been sent to the PLC.",
                      "Data Download"));
    EXPECT_FALSE(tables.PLSConfigChanged);
}

INSTANTIATE_TEST_SUITE_P(
    FromASetupFile, DownloadRefusal,
    ::testing::Values(
        RefusalCase{"SpeedCompAboveAByte", [](SetupData& d) { d.SpeedComp[2] = 300; },
                    "Speed compensation of channel 3 is 300; it must lie between 0 and 255."},
        RefusalCase{"NegativeProgram", [](SetupData& d) { d.PLSProgram = -1; },
                    "PLS program number is -1; it must lie between 0 and 255."},
        RefusalCase{"ChannelCount256", [](SetupData& d) { d.ChannelCount = 256; },
                    "Channel count is 256; it must lie between 0 and 255."},
        RefusalCase{"ZeroScaleFactor", [](SetupData& d) { d.ScaleFactor = 0; },
                    "Scale factor is 0; it must be greater than 0."},
        RefusalCase{"NegativeOffSetpoint", [](SetupData& d) { d.Setpoint[7][1] = -20; },
                    "OFF setpoint of channel 8 is -20; it must not be less than 0."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace voran::testing
