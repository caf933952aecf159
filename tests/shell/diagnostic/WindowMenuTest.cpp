// The two diagnostic windows as the frame shows them from its Window menu.
#include <QLabel>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "shell/ui/frmDisplayIO.h"
#include "shell/ui/frmSerialComm.h"

namespace voran::testing {
namespace {

TEST(DiagnosticWindows, WindowMenuShowsThemLiveAndOfflineAgain) {
    ShellHarness h;
    h.board.preset("B3003", 16);
    h.board.preset("W100", 0x0002);
    h.goOnline();

    h.window->mnuWindowForm[3]->trigger();
    h.stopTimers();
    auto* serial = qobject_cast<frmSerialComm*>(h.window->currentChild());
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->windowTitle(), QStringLiteral("N-90 Serial Communications"));
    ASSERT_TRUE(serial->monitor().runPass());
    EXPECT_EQ(serial->lblDisplay(5)->text(), QStringLiteral("Write"));

    h.window->mnuWindowForm[4]->trigger();
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

}  // namespace
}  // namespace voran::testing
