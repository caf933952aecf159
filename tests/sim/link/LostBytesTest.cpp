// The link and the simulated board together on a line that loses bytes: the
// board's framing must let the link's resynchronising 0xFF bring both back in
// step, and a lost byte must never store data at a wrong address.
#include <gtest/gtest.h>

#include "FakeMessageBox.h"
#include "SimPort.h"
#include "link/RSComm.h"

using voran::ManualClock;
using voran::RSComm;
using voran::sim::SimBoard;
using voran::sim::SimPort;

namespace {

class LossyLine : public ::testing::TestWithParam<int> {};

TEST_P(LossyLine, LinkKeepsConvergingAndNeverWritesAStrayByte) {
    SimBoard board;
    ManualClock clock;
    SimPort port(board, clock);
    voran::testing::FakeMessageBox boxes;
    RSComm link(clock, boxes, ::testing::TempDir());
    board.preset("W182", 1000);
    board.preset("D1100", 123456);
    auto expected = board.memory();

    link.OnlineMode = true;
    link.OpenRSComm(port);
    ASSERT_TRUE(link.OnlineMode);
    port.dropEvery = GetParam();

    int good = 0;
    const int rounds = 150;
    for (int i = 0; i < rounds; ++i) {
        if (link.RSRead("W182") == "1000") ++good;
        if (link.RSRead("D1100") == "123456") ++good;
        link.RSWrite("W1000", std::to_string(100 + i));
        ASSERT_FALSE(link.CommError) << "round " << i;
    }
    EXPECT_TRUE(boxes.shown.empty()) << "one lost byte at a time never shows the cable box";
    // A loss fails the transaction it hits; the next one comes through. With
    // losses far apart that is most of them.
    EXPECT_GT(good, 0);
    if (GetParam() >= 29) {
        EXPECT_GT(good, rounds) << "most reads come through";
    }

    // Nothing but W1000 may have changed, and it holds a value that was written.
    const auto w1000 = board.peek("W1000");
    EXPECT_GE(w1000, 100);
    EXPECT_LT(w1000, 100 + rounds);
    expected[1000] = board.memory()[1000];
    expected[1001] = board.memory()[1001];
    EXPECT_EQ(board.memory(), expected);

    // A clean line again: everything exact from the first exchange on.
    port.dropEvery = 0;
    link.RSWrite("W1000", "4321");
    EXPECT_EQ(board.peek("W1000"), 4321);
    EXPECT_EQ(link.RSRead("W1000"), "4321");
    EXPECT_EQ(link.RSRead("D1100"), "123456");
}

INSTANTIATE_TEST_SUITE_P(DropEvery, LossyLine, ::testing::Values(11, 13, 17, 29, 53));

}  // namespace
