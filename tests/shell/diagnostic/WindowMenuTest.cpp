// A window of the Window menu as the frame keeps it between switches.
#include <QTableWidget>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/ui/frmMain.h"

namespace voran::testing {
namespace {

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
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(h.window->currentChild(), display);
    EXPECT_FALSE(h.window->mnuWindowForm(kMainDisplay)->isChecked());
    EXPECT_TRUE(h.window->mnuWindowForm(kSetupParameters)->isChecked());
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
