// The set-up window: typing values into its entry boxes, and what it shows
// and how it follows the link.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "timing/ui/frmSetup.h"

namespace voran::testing {
namespace {

// The set-up window over the in-process board holding the default set-up,
// shown and active; the tests run the monitoring passes themselves.
class SetupWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        tables.BuildDefaults(clock.localDateTime());
        for (int i = 0; i < frmSetup::kItems; ++i)
            ASSERT_TRUE(board.preset(tables.CurrentData.Address[i], tables.CurrentData.Value[i]));
        window = std::make_unique<frmSetup>(ctx);
        window->monitor().setTimerDriven(false);
        window->show();
        activate(window.get());
    }
    static void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    // Opens the link (or stays offline), activates the window and runs the
    // first pass.
    void open(bool online, bool offlineEditing = false) {
        ctx.OfflineEditing = offlineEditing;
        if (online) ctx.goOnline();
        window->activate();
        window->monitor().runPass();
        clearTrace();
    }
    // Bytes written since the trace was cleared; with an address ("W1042"),
    // only those to it.
    int writes(const char* address = nullptr) const {
        return WindowContext::writes(address ? std::atoi(address + 1) : -1);
    }
    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QCheckBox* check(int k) const { return window->chkSetup(k); }
    void typeInto(int i, const QString& text) { WindowContext::typeInto(box(i), text); }
    // The one box a refused entry gives.
    static std::vector<FakeMessageBox::Shown> rangeBox(int minimum, int maximum) {
        return {{"Only a Number Between " + std::to_string(minimum) + " and " +
                     std::to_string(maximum) + " can be Entered",
                 "Set-up", MsgButtons::Ok, MsgIcon::Information}};
    }
    std::int32_t& item(int i) { return tables.CurrentData.Value[i]; }

    std::unique_ptr<frmSetup> window;
};

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

// An entry not finished: a spinner click after a bad text, a command that
// asks for the entry, and a link fault in the middle of it.
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

// What the window shows and how it follows the link: the live refresh, the
// offline layouts, the transfer jam enables and the calibration commands.

TEST_F(SetupWindow, OnlinePassShowsTheControllersValuesWithoutWriting) {
    for (const auto& [a, v] :
         {std::pair{"W1000", 21}, {"B1030", 7}, {"W636", 57}, {"W630", 999}, {"W1042", 4094}})
        board.preset(a, v);
    link.OpenRSComm(port);
    window->activate();
    window->monitor().runPass();
    EXPECT_EQ(QStringList({box(0)->text(), box(12)->text(), window->lblCalShift(2)->text(),
                           window->lblCalShift(12)->text()}),
              QStringList({"21", "7", "57", "999"}));
    // A mask of 4094: every transfer jam check but Station 1's.
    for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isChecked(), k != 0) << k;
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(0), 20) << "the refresh leaves the working data alone";
    // A mask changed at the board is shown and written back whole, once.
    board.preset("W1042", 0x0F0);
    window->monitor().runPass();
    for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isChecked(), k >= 4 && k < 8);
    EXPECT_EQ(writes("W1042"), 1) << "never a half-applied mask";
    EXPECT_EQ(board.peek("W1042"), 0x0F0);
}

TEST_F(SetupWindow, BoxBeingEditedIsNotOverwrittenByTheRefresh) {
    // The box that holds the focus only because the window opened follows
    // the board.
    ASSERT_EQ(focus(), box(0)->lineEdit());
    board.preset("W1000", 31);
    open(true);
    EXPECT_EQ(box(0)->text(), QStringLiteral("31"));
    click(box(6)->lineEdit());  // clicked into, nothing typed
    board.preset("W1012", 135);
    window->monitor().runPass();
    EXPECT_EQ(box(6)->text(), QStringLiteral("140"));

    typeInto(15, QStringLiteral("4"));
    board.preset("B1033", 8);
    board.preset("W1008", 100);
    window->monitor().runPass();
    EXPECT_EQ(box(15)->text(), QStringLiteral("4")) << "the operator's text stays";
    EXPECT_EQ(box(4)->text(), QStringLiteral("100")) << "the other boxes follow the board";
}

TEST_F(SetupWindow, CheckBoxClickBeforeTheMaskIsKnownIsIgnored) {
    board.preset("W1042", 4095);
    link.OpenRSComm(port);
    window->monitor().setTimerDriven(true);
    window->activate();
    for (int n = 0; n < 5 && !window->monitor().underWay(); ++n) QCoreApplication::processEvents();
    ASSERT_TRUE(window->layoutBusy());
    window->monitor().setTimerDriven(false);  // hold the pass where it is
    clearTrace();
    click(check(2));
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(37), 4095);
}

TEST_F(SetupWindow, Station1AndFlangerCheckedWritesTheText2049) {
    board.preset("W1042", 1);
    open(true);
    click(check(11));
    EXPECT_EQ(board.peek("W1042"), 2049);
    EXPECT_EQ(writes("W1042"), 1);
    EXPECT_EQ(item(37), 2049);
}

TEST_F(SetupWindow, OfflineShowsTheWorkingDataAndOnlyOfflineEditingEnablesBoxesAndChecks) {
    item(37) = 1;
    open(false);
    EXPECT_EQ(box(11)->text(), QStringLiteral("240"));
    EXPECT_EQ(box(23)->text(), QStringLiteral("5"));
    EXPECT_TRUE(check(0)->isChecked() && !check(1)->isChecked());
    for (const bool editing : {false, true}) {
        ctx.OfflineEditing = editing;
        window->monitor().runPass();
        for (int i = 0; i < 24; ++i) EXPECT_EQ(box(i)->lineEdit()->isEnabled(), editing) << i;
        for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isEnabled(), editing) << k;
        EXPECT_FALSE(window->cmdCalibrate()->isEnabled() || window->cmdAutoSet()->isEnabled());
    }
    // Edits are kept for Save, the changed check included; nothing travels.
    typeInto(4, QStringLiteral("77"));
    key(Qt::Key_Tab);
    click(check(0));
    EXPECT_EQ(item(4), 77);
    EXPECT_EQ(item(37), 0);
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(SetupWindow, CalibrateAndAutoSetAskFirstAndOnlyYesActs) {
    board.preset("W636", 57);   // calibrated count of Station 3
    board.preset("W754", 250);  // flanger
    open(true);
    messages.answers = {MsgResult::No, MsgResult::Cancel, MsgResult::Yes, MsgResult::Yes};
    click(window->cmdCalibrate()), click(window->cmdAutoSet());
    EXPECT_TRUE(port.sent().empty());
    click(window->cmdCalibrate()), click(window->cmdAutoSet());
    auto question = [](const char* title, const char* what) {
        return FakeMessageBox::Shown{std::string(what) + "\r\n\r\nDo you wish to continue?", title,
                                     MsgButtons::YesNoCancel, MsgIcon::Question};
    };
    const auto calibrate = question("Calibrate Shifts", "Enter calibration mode (reset counts).");
    const auto autoSet =
        question("Auto Set Shifts", "Copy station calibrate counts to station shifts.");
    EXPECT_EQ(messages.shown, std::vector({calibrate, autoSet, calibrate, autoSet}));
    EXPECT_EQ(board.peek("B1044.0"), 1);
    EXPECT_EQ(board.peek("W1004"), 57);
    EXPECT_EQ(board.peek("W1022"), 250);
    EXPECT_EQ(item(2), 57);
    EXPECT_EQ(item(11), 250);
    window->monitor().runPass();
    EXPECT_EQ(box(2)->text(), QStringLiteral("57"));
}

TEST_F(SetupWindow, AutoSetCopiesNothingForACountThatDidNotArrive) {
    board.preset("W632", 3);
    open(true);
    port.silent = true;
    messages.answers = {MsgResult::Yes};
    click(window->cmdAutoSet());
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(item(0), 20);
    EXPECT_EQ(box(0)->text(), QStringLiteral("20"));
}

}  // namespace
}  // namespace voran::testing
