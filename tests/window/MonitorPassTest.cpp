// The monitoring pass with the frame around it: while a modal operation owns
// the link the background alarm poll goes on, and a transfer run from the
// menu costs the protocol's minimum of exchanges.
#include <QCoreApplication>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/Transfer.h"
#include "data/ui/frmMain.h"

using namespace voran;
using voran::testing::ShellHarness;

namespace {

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

}  // namespace

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
