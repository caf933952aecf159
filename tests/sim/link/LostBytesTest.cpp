// The link and the simulated board together on a line that loses bytes: the
// board's framing must let the link's resynchronising 0xFF bring both back in
// step, a read must never pass an answer off as data, and a lost byte must
// never store data at a wrong address.
#include <gtest/gtest.h>

#include "SimLink.h"

namespace {

class LossyLine : public ::testing::TestWithParam<int>, protected voran::testing::FreshLink {};

TEST_P(LossyLine, LinkKeepsConvergingAndNeverReadsOrWritesAStrayByte) {
    board.preset("W182", 1000);
    board.preset("D1100", 123456);
    auto expected = board.memory();
    link.OpenRSComm(port);
    ASSERT_TRUE(link.OnlineMode);
    port.dropEvery = GetParam();

    int good = 0;
    const int rounds = 150;
    for (int i = 0; i < rounds; ++i) {
        for (const auto& [add, value] : {std::pair{"W182", "1000"}, {"D1100", "123456"}}) {
            const std::string read =
                InTransaction(link, [&](voran::RSComm::Transaction& t) { return t.read(add); });
            good += read == value;
            ASSERT_TRUE(read == value || read.empty()) << add << " read " << read;
        }
        link.RSWrite("W1000", std::to_string(100 + i));
        ASSERT_FALSE(link.CommError) << "round " << i;
    }
    EXPECT_TRUE(boxes.shown.empty()) << "one lost byte at a time never shows the cable box";
    // A loss fails the transaction it hits; the next one comes through.
    EXPECT_GT(good, GetParam() >= 29 ? rounds : 0);

    // Nothing but W1000 may have changed, and it holds a value that was written.
    const auto w1000 = board.peek("W1000");
    EXPECT_TRUE(w1000 >= 100 && w1000 < 100 + rounds) << w1000;
    expected[1000] = board.memory()[1000];
    expected[1001] = board.memory()[1001];
    EXPECT_EQ(board.memory(), expected);

    // A clean line again: everything exact from the first exchange on.
    port.dropEvery = 0;
    link.RSWrite("W1000", "4321");
    EXPECT_EQ(link.RSRead("W1000"), "4321");
    EXPECT_EQ(board.peek("W1000"), 4321);
}

INSTANTIATE_TEST_SUITE_P(DropEvery, LossyLine, ::testing::Values(11, 13, 17, 29, 53));

}  // namespace
