// What the window shows and how it follows the link: the live refresh, the
// offline layouts, the transfer jam enables and the calibration commands.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

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
