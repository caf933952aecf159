// Typing set-up values into the window: the range messages, what is stored
// and what reaches the board, Enter, Escape and the spinners.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

struct RangeCase {
    const char* name;
    int box;
    const char* typed;
    const char* message;
};

class SetupRangeMessage : public SetupWindow, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(SetupRangeMessage, RefusedEntryShowsOneMessageAndSendsNothing) {
    const RangeCase c = GetParam();
    openOnline();
    const QString before = box(c.box)->text();
    const std::int32_t stored = item(c.box);
    typeInto(c.box, QString::fromLatin1(c.typed));
    pressTab();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, c.message);
    EXPECT_EQ(messages.shown[0].title, "Set-up");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(box(c.box)->text(), before) << "the saved value is back";
    EXPECT_EQ(focus(), box(c.box)->lineEdit());
    EXPECT_EQ(item(c.box), stored);
    EXPECT_TRUE(written().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, SetupRangeMessage,
    ::testing::Values(
        RangeCase{"Station1ShiftsZero", 0, "0", "Only a Number Between 1 and 319 can be Entered"},
        RangeCase{"FlangerShiftsZero", 11, "0", "Only a Number Between 1 and 319 can be Entered"},
        RangeCase{"Station2Shifts320", 1, "320", "Only a Number Between 0 and 319 can be Entered"},
        RangeCase{"MissingCans256", 12, "256", "Only a Number Between 0 and 255 can be Entered"},
        RangeCase{"FlangerMissingCans256", 23, "256",
                  "Only a Number Between 0 and 255 can be Entered"},
        RangeCase{"Letters", 5, "abc", "Only a Number Between 0 and 319 can be Entered"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    int box;
    const char* typed;
    const char* address;
    std::int64_t value;
};

class SetupAcceptedValue : public SetupWindow, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(SetupAcceptedValue, IsStoredAndWrittenOnceToItsItem) {
    const WriteCase c = GetParam();
    openOnline();
    typeInto(c.box, QString::fromLatin1(c.typed));
    pressTab();

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(board.peek(c.address), c.value);
    EXPECT_EQ(item(c.box), c.value);
    EXPECT_EQ(box(c.box)->text(), QString::number(c.value));
    EXPECT_EQ(writesTo(c.address), 1);
}

INSTANTIATE_TEST_SUITE_P(Items, SetupAcceptedValue,
                         ::testing::Values(WriteCase{"Station1Lowest", 0, "1", "W1000", 1},
                                           WriteCase{"Station11Highest", 10, "319", "W1020", 319},
                                           WriteCase{"FlangerShifts", 11, "300", "W1022", 300},
                                           WriteCase{"MissingCansZero", 12, "0", "B1030", 0},
                                           WriteCase{"FlangerMissingCans", 23, "255", "B1041", 255},
                                           // A fraction is rounded before it travels: the link
                                           // would otherwise drop the point and write 1206.
                                           WriteCase{"FractionRounded", 3, "120.6", "W1006", 121}),
                         [](const auto& info) { return std::string(info.param.name); });

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
