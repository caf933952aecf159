// The running-machine model of the demonstration board.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "SimBoard.h"

using voran::sim::SimBoard;

namespace {

TEST(LiveMachine, CountsAboutTwentyCansASecondOnlyWhenLiveAndCountersOnlyRise) {
    SimBoard board;
    board.tick(60);
    EXPECT_EQ(board.peek("D1100"), 0) << "a still machine counts nothing";
    board.setLive(true);
    board.setRandomStart(3);
    board.tick(60);
    EXPECT_GT(board.peek("D1100"), 800);
    EXPECT_LT(board.peek("D1100"), 1300);

    board.preset("D1100", 655359000);  // near the top: must stop there, not wrap
    std::map<std::string, std::int64_t> last = {{"D1100", 0}, {"D1104", 0}};
    for (int s = 0; s < 2 * 3600; ++s) {
        board.tick(1.0);
        for (auto& [item, value] : last) {
            ASSERT_GE(board.peek(item), value) << item << " fell after " << s << " s";
            value = board.peek(item);
        }
    }
    EXPECT_EQ(board.peek("D1100"), 655359999);
    std::int64_t perStation = 0;
    for (int k = 0; k < 12; ++k) perStation += board.peek("W" + std::to_string(1108 + 2 * k));
    EXPECT_GT(board.peek("D1104"), 10) << "about one jam every two minutes";
    EXPECT_EQ(board.peek("D1104"), perStation);
}

TEST(LiveMachine, CarriesOutResetJamsAndEndOfShift) {
    SimBoard board;
    board.setLive(true);
    for (auto [item, value] :
         {std::pair{"D1100", 5000}, {"D1104", 7}, {"W1110", 3}, {"W1052", 4}, {"B1044.1", 1}})
        board.preset(item, value);
    board.tick(0.1);
    EXPECT_EQ(board.peek("W1052") + board.peek("B1044.1"), 0);
    EXPECT_EQ(board.peek("W1110"), 3) << "shift jams are kept";

    board.preset("F135", 1);
    board.tick(0.1);
    EXPECT_EQ(board.peek("F135"), 0);
    EXPECT_GE(board.peek("D1200"), 5000);
    EXPECT_EQ(std::pair(board.peek("D1204"), board.peek("W1210")),
              std::pair(std::int64_t{7}, std::int64_t{3}));
    EXPECT_LT(board.peek("D1100"), 10);
    EXPECT_EQ(board.peek("W1110"), 0);
}

}  // namespace
