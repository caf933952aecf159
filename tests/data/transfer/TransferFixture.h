#pragma once

#include <cstdint>

#include "../../timing/pls/PlsFixture.h"
#include "data/SetupData.h"
#include "data/Transfer.h"

namespace voran::testing {

// A value that fits item i's kind and differs from its default.
inline std::int32_t distinctValue(const std::string& address, int i) {
    return address[0] == 'B' ? 100 + i : address[0] == 'D' ? 1234567 + 1000 * i : 3000 + 7 * i;
}

// Fills the board's memory and PLS with values unlike the defaults `d`: item
// i holds value(i); PLS program 2, speed compensation 20 to 27, six
// channels, channels 0 and 3 programmed, scale 720, offset 33.
template <class Value>
void FillBoard(sim::SimBoard& board, const SetupData& d, Value value) {
    for (int i = 0; i <= LastItemIndex; ++i) EXPECT_TRUE(board.preset(d.Address[i], value(i))) << i;
    sim::SimPls& pls = board.pls();
    pls.config = {2, 20, 21, 22, 23, 0, 24, 25, 26, 27};
    pls.config[18] = 6;
    std::tie(pls.scaleFactor, pls.offset) = std::tuple(720, 33);
    pls.program(0, 100, 200);
    pls.program(3, 700, 5);
}

// A link opened on the in-process board, and the set-up tables with their
// defaults.
class TransferTest : public PlsLink {
protected:
    void SetUp() override {
        PlsLink::SetUp();
        tables.BuildDefaults(clock.localDateTime());
        pls().setBusyPolls(1);
    }

    // The board unlike the defaults (FillBoard), each item holding its
    // distinct value, and channel 5 programmed too.
    void fillBoard() {
        const SetupData& d = tables.DefaultData;
        FillBoard(board, d, [&d](int i) { return distinctValue(d.Address[i], i); });
        pls().program(5, 1, 0);
    }
};

}  // namespace voran::testing
