// The value rows of the target board window (network addresses, the board's
// clock), the two Set to Current commands, and the window opened from the
// frame's menu.
#include <QAction>
#include <QApplication>
#include <fstream>

#include "ShellHarness.h"
#include "TargetBoardFixture.h"

namespace voran::testing {
namespace {

FakeMessageBox::Shown rangeBox(int minimum, int maximum, const std::string& caption) {
    return {"Only a Number Between " + std::to_string(minimum) + " and " + std::to_string(maximum) +
                " can be Entered",
            "Set-up" + caption, MsgButtons::Ok, MsgIcon::Information};
}

TEST_F(TargetBoardWindow, OutOfRangeEntryGivesOneBoxAndWritesNothing) {
    struct Case {
        char type;
        int row;
        const char* typed;
        FakeMessageBox::Shown box;
    };
    const Case cases[] = {
        {'D', 0, "33", rangeBox(1, 32, "Current Network Address 1:")},
        {'A', 1, "x", rangeBox(1, 32, "Current Network Address 2:")},
        {'6', 2, "24", rangeBox(0, 23, "Hr.")},
        {'6', 5, "13", rangeBox(1, 12, "Mo.")},
        {'6', 7, "100", rangeBox(0, 99, "Yr.")},
    };
    board.preset("B8180", 5);
    board.preset("B8191", 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " in row " + std::to_string(c.row));
        open(program(c.type));
        pass();
        messages.shown.clear();
        clearTrace();
        typeInto(c.row, QString::fromLatin1(c.typed));
        EXPECT_TRUE(window->Editing(c.row));
        key(Qt::Key_Tab);
        EXPECT_EQ(messages.shown, std::vector{c.box});
        EXPECT_TRUE(writes().empty());
        window->done(0);
    }
    EXPECT_EQ(board.peek("B8180"), 5);
}

// An entry accepted, and the spinner, write the row's item. Escape in a row
// first takes back what was typed; the next Escape, with nothing left to
// take back, closes the window (as from any other control), writing nothing.
TEST_F(TargetBoardWindow, AcceptedEntryAndSpinnerWriteTheRowsItemAndEscapeWritesNothing) {
    board.preset("B8180", 5);
    open(program('D'));
    pass();
    EXPECT_EQ(box(0)->text(), QStringLiteral("05"));
    clearTrace();
    typeInto(0, QStringLiteral("17"));
    key(Qt::Key_Return);  // Enter moves on and the check accepts
    EXPECT_NE(focus(), box(0)->lineEdit());
    EXPECT_EQ(writes(), std::vector<std::string>{"B8180=17"});
    EXPECT_FALSE(window->Editing(0));
    EXPECT_TRUE(messages.shown.empty());

    clearTrace();
    QTest::mouseClick(box(0)->upButton(), Qt::LeftButton);
    EXPECT_EQ(box(0)->text(), QStringLiteral("18"));
    EXPECT_EQ(writes(), std::vector<std::string>{"B8180=18"});
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(board.peek("B8180"), 18);

    clearTrace();
    typeInto(0, QStringLiteral("9"));
    EXPECT_EQ(window->SavedValue(0), 18);
    key(Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << "the first Escape takes back what was typed";
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << "Escape closes the window";
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(board.peek("B8180"), 18);
}

TEST_F(TargetBoardWindow, RefreshLeavesTheRowBeingEditedAlone) {
    open(program('A'));
    pass();
    typeInto(4, QStringLiteral("1"));
    clock.advance(3);
    pass();
    EXPECT_EQ(box(4)->text(), QStringLiteral("1"));
    // Taken back and left: the row shows the board's clock again.
    key(Qt::Key_Escape);
    window->cmdDefault()->setFocus(Qt::OtherFocusReason);
    clock.advance(3);
    pass();
    EXPECT_EQ(box(4)->text(), QStringLiteral("%1").arg(board.peek("B43008"), 2, 10, QChar('0')))
        << "the row follows the board again";
}

TEST_F(TargetBoardWindow, SetToCurrentTimeAndDateWriteOneReadingOfThePcsClock) {
    open(program('6'));
    pass();
    // The PC's clock moves on between two readings: a tenth of a second
    // before 13:00 the hour, the minute and the second must still come from
    // one moment.
    wall.set({2026, 3, 5, 12, 59, 59, 900});
    wall.tickMs = 100;
    clearTrace();
    window->cmdSetToCurrTime()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B43012=12", "B43010=59", "B43008=59"}));
    // The date: month, day and the year of the century.
    wall.set({2026, 3, 5, 10, 0, 0, 0});
    wall.tickMs = 0;
    clearTrace();
    window->cmdSetToCurrDate()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B43016=3", "B43015=5", "B43017=26"}));
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text(), box(4)->text(), box(5)->text(),
                           box(6)->text(), box(7)->text()}),
              QStringList({"12", "59", "59", "03", "05", "26"}));

    // Offline the commands send nothing.
    ctx.goOffline();
    clearTrace();
    window->cmdSetToCurrTime()->click();
    window->cmdSetToCurrDate()->click();
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(TargetBoardWindow, SimulatedBoardClockRunsAndTakesTheSettingsWritten) {
    board.rtc().start({2026, 12, 31, 23, 59, 58}, clock.now());
    open(program('6'));
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(6)->text(), box(5)->text(), box(7)->text()}),
              QStringList({"23", "31", "12", "26"}));
    clock.advance(2.5);
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text(), box(4)->text(), box(6)->text(),
                           box(5)->text(), box(7)->text()}),
              QStringList({"00", "00", "00", "01", "01", "27"}));
    typeInto(2, QStringLiteral("7"));
    key(Qt::Key_Tab);
    window->cmdDefault()->setFocus();  // out of the minutes box Tab went to
    clock.advance(61);
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text()}), QStringList({"07", "01"}));
}

// View > Target Board Interface in the frame: the program selection, then
// the modal window with its own pass.
TEST(TargetBoardMenu, F5PicksTheProgramAndOpensTheWindowOnlineUntilOk) {
    ShellHarness h;
    const std::string base = h.folder.path().toStdString() + "/LINE7.";
    std::ofstream(base + "tnx") << "DTNX\r\n";
    std::ofstream(base + "rev") << "LINE70015\r\n";
    h.board.preset("B8176", 0x0A);
    h.board.preset("B8180", 21);
    // The menu command; `inside` runs in the modal window, which then shows
    // the program on disk and is closed with OK.
    const auto viewTargetBoard = [&](const std::function<void(frmTargetBoard*)>& inside) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<frmTargetBoard*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            seen = true;
            inside(w);
            EXPECT_EQ(w->lblRevIdentOnDisk(0)->text(), QStringLiteral("LINE7"));
            w->cmdOk()->click();
        });
        h.window->action(MenuCommand::ViewTargetBoardStatus)->trigger();
        EXPECT_TRUE(seen);
    };

    h.dialogs.choose(base + "tnx");
    viewTargetBoard([](frmTargetBoard* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Target Board Interface"));
        // The pass runs from its own timer until the window closes.
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->StatusShown(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->txtSetup(0)->text() == "21"; }, 5000));
        EXPECT_EQ(w->lblTargetBoard(0)->text(), QStringLiteral("Current Fault: Code = 0AH"));
    });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(h.link().OnlineMode) << "the window took the program online";
    EXPECT_EQ(h.window->programCommands().gProgramFilePath, base + "tnx");

    // Cancelling the file dialog opens the window for the last program.
    h.dialogs.cancel();
    viewTargetBoard([](frmTargetBoard*) {});
}

}  // namespace
}  // namespace voran::testing
