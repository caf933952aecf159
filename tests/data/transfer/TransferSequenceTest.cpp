// The upload and download sequence against the simulated board: what ends
// up in CurrentData or in the board, and values that cannot travel.
#include <algorithm>
#include <functional>

#include "TransferFixture.h"
#include "WireDecoder.h"

namespace voran::testing {
namespace {

TEST_F(TransferTest, UploadFillsCurrentDataFromTheBoardsMemoryAndPls) {
    fillBoard();
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferUpload);

    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.steps, kTransferSteps);
    const SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(d.Value[i], distinctValue(d.Address[i], i)) << d.Address[i];
    EXPECT_EQ((std::vector<int>{d.ChannelCount, d.PLSProgram, d.ScaleFactor, d.ResolverOffset}),
              (std::vector<int>{6, 2, 720, 33}));
    EXPECT_EQ(d.SpeedComp, (decltype(d.SpeedComp){20, 21, 22, 23, 24, 25, 26, 27}));
    // The defaults (90/270 ...) of the channels the board does not use are replaced by 0/0.
    EXPECT_EQ(d.Setpoint, (decltype(d.Setpoint){{{100, 200}, {}, {}, {700, 5}, {}, {1, 0}}}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(tables.PLSConfigChanged) << "only a download changes the PLS";
}

// The items' writes on the wire: a set-up-only download writes items 0 to
// 37 in order and then the PLS, never an address of the shift counts; the
// full download writes all 78.
TEST_F(TransferTest, SetUpOnlyDownloadWritesTheSetUpItemsAndNoShiftCountOnTheWire) {
    const SetupData& d = tables.CurrentData;
    for (const TransferItems which : {TransferItems::SetUpOnly, TransferItems::All}) {
        clearTrace();
        const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferDownload, which);
        EXPECT_TRUE(r.complete());
        EXPECT_TRUE(tables.PLSConfigChanged) << "the PLS went down too";
        tables.PLSConfigChanged = false;
        std::vector<int> written, expected;
        for (const WireAccess& a : traffic())
            if (a.write) written.push_back(a.address);
        const int last = which == TransferItems::SetUpOnly ? 37 : LastItemIndex;
        for (int i = 0; i <= last; ++i) {
            const std::vector<int> bytes = ByteAddressesOf({d.Address[i]});
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        EXPECT_EQ(written, expected);
    }
}

TEST_F(TransferTest, DownloadLeavesTheBoardEqualToCurrentData) {
    SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i) d.Value[i] = distinctValue(d.Address[i], i);
    d.Value[37] = 4095;
    std::tie(d.ChannelCount, d.PLSProgram, d.ScaleFactor) = std::tuple(5, 9, 500);
    d.SpeedComp = {40, 41, 42, 43, 44, 45, 46, 47};
    d.Setpoint = {{{10, 499}, {}, {90, 270}, {}, {0, 1}}};
    pls().program(1, 50, 60);  // in the board, not in the data: cleared

    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.steps, 94);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(tables.PLSConfigChanged);
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(board.peek(d.Address[i]), d.Value[i]) << d.Address[i];
    // The jam mask W1042 (address 0x0412) travels as 4095: two address/data
    // triples, low byte first.
    const Bytes wire = sent(), jamMask = {0x04, 0x12, 0xFF, 0x04, 0x13, 0x0F};
    EXPECT_NE(std::search(wire.begin(), wire.end(), jamMask.begin(), jamMask.end()), wire.end());
    // Program number, speed compensation 0-3, a gap, 4-7, channel count at 18.
    const std::array<std::uint8_t, 24> config = {9, 40, 41, 42, 43, 0, 44, 45, 46, 47, 0, 0,
                                                 0, 0,  0,  0,  0,  0, 5,  0,  0,  0,  0, 0};
    EXPECT_EQ(pls().config, config);
    EXPECT_EQ(pls().scaleFactor, 500);
    // Channels at 0/0 are cleared, not programmed with 0 and 0.
    using Channel = sim::SimPls::Channel;
    EXPECT_EQ(pls().channels,
              (std::array<Channel, 8>{
                  Channel{true, 10, 499}, {}, {true, 90, 270}, {}, {true, 0, 1}, {}, {}, {}}));
}

TEST_F(TransferTest, ValueFromASetupFileThatCannotTravelIsRefusedBeforeAnythingIsSent) {
    const std::pair<std::function<void(SetupData&)>, std::string> rows[] = {
        {[](SetupData& d) { d.SpeedComp[2] = 300; },
         "Speed compensation of channel 3 is 300; it must lie between 0 and 255."},
        {[](SetupData& d) { d.Setpoint[7][1] = -20; },
         "OFF setpoint of channel 8 is -20; it must not be less than 0."},
    };
    for (const auto& [spoil, text] : rows) {
        SCOPED_TRACE(text);
        tables.CurrentData = tables.DefaultData;
        spoil(tables.CurrentData);
        messages.shown.clear();
        EXPECT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferDownload).refused);
        EXPECT_EQ(messages.shown,
                  warning(text + "\r\n\r\nNothing has been sent to the PLC.", "Data Download"));
    }
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(tables.PLSConfigChanged);
}

}  // namespace
}  // namespace voran::testing
