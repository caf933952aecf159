// The monitoring pass on its own, over a window that writes down what it is
// asked to do: the order of looks and reads, when a pass ends, and when a
// step leaves the link alone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

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
    ManualClock* clock = nullptr;
    double itemSeconds = 0;  // how long a read keeps the link waiting
    void passStarting() override { log.push_back("head"); }
    void showOnlineLook() override { log.push_back("online look"); }
    void showOfflineLook() override { log.push_back("offline look"); }
    bool offlineLookStale() override { return stale; }
    int itemCount() const override { return items; }
    bool readItem(int index) override {
        log.push_back("read " + std::to_string(index));
        if (clock) clock->advance(itemSeconds);
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

TEST_F(Pass, AStandingLinkFaultTakesTheProgramOfflineAtTheHead) {
    ctx.goOnline();
    pass.start();
    port.silent = true;  // the Retry/Cancel box is answered Cancel
    link.begin()->readItem("W182");
    ASSERT_TRUE(link.CommError);
    diary.take();
    ASSERT_TRUE(pass.runPass());
    EXPECT_EQ(diary.take(), (Log{"head", "offline look", "end"}));
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(Pass, AStepLeavesAHeldLinkAPausedPassOrAStoppedOneAlone) {
    ctx.goOnline();
    pass.start();
    ASSERT_TRUE(pass.step());
    diary.take();
    {
        auto held = link.begin();
        EXPECT_FALSE(pass.step());
    }
    {
        AppContext::ModalOperation modal(ctx);
        EXPECT_FALSE(pass.step());
        EXPECT_FALSE(pass.runPass());
    }
    EXPECT_TRUE(diary.take().empty());
    pass.stop();
    EXPECT_EQ(diary.take(), Log{"end"}) << "the pass under way is ended";
    EXPECT_FALSE(pass.step() || pass.running());
    EXPECT_TRUE(diary.take().empty());
}

// On a lossy line one item can wait seconds for the board, and the keys and
// clicks that came meanwhile are still queued. A 0 ms timer would fire again
// before the loop hands them out, so after a slow item the next step waits a
// millisecond; after a quick one it follows at once.
TEST_F(Pass, AfterASlowItemTheNextStepLetsHeldInputThroughFirst) {
    auto* timer = pass.findChild<QTimer*>("tmrMonitor");
    ASSERT_NE(timer, nullptr);
    diary.clock = &clock;
    diary.items = 1000;  // the pass stays under way while we look
    ctx.goOnline();
    for (const double seconds : {0.0, 2.0}) {
        SCOPED_TRACE(seconds);
        diary.itemSeconds = seconds;
        pass.setTimerDriven(true);
        pass.start();
        diary.take();
        for (int n = 0; n < 100 && diary.log.size() < 2; ++n) QCoreApplication::processEvents();
        ASSERT_GE(diary.log.size(), 2u) << "the head and at least one item ran from the timer";
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), seconds > 0 ? MonitorPass::kItemGapMs : 0);
        pass.stop();
    }
}

}  // namespace
}  // namespace voran::testing
