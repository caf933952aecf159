// The running line moves the inputs the I/O states window shows, and leaves
// the alarm bits that share their bytes to the alarm model.
#include <gtest/gtest.h>

#include <set>

#include "SimBoard.h"
#include "SimPls.h"

using voran::sim::SimBoard;

namespace {

TEST(LiveInputs, ResolverTimingAndPhotoEyesFollowTheTurningLine) {
    SimBoard board;
    board.setLive(true);
    board.preset("B111.4", 1);  // an alarm standing when the line starts
    std::set<std::int64_t> eyes, timing;
    for (int n = 0; n < 40; ++n) {
        board.tick(0.01);
        EXPECT_EQ(board.peek("W180"), board.pls().position());
        EXPECT_EQ(board.peek("W186"), board.pls().scaleFactor);
        eyes.insert(board.peek("W100") & 0x0FFF);
        timing.insert(board.peek("B170"));
        // Stations' valves open with their photo-eyes.
        EXPECT_EQ(board.peek("W120") & 0x0FFF, board.peek("W100") & 0x0FFF);
    }
    EXPECT_GT(eyes.size(), 2u) << "cans pass the photo-eyes";
    EXPECT_GT(timing.size(), 1u) << "the timing channels switch";
    EXPECT_EQ(board.peek("B111.4"), 1) << "the alarm bit is left alone";
    EXPECT_EQ(board.peek("B101.5"), 1) << "main drive on while the line runs";
}

TEST(LiveInputs, StillBoardKeepsItsPresetInputs) {
    SimBoard board;
    board.preset("W100", 4096);
    board.tick(5);
    EXPECT_EQ(board.peek("W100"), 4096);
    EXPECT_EQ(board.peek("W180"), 0);
}

}  // namespace
