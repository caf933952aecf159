// Typing set-up values into the window: the range messages, what is stored
// and what reaches the board, Enter and Escape.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

TEST_F(SetupWindow, EntryIsWrittenOnceToItsItemOrRefusedWithOneBoxGivingTheBoxsRange) {
    // Box, typed text, the item's address, the value written or, when
    // refused (maximum set), the bounds of the range message.
    const struct {
        int box;
        const char* typed;
        const char* address;
        std::int64_t value;
        int minimum = 0, maximum = 0;
    } cases[] = {
        {0, "1", "W1000", 1},
        {10, "319", "W1020", 319},
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
    open(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString before = box(c.box)->text();
        const std::int32_t stored = item(c.box);
        messages.shown.clear();
        clearTrace();
        typeInto(c.box, QString::fromLatin1(c.typed));
        key(Qt::Key_Tab);
        EXPECT_EQ(writes(c.address), c.maximum ? 0 : 1);
        if (!c.maximum) {
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
        EXPECT_EQ(box(c.box)->text(), before);
        EXPECT_EQ(focus(), box(c.box)->lineEdit());
        EXPECT_EQ(item(c.box), stored);
        key(Qt::Key_Escape), key(Qt::Key_Escape);  // leave the box without writing
    }
}

TEST_F(SetupWindow, BadEntryLeftByClickingCalibrateOrACheckGivesOnlyTheRangeMessage) {
    board.preset("W1042", 4095);
    open(true);
    typeInto(0, QStringLiteral("0"));
    click(window->cmdCalibrate());
    typeInto(12, QStringLiteral("999"));
    click(check(3));
    ASSERT_EQ(messages.shown.size(), 2u) << "no Calibrate question";
    EXPECT_EQ(messages.shown[1].title, "Set-up");
    EXPECT_EQ(focus(), box(12)->lineEdit());
    EXPECT_TRUE(check(3)->isChecked());
    for (const char* a : {"B1044", "W1042", "B1030"}) EXPECT_EQ(writes(a), 0) << a;
}

TEST_F(SetupWindow, ZeroShiftsToStation2IsAcceptedAndSwitchesOffItsTransferJamCheck) {
    board.preset("W1002", 40);
    board.preset("W1042", 4095);
    open(true);
    typeInto(1, QStringLiteral("0"));
    key(Qt::Key_Tab);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(check(1)->isEnabled() || check(1)->isChecked());
    EXPECT_EQ(board.peek("W1002"), 0);
    EXPECT_EQ(board.peek("W1042"), 4093);
    EXPECT_EQ(item(37), 4093);

    // Shifts again, by the spinner: the check comes back, enabled and
    // checked, and the spinner hands the focus on.
    click(box(1)->upButton());
    EXPECT_EQ(board.peek("W1002"), 1);
    EXPECT_EQ(item(1), 1);
    EXPECT_TRUE(check(1)->isEnabled() && check(1)->isChecked());
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(writes("W1002"), 2) << "one write per entry and per spin";
}

TEST_F(SetupWindow, EnterMovesDownTheShiftColumnAndOnToTheMissingCans) {
    open(true);
    typeInto(0, QStringLiteral("33"));
    key(Qt::Key_Return);
    EXPECT_EQ(focus(), box(1)->lineEdit());
    EXPECT_EQ(board.peek("W1000"), 33);
    box(11)->lineEdit()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Enter);
    EXPECT_EQ(focus(), box(12)->lineEdit());
}

TEST_F(SetupWindow, EscapeOnceRestoresEscapeTwiceGoesToTheDefaultButtonWritingNothing) {
    board.preset("W1004", 60);
    open(true);
    typeInto(2, QStringLiteral("99"));
    key(Qt::Key_Escape);
    EXPECT_EQ(box(2)->text(), QStringLiteral("60"));
    EXPECT_EQ(box(2)->lineEdit()->selectedText(), QStringLiteral("60"));
    QTest::keyClicks(focus(), QStringLiteral("7"));
    key(Qt::Key_Escape);
    EXPECT_EQ(focus(), box(2)->lineEdit()) << "an Escape after typing is a first Escape again";
    EXPECT_EQ(box(2)->text(), QStringLiteral("60"));
    EXPECT_TRUE(window->Editing(2));

    key(Qt::Key_Escape);
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_FALSE(window->Editing(2));
    EXPECT_EQ(writes(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace voran::testing
