// The monitoring pass over a window that writes down what it is asked to do,
// and with the frame around it (the alarm poll goes on under a modal
// operation, a transfer costs the protocol's minimum of exchanges); going
// online when asked, and offline after a link fault.
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellHarness.h"
#include "WindowFixture.h"
#include "data/Transfer.h"
#include "data/ui/frmMain.h"
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

TEST_F(Pass, OnlineTheItemsAreReadInOrderOneStepEachUntilTheEndOrAStop) {
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

    // Stop ends the pass under way and no step follows.
    pass.start();
    ASSERT_TRUE(pass.step());
    diary.take();
    pass.stop();
    EXPECT_EQ(diary.take(), Log{"end"}) << "the pass under way is ended";
    EXPECT_FALSE(pass.step() || pass.running());
    EXPECT_TRUE(diary.take().empty());
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

class Online : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        online.setListener([this](bool on) { heard.push_back(on); });
    }
    std::vector<bool> heard;
};

TEST_F(Online, TheOfferGoesOnlineOnlyOnYes) {
    const Box offer =
        box("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to ONLINE "
            "MODE to Continue?",
            "Program Offline", MsgIcon::Question, MsgButtons::YesNo);
    messages.answers = {MsgResult::No, MsgResult::Yes};
    EXPECT_FALSE(ctx.offerToGoOnline());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(ctx.offerToGoOnline());
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(ctx.offerToGoOnline()) << "online already: no question";
    EXPECT_EQ(messages.shown, (std::vector<Box>{offer, offer}));
}

TEST_F(Online, ALinkFaultTakesTheProgramOfflineOnce) {
    ctx.goOnline();
    EXPECT_FALSE(ctx.goOfflineAfterFault()) << "no fault, nothing to do";
    port.silent = true;  // the Retry/Cancel box is answered Cancel
    EXPECT_TRUE(link.begin()->readItem("W182").empty());
    ASSERT_TRUE(link.CommError);
    EXPECT_FALSE(ctx.linkUsable());
    port.clearTrace();
    EXPECT_TRUE(ctx.goOfflineAfterFault());
    EXPECT_FALSE(link.OnlineMode || port.isOpen());
    EXPECT_TRUE(port.sent().empty()) << "no goodbye byte over a failed link";
    EXPECT_EQ(heard, (std::vector<bool>{true, false}));
    EXPECT_EQ(messages.shown.size(), 1u);
}

frmMain& display(ShellHarness& h) {
    return *dynamic_cast<frmMain*>(h.window->currentChild());
}

// Bytes a transfer sends when it runs alone on an open link.
std::size_t bytesOfTransferAlone(TransferDirection mode) {
    ShellHarness h;
    h.goOnline();
    display(h).deactivate();
    h.clearTrace();
    EXPECT_TRUE(DataTransfer(h.link(), h.window->tables()).RunTransfer(mode).complete());
    return h.port.sent().size();
}

TEST(MonitorPass, TheBackgroundAlarmPollGoesOnWhileAModalOperationOwnsTheLink) {
    ShellHarness h;
    h.goOnline();
    ASSERT_TRUE(display(h).monitor().runPass());
    AppContext::ModalOperation modal(h.ctx());
    h.clearTrace();
    h.ticks(1);
    EXPECT_FALSE(h.port.sent().empty());
}

TEST(MonitorPass, TransferFromTheMenuWithTheDisplayRunningSendsOnlyTheTransfersBytes) {
    for (const TransferDirection mode : {kTransferUpload, kTransferDownload}) {
        SCOPED_TRACE(mode == kTransferUpload ? "upload" : "download");
        const std::size_t alone = bytesOfTransferAlone(mode);
        ShellHarness h;
        h.goOnline();
        frmMain& d = display(h);
        ASSERT_TRUE(d.monitor().runPass());
        // The display's pass runs from its timer, as on the operator's screen.
        d.monitor().setTimerDriven(true);
        for (int n = 0; n < 20; ++n) QCoreApplication::processEvents();
        // Let the pass under way end, so the transfer starts on a free link.
        d.monitor().setTimerDriven(false);
        if (d.monitor().underWay()) d.monitor().runPass();
        d.monitor().setTimerDriven(true);
        h.messages.answers = {MsgResult::Yes};
        h.clearTrace();
        if (mode == kTransferUpload)
            h.window->mnuFileUpload_Click();
        else
            h.window->mnuFileDownload_Click();
        const std::size_t sent = h.port.sent().size();
        d.monitor().setTimerDriven(false);
        // The read handshake may be left open by the display: at most the
        // transfer's own bytes, and never a display read in between.
        EXPECT_LE(sent, alone);
        EXPECT_GE(sent + 2, alone);
        EXPECT_EQ(h.messages.shown.size(), 1u) << "only the question, no failure box";
    }
}

// The pause between two passes is the window's to choose; without a choice
// it is the common one.
TEST(MonitorPass, TheNextPassStartsAfterTheWindowsOwnInterval) {
    struct Row {
        bool online;
        int onlineMs, offlineMs;  // 0: not set
        int expected;
    };
    for (const Row row : {Row{true, 0, 0, MonitorPass::kOnlinePassMs},
                          Row{false, 0, 0, MonitorPass::kOfflinePassMs}, Row{true, 250, 900, 250},
                          Row{false, 250, 900, 900}}) {
        SCOPED_TRACE(std::to_string(row.onlineMs) + (row.online ? " online" : " offline"));
        ShellHarness h;
        if (row.online) h.goOnline();
        frmMain& d = display(h);
        if (row.onlineMs) d.monitor().setPassInterval(row.onlineMs, row.offlineMs);
        auto* timer = d.findChild<QTimer*>("tmrMonitor");
        ASSERT_NE(timer, nullptr);
        d.monitor().setTimerDriven(true);
        for (int n = 0; n < 200 && (d.monitor().underWay() || timer->interval() == 0); ++n)
            QCoreApplication::processEvents();
        d.monitor().setTimerDriven(false);
        EXPECT_FALSE(d.monitor().underWay());
        EXPECT_EQ(timer->interval(), row.expected);
    }
}

}  // namespace
}  // namespace voran::testing
