// The two diagnostic windows as the frame shows them from its Window menu.
#include <QLabel>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/ui/frmMain.h"
#include "shell/ui/frmDisplayIO.h"
#include "shell/ui/frmSerialComm.h"

namespace voran::testing {
namespace {

TEST(DiagnosticWindows, WindowMenuShowsThemLiveAndOfflineAgain) {
    ShellHarness h;
    h.board.preset("B3003", 16);
    h.board.preset("W100", 0x0002);
    h.goOnline();

    h.window->mnuWindowForm(3)->trigger();
    h.stopTimers();
    auto* serial = qobject_cast<frmSerialComm*>(h.window->currentChild());
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->windowTitle(), QStringLiteral("N-90 Serial Communications"));
    ASSERT_TRUE(serial->monitor().runPass());
    EXPECT_EQ(serial->lblDisplay(5)->text(), QStringLiteral("Write"));

    h.window->mnuWindowForm(4)->trigger();
    h.stopTimers();
    auto* io = qobject_cast<frmDisplayIO*>(h.window->currentChild());
    ASSERT_NE(io, nullptr);
    EXPECT_EQ(io->windowTitle(), QStringLiteral("I/O Status"));
    ASSERT_TRUE(io->monitor().runPass());
    EXPECT_EQ(io->lblSlot00State(1)->text(), QStringLiteral("ON"));
    EXPECT_EQ(io->lblSlot00State(0)->text(), QStringLiteral("off"));

    h.window->mnuViewOffline_Click();
    io->monitor().runPass();
    EXPECT_EQ(io->lblSlot00State(1)->text(), QStringLiteral("-"));
    EXPECT_FALSE(io->lblSlot00State(1)->isEnabled());
    EXPECT_EQ(h.panel(2), "OFFLINE");
}

// A window is made once and kept while another is on show: what the
// operator left in it (here a selected cell) is there again, and its pass
// stands still while it is hidden.
TEST(WindowMenu, AWindowKeepsItsStateAcrossASwitchAndRestsWhileHidden) {
    ShellHarness h;
    h.goOnline();
    auto* display = qobject_cast<frmMain*>(h.window->currentChild());
    ASSERT_NE(display, nullptr);
    ASSERT_TRUE(display->monitor().runPass());
    display->fgData()->setCurrentCell(3, 2);

    h.window->mnuWindowForm(kSetupParameters)->trigger();
    h.stopTimers();
    EXPECT_NE(h.window->currentChild(), display);
    EXPECT_EQ(h.window->window(kMainDisplay), display);
    EXPECT_TRUE(display->isHidden());
    EXPECT_FALSE(display->monitor().running());
    h.clearTrace();
    EXPECT_FALSE(display->monitor().step());
    EXPECT_TRUE(h.port.sent().empty()) << "a hidden window reads nothing";

    h.window->mnuWindowForm(kMainDisplay)->trigger();
    h.stopTimers();
    EXPECT_EQ(h.window->currentChild(), display);
    EXPECT_TRUE(h.window->mnuWindowForm(kMainDisplay)->isChecked());
    EXPECT_TRUE(display->monitor().running());
    EXPECT_EQ(display->fgData()->currentRow(), 3);
    EXPECT_EQ(display->fgData()->currentColumn(), 2);
    h.window->mnuWindowForm(kSetupParameters)->trigger();
    EXPECT_EQ(h.window->window(kSetupParameters), h.window->currentChild())
        << "the set-up window is the one made before";
}

}  // namespace
}  // namespace voran::testing
