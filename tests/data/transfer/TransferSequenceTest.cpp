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

    DataTransfer transfer(link, tables);
    const TransferReport r = transfer.RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.complete());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(tables.PLSConfigChanged);

    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(board.peek(d.Address[i]), d.Value[i]) << d.Address[i];
    EXPECT_EQ(board.pls().scaleFactor, 500);
    for (int ch = 0; ch < 8; ++ch) {
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

TEST_F(TransferTest, ChannelsNotInUseAreClearedNotProgrammed) {
    DataTransfer(link, tables).RunTransfer(kTransferDownload);
    const Bytes wire = sent();
    // Defaults: channels 0 and 1 in use, 2 to 7 at 0/0.
    EXPECT_TRUE(containsRun(wire, {0xFF, 27, 0, 180, 0, 240, 0, 1}));
    EXPECT_TRUE(containsRun(wire, {0xFF, 27, 1, 90, 0, 14, 1, 1}));
    for (int ch = 2; ch < 8; ++ch) {
        EXPECT_TRUE(containsRun(wire, {0xFF, 27, ch, 0, 0, 0, 0, 0})) << ch;
        EXPECT_FALSE(containsRun(wire, {0xFF, 27, ch, 0, 0, 0, 0, 1})) << ch;
    }
}

TEST_F(TransferTest, TransferJamMaskTravelsAsText4095) {
    DataTransfer(link, tables).RunTransfer(kTransferDownload);
    // W1042 = address 0x0412: two address/data triples, low byte first.
    EXPECT_TRUE(containsRun(sent(), {0x04, 0x12, 0xFF, 0x04, 0x13, 0x0F}));
    EXPECT_EQ(board.peek("W1042"), 4095);
}

TEST_F(TransferTest, CleanDownloadAdvancesExactlyTo94) {
    int progress = 0;
    TransferHooks hooks;
    hooks.advance = [&](int n) { progress += n; };
    DataTransfer(link, tables, hooks).RunTransfer(kTransferDownload);
    EXPECT_EQ(progress, 94);
}

TEST_F(TransferTest, CancelDuringTheItemsStillUploadsThePls) {
    fillBoard();
    int polls = 0;
    TransferHooks hooks;
    hooks.cancelRequested = [&] { return ++polls > 10; };
    const TransferReport r = DataTransfer(link, tables, hooks).RunTransfer(kTransferUpload);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(r.items, 10);
    const SetupData& d = tables.CurrentData;
    EXPECT_EQ(d.Value[9], distinctValue(d.Address[9], 9));
    EXPECT_EQ(d.Value[10], tables.DefaultData.Value[10]) << "not read after the cancel";
    EXPECT_EQ(d.ScaleFactor, 720);
    EXPECT_EQ(d.Setpoint[3], (std::array<std::int16_t, 2>{700, 5}));
    EXPECT_TRUE(messages.shown.empty()) << "cancel shows no message";
}

TEST_F(TransferTest, UploadStepsMayPass94WhenARecallFindsNoSetpoint) {
    fillBoard();
    ScriptedRecallPls scripted(board.pls());
    // Channel 0: ON, then a state that is neither: not programmed after all.
    scripted.states = {1, 7};
    board.setCommands(&scripted);
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferUpload);
    EXPECT_EQ(r.steps, kTransferSteps + 1);
    EXPECT_EQ(tables.CurrentData.Setpoint[0], (std::array<std::int16_t, 2>{0, 0}));
}

TEST_F(TransferTest, SilentBoardEndsTheItemsAndSkipsThePls) {
    port.silent = true;
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferUpload);
    EXPECT_TRUE(r.linkFault);
    EXPECT_EQ(r.items, 1) << "the first read failed, the loop stopped before the next";
    EXPECT_EQ(tables.CurrentData.Value[0], 0) << "a failed read stores 0";
    EXPECT_EQ(tables.CurrentData.Value[1], 40);
    ASSERT_EQ(messages.shown.size(), 1u) << "only the link's own box";
    EXPECT_EQ(messages.shown[0].title, "WARNING - Communication Error!");
    EXPECT_EQ(tables.CurrentData.ScaleFactor, 360);
}

TEST_F(TransferTest, DownloadAfterALinkFaultLeavesPlsConfigChangedAlone) {
    port.silent = true;
    DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_FALSE(tables.PLSConfigChanged);
}

TEST_F(TransferTest, FailedConfigurationStillSendsTheChannels) {
    struct Refuse59 : sim::SimCommand {
        sim::SimPls& pls;
        bool refusing = false;
        explicit Refuse59(sim::SimPls& p) : pls(p) {}
        bool begin(std::uint8_t code) override {
            refusing = code == 59;
            return pls.begin(code);
        }
        Answer receive(std::uint8_t byte) override {
            return refusing ? Answer{0x00, Next::Idle} : pls.receive(byte);
        }
        int busyPolls() const override { return pls.busyPolls(); }
    } refuse(board.pls());
    board.setCommands(&refuse);
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
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              std::string(GetParam().text) + "\r\n\r\nNothing has been sent to the PLC.");
    EXPECT_EQ(messages.shown[0].title, "Data Download");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Exclamation);
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

TEST(DownloadConfigLayout, SpeedCompensationSkipsEntryFiveAndCountIsEntry18) {
    SetupData d;
    d.PLSProgram = 7;
    d.ChannelCount = 8;
    for (int k = 0; k < 8; ++k) d.SpeedComp[k] = static_cast<std::int16_t>(k + 1);
    const std::array<int, 24> expected = {7, 1, 2, 3, 4, 0, 5, 6, 7, 8, 0, 0,
                                          0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0};
    EXPECT_EQ(DownloadConfig(d), expected);
}

}  // namespace
}  // namespace voran::testing
