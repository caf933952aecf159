// The monitoring pass on its own, over a window that writes down what it is
// asked to do: the order of looks and reads, and when a pass ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowFixture.h"
#include "window/MonitorPass.h"

namespace voran::testing {
namespace {

struct Diary : MonitorPass::Client {
    std::vector<std::string> log;
    int items = 3;
    int failAt = -1;  // the read of this item ends the pass
    bool stale = false;
    void passStarting() override { log.push_back("head"); }
    void showOnlineLook() override { log.push_back("online look"); }
    void showOfflineLook() override { log.push_back("offline look"); }
    bool offlineLookStale() override { return stale; }
    int itemCount() const override { return items; }
    bool readItem(int index) override {
        log.push_back("read " + std::to_string(index));
        return index != failAt;
    }
    void passEnded() override { log.push_back("end"); }
    std::vector<std::string> take() { return std::exchange(log, {}); }
};

using Log = std::vector<std::string>;

class Pass : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override { pass.setTimerDriven(false); }
    Diary diary;
    MonitorPass pass{ctx, diary};
};

TEST_F(Pass, OnlineTheItemsAreReadInOrderOneStepEach) {
    ctx.goOnline();
    pass.start();
    EXPECT_EQ(diary.take(), Log{"online look"}) << "the look at once, no traffic";
    for (const char* expected : {"head", "read 0", "read 1"}) {
        ASSERT_TRUE(pass.step());
        EXPECT_EQ(diary.take(), Log{expected});
        EXPECT_TRUE(pass.underWay());
    }
    ASSERT_TRUE(pass.step());
    EXPECT_EQ(diary.take(), (Log{"read 2", "end"}));
    EXPECT_FALSE(pass.underWay());
    diary.failAt = 1;
    ASSERT_TRUE(pass.runPass());
    EXPECT_EQ(diary.take(), (Log{"head", "read 0", "read 1", "end"})) << "a false read ends it";
}

TEST_F(Pass, OfflineTheLookIsDrawnOnlyWhenTablesWereReplacedOrItIsStale) {
    pass.start();
    EXPECT_EQ(diary.take(), (Log{"offline look", "end"}));
    ASSERT_TRUE(pass.runPass());
    EXPECT_EQ(diary.take(), (Log{"head", "end"}));
    tables.TablesReplaced = true;
    ASSERT_TRUE(pass.runPass());
    EXPECT_EQ(diary.take(), (Log{"head", "offline look", "end"}));
    EXPECT_FALSE(tables.TablesReplaced);
    diary.stale = true;
    ASSERT_TRUE(pass.runPass());
    EXPECT_EQ(diary.take(), (Log{"head", "offline look", "end"}));
    EXPECT_TRUE(pass.offlineLookShown() && !pass.onlineLookShown());
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(Pass, StopEndsThePassUnderWayAndNoStepFollows) {
    ctx.goOnline();
    pass.start();
    ASSERT_TRUE(pass.step());
    diary.take();
    pass.stop();
    EXPECT_EQ(diary.take(), Log{"end"}) << "the pass under way is ended";
    EXPECT_FALSE(pass.step() || pass.running());
    EXPECT_TRUE(diary.take().empty());
}

}  // namespace
}  // namespace voran::testing
