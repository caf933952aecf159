// Typing set-up values into the window's entry boxes: the range check and
// its message, what is stored and what reaches the board, leaving a box,
// Enter, Escape and the spinners.
#include <QImage>

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
        {10, "319", "W1020", 319},
        {23, "255", "B1041", 255},
        // A fraction is rounded before it travels: the link would otherwise
        // drop the point and write 1206.
        {3, "120.6", "W1006", 121},
        {0, "0", "W1000", 0, 1, 319},
        {11, "0", "W1022", 0, 1, 319},
        {1, "320", "W1002", 0, 0, 319},
        {12, "256", "B1030", 0, 0, 255},
        // Only a plain decimal number passes.
        {5, "12abc", "W1010", 0, 0, 319},
        {5, "", "W1010", 0, 0, 319},
        {5, "\xd9\xa3", "W1010", 0, 0, 319},  // a digit of another script
    };
    open(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString before = box(c.box)->text();
        const std::int32_t stored = item(c.box);
        messages.shown.clear();
        clearTrace();
        typeInto(c.box, QString::fromUtf8(c.typed));
        key(Qt::Key_Tab);
        EXPECT_EQ(writes(c.address), c.maximum ? 0 : 1);
        EXPECT_EQ(item(c.box), c.maximum ? stored : c.value);
        if (!c.maximum) {
            EXPECT_EQ(messages.shown.size(), 0u);
            EXPECT_EQ(board.peek(c.address), c.value);
            EXPECT_EQ(box(c.box)->text(), QString::number(c.value));
            continue;
        }
        EXPECT_EQ(messages.shown, rangeBox(c.minimum, c.maximum));
        EXPECT_EQ(box(c.box)->lineEdit()->selectedText(), before);
        EXPECT_EQ(focus(), box(c.box)->lineEdit());
        key(Qt::Key_Escape), key(Qt::Key_Escape);  // leave the box without writing
    }
}

TEST_F(SetupWindow, BadEntryGivesOneBoxHoweverTheBoxIsLeftAndTheFocusStaysInIt) {
    open(true);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Enter", [this] { key(Qt::Key_Return); }},
        {"click on Calibrate", [this] { click(window->cmdCalibrate()); }},
        {"click in another box", [this] { click(box(12)->lineEdit()); }},
        // A real message box takes the activation while open and hands it back.
        {"box taking the activation",
         [this] {
             messages.whileOpen = [this] {
                 QWidget other;
                 other.show();
                 activate(&other);
                 other.close();
                 activate(window.get());
             };
             key(Qt::Key_Tab);
         }},
    };
    for (const auto& [way, leave] : ways) {
        messages.shown.clear();
        typeInto(0, QStringLiteral("abc"));
        leave();
        EXPECT_EQ(messages.shown, rangeBox(1, 319)) << way << ": no second box, no question";
        EXPECT_EQ(focus(), box(0)->lineEdit()) << way;
        EXPECT_EQ(box(0)->text(), QStringLiteral("20")) << way;
    }
    EXPECT_EQ(writes(), 0) << "no calibration, no value";
}

TEST_F(SetupWindow, LeavingAnUntouchedBoxWritesAValueInRangeButChecksNoMark) {
    // "-" shows until the controller answers (or after Auto Set), and the
    // controller may hold a value outside the range: neither traps the
    // operator in a box never touched.
    open(true);
    for (const auto& [i, address, shown, written] : {std::tuple{2, "W1004", "60", 1},
                                                     {3, "W1006", "-", 0},
                                                     {4, "W1008", "****", 0},
                                                     {0, "W1000", "0", 0}}) {
        clearTrace();
        box(i)->setText(QString::fromLatin1(shown));
        box(i)->lineEdit()->setFocus(Qt::TabFocusReason);
        key(Qt::Key_Tab);
        EXPECT_EQ(focus(), box(i + 1)->lineEdit()) << shown;
        EXPECT_EQ(writes(address), written) << shown;
    }
    EXPECT_TRUE(messages.shown.empty());
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
    EXPECT_TRUE(check(1)->isEnabled() && check(1)->isChecked());
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(writes("W1002"), 2) << "one write per entry and per spin";
}

TEST_F(SetupWindow, EnterMovesOnAndEscapeOnceRestoresTwiceGoesToAVisibleDefaultButton) {
    board.preset("W1004", 60);
    open(true);
    typeInto(1, QStringLiteral("33"));
    key(Qt::Key_Return);
    EXPECT_EQ(focus(), box(2)->lineEdit());
    EXPECT_EQ(board.peek("W1002"), 33);
    clearTrace();
    typeInto(2, QStringLiteral("99"));
    key(Qt::Key_Escape);
    EXPECT_EQ(box(2)->lineEdit()->selectedText(), QStringLiteral("60"));
    QTest::keyClicks(focus(), QStringLiteral("7"));
    key(Qt::Key_Escape);
    EXPECT_EQ(focus(), box(2)->lineEdit()) << "an Escape after typing is a first Escape again";
    EXPECT_EQ(box(2)->text(), QStringLiteral("60"));
    QPushButton* def = window->cmdDefault();
    const QImage without = def->grab().toImage();
    key(Qt::Key_Escape);
    ASSERT_EQ(focus(), def);
    EXPECT_TRUE(def->isVisible());
    EXPECT_GE(def->width(), def->fontMetrics().horizontalAdvance(QStringLiteral("-")));
    EXPECT_GT(def->height(), 0);
    EXPECT_NE(def->grab().toImage(), without) << "the button drawn with the focus looks different";
    EXPECT_FALSE(window->Editing(2));
    EXPECT_EQ(writes(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace voran::testing
