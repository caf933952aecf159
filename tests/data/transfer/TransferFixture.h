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

// A link opened on the in-process board, and the set-up tables with their
// defaults.
class TransferTest : public PlsLink {
protected:
    void SetUp() override {
        PlsLink::SetUp();
        tables.BuildDefaults(clock.localDateTime());
        pls().setBusyPolls(1);
    }

    // Fills the board's memory and PLS with values unlike the defaults:
    // program 2, speed compensation 20 to 27, six channels, three of them
    // programmed.
    void fillBoard() {
        const SetupData& d = tables.DefaultData;
        for (int i = 0; i <= LastItemIndex; ++i)
            ASSERT_TRUE(board.preset(d.Address[i], distinctValue(d.Address[i], i))) << i;
        pls().config = {2, 20, 21, 22, 23, 0, 24, 25, 26, 27};
        pls().config[18] = 6;
        std::tie(pls().scaleFactor, pls().offset) = std::tuple(720, 33);
        pls().program(0, 100, 200);
        pls().program(3, 700, 5);
        pls().program(5, 1, 0);
    }
};

}  // namespace voran::testing
