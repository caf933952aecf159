// What becomes of an entry the operator has not finished: a spinner click
// after a bad text, a command that asks for the entry, and a link fault in
// the middle of it.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

// One row per mode and text, each on a fresh window and board.
class SetupSpinFromText : public SetupWindow,
                          public ::testing::WithParamInterface<std::tuple<bool, const char*>> {};

TEST_P(SetupSpinFromText, GivesOneRangeMessageAndStoresNothingThenStepsFromAValue) {
    const auto [online, typed] = GetParam();
    open(online, true);
    const QString before = box(2)->text();
    const std::int32_t stored = item(2);
    const bool checked = check(2)->isChecked();
    typeInto(2, QString::fromLatin1(typed));
    click(box(2)->upButton());
    EXPECT_EQ(messages.shown, rangeBox(0, 319));
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(2), stored);
    EXPECT_EQ(std::pair(check(2)->isEnabled(), check(2)->isChecked()), std::pair(true, checked))
        << "the station's transfer jam check stays";
    EXPECT_EQ(box(2)->text(), before);
    EXPECT_EQ(focus(), box(2)->lineEdit());

    // From a value it steps by one.
    messages.shown.clear();
    typeInto(2, QStringLiteral("133"));
    click(box(2)->downButton());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(item(2), 132);
    EXPECT_EQ(writes("W1004"), online ? 1 : 0);
    EXPECT_EQ(board.peek("W1004"), online ? 132 : stored);
}
INSTANTIATE_TEST_SUITE_P(Rows, SetupSpinFromText,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values("abc", "500", "-1")));

TEST_F(SetupWindow, CommittingStoresTheTypedValueOnce) {
    open(true);
    typeInto(3, QStringLiteral("133"));
    EXPECT_TRUE(window->commitPendingEntry());
    EXPECT_TRUE(window->commitPendingEntry());
    EXPECT_EQ(item(3), 133);
    EXPECT_EQ(writes("W1006"), 1);
    EXPECT_EQ(focus(), box(3)->lineEdit()) << "the operator goes on in the box";
    key(Qt::Key_Tab);
    EXPECT_EQ(writes("W1006"), 1) << "leaving it has nothing left to store";
}

class SetupTypedAtAFault : public SetupWindow, public ::testing::WithParamInterface<const char*> {};

TEST_P(SetupTypedAtAFault, StaysInTheWorkingDataOrIsRefusedAfterTheLinkBox) {
    const char* typed = GetParam();
    const bool valid = typed[0] != 'a';
    open(true);
    const std::int32_t onBoard = board.peek("W1006");
    const std::int32_t stored = item(3);
    typeInto(3, QString::fromLatin1(typed));
    port.silent = true;
    window->monitor().runPass();  // the read fails; the link asks, Cancel
    ASSERT_TRUE(link.CommError);
    const std::size_t linkBoxes = messages.shown.size();
    ASSERT_GE(linkBoxes, 1u);
    window->monitor().runPass();  // the offline look
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(item(3), valid ? 133 : stored);
    EXPECT_EQ(box(3)->text(), QString::number(item(3)));
    EXPECT_EQ(board.peek("W1006"), onBoard);
    if (valid) {
        EXPECT_EQ(messages.shown.size(), linkBoxes);
    } else {
        ASSERT_EQ(messages.shown.size(), linkBoxes + 1) << "the range message after the link's";
        EXPECT_EQ(messages.shown.back(), rangeBox(0, 319)[0]);
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, SetupTypedAtAFault, ::testing::Values("133", "abc"));

}  // namespace
}  // namespace voran::testing
