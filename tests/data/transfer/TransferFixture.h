#pragma once

#include <algorithm>
#include <cstdint>

#include "../../timing/pls/PlsFixture.h"
#include "data/SetupData.h"
#include "data/Transfer.h"

namespace voran::testing {

// True when `part` occurs in `whole` as consecutive bytes.
inline bool containsRun(const Bytes& whole, const Bytes& part) {
    return std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

// A value that fits item i's kind and differs from its default.
inline std::int32_t distinctValue(const std::string& address, int i) {
    switch (address[0]) {
        case 'B':
            return 100 + i;
        case 'D':
            return 1234567 + 1000 * i;
        default:
            return 3000 + 7 * i;
    }
}

// A link opened on the in-process board, and the set-up tables with their
// defaults.
class TransferTest : public PlsLink {
protected:
    void SetUp() override {
        PlsLink::SetUp();
        tables.BuildDefaults(clock.localDateTime());
        board.pls().setBusyPolls(1);
    }

    // Fills the board's memory and PLS with values unlike the defaults.
    void fillBoard() {
        const SetupData& d = tables.DefaultData;
        for (int i = 0; i <= LastItemIndex; ++i)
            ASSERT_TRUE(board.preset(d.Address[i], distinctValue(d.Address[i], i))) << i;
        auto& pls = board.pls();
        pls.config = {};
        pls.config[18] = 6;
        pls.config[0] = 2;
        for (int k = 0; k < 4; ++k) pls.config[1 + k] = 20 + k;
        for (int k = 4; k < 8; ++k) pls.config[2 + k] = 20 + k;
        pls.scaleFactor = 720;
        pls.offset = 33;
        pls.program(0, 100, 200);
        pls.program(3, 700, 5);
        pls.program(5, 1, 0);
    }

    SetupTables tables;
};

}  // namespace voran::testing
