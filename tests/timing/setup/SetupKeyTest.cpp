// The keyboard in the set-up window's entry boxes: Up, Down, Page Up and
// Page Down step a value as the spinner does.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

TEST_F(SetupWindow, ArrowAndPageKeysStepTheBoxThroughTheSpinnersCheckAndWriteOnce) {
    // Box, its address, the value the board holds, the text typed first
    // (none: the board's value), the key, the value written or, when the
    // step is refused (maximum set), the range message's bounds.
    const struct {
        int box;
        const char* address;
        int held;
        const char* typed;
        Qt::Key key;
        int written;
        int minimum = 0, maximum = 0;
    } cases[] = {
        {1, "W1002", 40, nullptr, Qt::Key_Up, 41},
        {2, "W1004", 40, nullptr, Qt::Key_PageUp, 50},
        {2, "W1004", 40, nullptr, Qt::Key_PageDown, 30},
        // The step stays within the box's range.
        {0, "W1000", 5, nullptr, Qt::Key_PageDown, 1},
        {10, "W1020", 315, nullptr, Qt::Key_PageUp, 319},
        {12, "B1030", 250, nullptr, Qt::Key_PageUp, 255},
        // From a typed value, as the spinner steps from it.
        {3, "W1006", 40, "100", Qt::Key_Up, 101},
        // Nothing to step from: one range message, nothing written.
        {4, "W1008", 40, "abc", Qt::Key_Up, 0, 0, 319},
        {4, "W1008", 40, "400", Qt::Key_Down, 0, 0, 319},
        {13, "B1031", 40, "12x", Qt::Key_PageUp, 0, 0, 255},
    };
    for (const auto& c : cases) ASSERT_TRUE(board.preset(c.address, c.held));
    open(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "box " << c.box << " key " << c.key);
        ASSERT_TRUE(board.preset(c.address, c.held));
        box(c.box)->setText(QString::number(c.held));
        messages.shown.clear();
        clearTrace();
        if (c.typed)
            typeInto(c.box, QString::fromLatin1(c.typed));
        else
            box(c.box)->lineEdit()->setFocus(Qt::TabFocusReason);
        key(c.key);
        EXPECT_EQ(focus(), box(c.box)->lineEdit()) << "the focus stays to step again";
        if (c.maximum) {
            EXPECT_EQ(messages.shown, rangeBox(c.minimum, c.maximum));
            EXPECT_EQ(box(c.box)->text(), QString::number(c.held));
            EXPECT_EQ(board.peek(c.address), c.held);
            key(Qt::Key_Escape), key(Qt::Key_Escape);  // leave without writing
            EXPECT_EQ(writes(c.address), 0);
            continue;
        }
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(box(c.box)->lineEdit()->selectedText(), QString::number(c.written));
        EXPECT_EQ(board.peek(c.address), c.written);
        EXPECT_EQ(item(c.box), c.written);
        // Leaving the box has nothing more to write.
        key(Qt::Key_Tab);
        EXPECT_EQ(writes(c.address), 1);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(SetupWindow, RepeatedUpStepsOnFromTheSteppedValueAndStopsAtTheTop) {
    board.preset("W1002", 317);
    open(true);
    box(1)->lineEdit()->setFocus(Qt::TabFocusReason);
    for (int n = 0; n < 4; ++n) key(Qt::Key_Up);
    EXPECT_EQ(box(1)->text(), QStringLiteral("319"));
    EXPECT_EQ(board.peek("W1002"), 319);
    EXPECT_EQ(writes("W1002"), 2) << "318 and 319; nothing at the top of the range";
    // Escape goes back to the last stepped value, not to the first one.
    QTest::keyClicks(focus(), QStringLiteral("5"));
    key(Qt::Key_Escape);
    EXPECT_EQ(box(1)->text(), QStringLiteral("319"));
}

}  // namespace
}  // namespace voran::testing
