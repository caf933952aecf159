// A silent board is visibly waited for: from the first answer whose time ran
// out, status panel 1 says that the program waits for the board, until the
// board answers again; the cable message comes when it always came.
#include <gtest/gtest.h>

#include "AliveLink.h"
#include "ShellHarness.h"
#include "shell/BackgroundUpdate.h"

namespace voran::testing {
namespace {

// The frame as the program builds it: its link waits through the alive
// clock and the busy port, whose silence notices reach the status bar.
struct AliveShell : ShellHarness {
    AliveWiring wiring{clock, port};

    AliveShell() {
        makeWindow(wiring.aliveClock, wiring.busyPort);
        wiring.sign.onSilent = [this](bool on) { window->boardSilent(on); };
    }
    ~AliveShell() {
        wiring.sign.onSilent = nullptr;
        window.reset();  // before the wiring it talks through
    }
};

TEST(BoardSilent, PanelSaysTheProgramWaitsFromTheFirstMissedAnswerUntilTheBoardAnswers) {
    // How long the board stays deaf (for good: -1), when the waiting text
    // goes away again (-1: it stays until the link gives up), and whether
    // the cable message comes.
    const struct {
        double deafFor;
        double clearedAt;
        bool cableBox;
    } cases[] = {{-1, -1, true}, {1.5, 3.0, false}, {0.5, 1.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deafFor);
        AliveShell shell;
        shell.window->mnuViewOnline_Click();
        ASSERT_TRUE(shell.window->link().OnlineMode);
        shell.window->tmrBackgroungUpdate_Timer();
        const QString normal = shell.window->panel(1)->text();
        ASSERT_NE(normal, texts::kPanelWaiting);

        // The panel as the operator sees it at every turn of the event loop.
        std::vector<std::pair<double, bool>> seen;
        const double start = shell.clock.now();
        TurnWatch watch(shell.clock, shell.window->link(), shell.port);
        watch.onFire = [&] {
            const double t = shell.clock.now() - start;
            seen.emplace_back(t, shell.window->panel(1)->text() == texts::kPanelWaiting);
            shell.port.silent = c.deafFor < 0 || t < c.deafFor;
        };
        shell.port.silent = true;
        const std::string value = InTransaction(
            shell.window->link(), [&](RSComm::Transaction& t) { return t.read("B100"); });
        EXPECT_EQ(value.empty(), c.cableBox);

        ASSERT_FALSE(seen.empty());
        for (const auto& [t, waiting] : seen) {
            const bool expected = t > 1.0 && (c.clearedAt < 0 || t < c.clearedAt);
            if (std::abs(t - 1.0) < 1e-9 || std::abs(t - c.clearedAt) < 1e-9) continue;
            EXPECT_EQ(waiting, expected) << "at " << t << " s";
        }
        const bool boxShown = !shell.messages.shown.empty() &&
                              shell.messages.shown.back().title == "WARNING - Communication Error!";
        EXPECT_EQ(boxShown, c.cableBox);
        if (c.cableBox) {
            EXPECT_DOUBLE_EQ(shell.clock.now() - start, 5.0) << "as with plain waits";
        } else {
            EXPECT_EQ(shell.window->panel(1)->text(), normal);
        }
        EXPECT_EQ(watch.bytesFromShots, 0);
    }
}

}  // namespace
}  // namespace voran::testing
