// Typing set-up values into the window: the range messages, what is stored
// and what reaches the board, Enter, Escape and the spinners.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

// Box, typed text, the item's address, and the value written or, when
// refused, the bounds of the range message.
struct EntryCase {
    int box;
    const char* typed;
    const char* address;
    std::int64_t value;
    int minimum = 0, maximum = 0;
};

TEST_F(SetupWindow, EntryIsWrittenOnceToItsItemOrRefusedWithTheBoxsRange) {
    const EntryCase cases[] = {
        {0, "1", "W1000", 1},
        {10, "319", "W1020", 319},
        {11, "300", "W1022", 300},
        {12, "0", "B1030", 0},
        {23, "255", "B1041", 255},
        // A fraction is rounded before it travels: the link would otherwise
        // drop the point and write 1206.
        {3, "120.6", "W1006", 121},
        {0, "0", "W1000", 0, 1, 319},
        {11, "0", "W1022", 0, 1, 319},
        {1, "320", "W1002", 0, 0, 319},
        {12, "256", "B1030", 0, 0, 255},
        {23, "256", "B1041", 0, 0, 255},
        {5, "abc", "W1010", 0, 0, 319},
    };
    openOnline();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const bool refused = c.maximum != 0;
        const QString before = box(c.box)->text();
        const std::int32_t stored = item(c.box);
        messages.shown.clear();
        port.clearTrace();
        traceMode = link.currentMode();
        typeInto(c.box, QString::fromLatin1(c.typed));
        pressTab();
        EXPECT_EQ(writesTo(c.address), refused ? 0 : 1);
        if (!refused) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(board.peek(c.address), c.value);
            EXPECT_EQ(item(c.box), c.value);
            EXPECT_EQ(box(c.box)->text(), QString::number(c.value));
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Only a Number Between " + std::to_string(c.minimum) +
                                              " and " + std::to_string(c.maximum) +
                                              " can be Entered");
        EXPECT_EQ(messages.shown[0].title, "Set-up");
        EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
        EXPECT_EQ(box(c.box)->text(), before) << "the saved value is back";
        EXPECT_EQ(focus(), box(c.box)->lineEdit());
        EXPECT_EQ(item(c.box), stored);
        // Escape twice leaves the box without writing anything.
        QTest::keyClick(focus(), Qt::Key_Escape);
        QTest::keyClick(focus(), Qt::Key_Escape);
    }
}

TEST_F(SetupWindow, ZeroShiftsToStation2IsAcceptedAndSwitchesOffItsTransferJamCheck) {
    board.preset("W1002", 40);
    board.preset("W1042", 4095);
    openOnline();
    typeInto(1, QStringLiteral("0"));
    pressTab();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(window->chkSetup(1)->isEnabled());
    EXPECT_FALSE(window->chkSetup(1)->isChecked());
    EXPECT_EQ(board.peek("W1002"), 0);
    EXPECT_EQ(board.peek("W1042"), 4093);
    EXPECT_EQ(item(37), 4093);

    // Shifts again, here by the spinner: the check comes back, enabled and
    // checked, and the spinner hands the focus on.
    QTest::mouseClick(box(1)->upButton(), Qt::LeftButton);
    EXPECT_EQ(board.peek("W1002"), 1);
    EXPECT_EQ(item(1), 1);
    EXPECT_TRUE(window->chkSetup(1)->isEnabled());
    EXPECT_TRUE(window->chkSetup(1)->isChecked());
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(writesTo("W1002"), 2) << "one write per entry and per spin";
}

TEST_F(SetupWindow, LeavingAnUntouchedBoxWritesItsValueButNeverADash) {
    board.preset("W1004", 60);
    openOnline();
    box(2)->lineEdit()->setFocus(Qt::TabFocusReason);
    pressTab();
    EXPECT_EQ(writesTo("W1004"), 1);
    EXPECT_EQ(item(2), 60);

    port.clearTrace();
    box(3)->setText(QStringLiteral("-"));  // as after Auto Set, before the refresh
    box(3)->lineEdit()->setFocus(Qt::TabFocusReason);
    pressTab();
    EXPECT_EQ(focus(), box(4)->lineEdit());
    EXPECT_TRUE(written().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SetupWindow, EnterMovesDownTheShiftColumnAndOnToTheMissingCans) {
    openOnline();
    typeInto(0, QStringLiteral("33"));
    QTest::keyClick(focus(), Qt::Key_Return);
    EXPECT_EQ(focus(), box(1)->lineEdit());
    EXPECT_EQ(board.peek("W1000"), 33);

    box(11)->lineEdit()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(focus(), Qt::Key_Enter);
    EXPECT_EQ(focus(), box(12)->lineEdit());
}

TEST_F(SetupWindow, EscapeOnceRestoresEscapeTwiceGoesToTheDefaultButtonWritingNothing) {
    board.preset("W1004", 60);
    openOnline();
    typeInto(2, QStringLiteral("99"));
    QTest::keyClick(focus(), Qt::Key_Escape);
    EXPECT_EQ(box(2)->text(), QStringLiteral("60"));
    EXPECT_EQ(box(2)->lineEdit()->selectedText(), QStringLiteral("60"));
    EXPECT_TRUE(window->Editing(2));

    QTest::keyClick(focus(), Qt::Key_Escape);
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_FALSE(window->Editing(2));
    EXPECT_TRUE(written().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SetupWindow, BadEntryLeftByClickingCalibrateOrACheckGivesOnlyTheRangeMessage) {
    board.preset("W1042", 4095);
    openOnline();
    typeInto(0, QStringLiteral("0"));
    QTest::mouseClick(window->cmdCalibrate(), Qt::LeftButton);
    typeInto(12, QStringLiteral("999"));
    QTest::mouseClick(window->chkSetup(3), Qt::LeftButton);

    ASSERT_EQ(messages.shown.size(), 2u) << "no Calibrate question";
    EXPECT_EQ(messages.shown[0].title, "Set-up");
    EXPECT_EQ(messages.shown[1].title, "Set-up");
    EXPECT_EQ(focus(), box(12)->lineEdit());
    EXPECT_TRUE(window->chkSetup(3)->isChecked());
    EXPECT_EQ(writesTo("B1044"), 0) << "no calibration";
    EXPECT_EQ(writesTo("W1042"), 0) << "no mask";
    EXPECT_EQ(writesTo("B1030"), 0);
}

TEST_F(SetupWindow, OfflineEditingStoresValuesWithoutTouchingTheLink) {
    openOffline(true);
    typeInto(4, QStringLiteral("77"));
    pressTab();
    QTest::mouseClick(window->chkSetup(0), Qt::LeftButton);
    EXPECT_EQ(item(4), 77);
    EXPECT_EQ(item(37), 4094) << "the changed check is kept for Save";
    EXPECT_TRUE(tables.HasUnsavedChanges());
    EXPECT_TRUE(port.sent().empty());
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace voran::testing
