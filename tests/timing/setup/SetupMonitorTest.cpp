// What the window shows and how it follows the link: the live refresh, the
// offline layouts, the transfer jam enables and the calibration commands.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

TEST_F(SetupWindow, CaptionsAndHeadings) {
    const std::pair<QWidget*, const char*> texts[] = {
        {window->lblSetup(0), "Station 01:"},
        {window->lblSetup(10), "Station 11:"},
        {window->lblSetup(11), "Flanger:"},
        {window->lblSetup(12), "Total Count:"},
        {window->lblHeading(0), "Number of Shifts to Station"},
        {window->lblHeading(1), "Calibration Count"},
        {window->lblHeading(2), "Number of Missing Cans for Transfer Jam Alarm"},
        {check(4), "Transfer Jam Enable"},
        {window->cmdCalibrate(), "&Calibrate Number of Shifts"},
        {window->cmdAutoSet(), "&Auto Set Shifts"},
        {window->cmdDefault(), "-"},
    };
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Set-Up"));
    for (const auto& [w, text] : texts)
        EXPECT_EQ(w->property("text").toString(), QString::fromLatin1(text));
}

TEST_F(SetupWindow, OnlinePassShowsTheControllersValuesWithoutWriting) {
    for (const auto& [a, v] : {std::pair{"W1000", 21},
                               {"W1022", 244},
                               {"B1030", 7},
                               {"W636", 57},
                               {"W754", 11},
                               {"W630", 999},
                               {"W1042", 4094}})
        board.preset(a, v);
    link.OpenRSComm(port);
    window->activate();
    window->runMonitorPass();
    const std::pair<QString, QString> shown[] = {{box(0)->text(), "21"},
                                                 {box(11)->text(), "244"},
                                                 {box(12)->text(), "7"},
                                                 {window->lblCalShift(2)->text(), "57"},
                                                 {window->lblCalShift(11)->text(), "11"},
                                                 {window->lblCalShift(12)->text(), "999"}};
    for (const auto& [text, expected] : shown) EXPECT_EQ(text, expected);
    // A mask of 4094: every transfer jam check but Station 1's.
    for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isChecked(), k != 0) << k;
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(0), 20) << "the refresh leaves the working data alone";
    EXPECT_EQ(item(37), 4095);
}

TEST_F(SetupWindow, BoxBeingEditedIsNotOverwrittenByTheRefresh) {
    open(true);
    click(box(6)->lineEdit());  // clicked into, nothing typed
    EXPECT_EQ(box(6)->lineEdit()->selectedText(), QStringLiteral("140"));
    board.preset("W1012", 135);
    window->runMonitorPass();
    EXPECT_EQ(box(6)->text(), QStringLiteral("140"));

    typeInto(15, QStringLiteral("4"));
    board.preset("B1033", 8);
    board.preset("W1008", 100);
    window->runMonitorPass();
    EXPECT_EQ(box(15)->text(), QStringLiteral("4")) << "the operator's text stays";
    EXPECT_EQ(box(4)->text(), QStringLiteral("100")) << "the other boxes follow the board";
}

TEST_F(SetupWindow, BoxHoldingTheFocusOnlyBecauseTheWindowOpenedFollowsTheBoard) {
    ASSERT_EQ(focus(), box(0)->lineEdit());
    board.preset("W1000", 31);
    open(true);
    EXPECT_EQ(box(0)->text(), QStringLiteral("31"));
    QTest::keyClicks(box(0)->lineEdit(), QStringLiteral("44"));  // typing replaces it
    key(Qt::Key_Tab);
    EXPECT_EQ(board.peek("W1000"), 44);
}

TEST_F(SetupWindow, ChangedBoardMaskIsShownAndWrittenBackWholeOnce) {
    board.preset("W1042", 4095);
    open(true);
    board.preset("W1042", 0x0F0);
    window->runMonitorPass();
    for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isChecked(), k >= 4 && k < 8);
    EXPECT_EQ(writes("W1042"), 1) << "never a half-applied mask";
    EXPECT_EQ(board.peek("W1042"), 0x0F0);
}

TEST_F(SetupWindow, PassThatFindsTheLinkBusyOrTheWindowClosedDoesNothing) {
    open(true);
    {
        RSComm::Hold held(link);
        window->runMonitorPass();
    }
    window->deactivate();
    window->runMonitorPass();
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(SetupWindow, CheckBoxClickBeforeTheMaskIsKnownIsIgnored) {
    board.preset("W1042", 4095);
    link.OpenRSComm(port);
    window->setTimerDriven(true);
    window->activate();
    for (int n = 0; n < 5 && !window->passUnderWay(); ++n) QCoreApplication::processEvents();
    ASSERT_TRUE(window->layoutBusy());
    window->setTimerDriven(false);  // hold the pass where it is
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
    EXPECT_EQ(window->lblCalShift(12)->text(), QStringLiteral("0"));
    EXPECT_TRUE(check(0)->isChecked());
    EXPECT_FALSE(check(1)->isChecked());
    for (const bool editing : {false, true}) {
        ctx.OfflineEditing = editing;
        window->runMonitorPass();
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(box(i)->lineEdit()->isEnabled(), editing) << i;
            EXPECT_EQ(box(i)->upButton()->isEnabled(), editing) << i;
        }
        for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isEnabled(), editing) << k;
        EXPECT_FALSE(window->cmdCalibrate()->isEnabled() || window->cmdAutoSet()->isEnabled());
    }
    // Edits are kept for Save, the changed check included; nothing travels.
    typeInto(4, QStringLiteral("77"));
    key(Qt::Key_Tab);
    click(check(0));
    EXPECT_EQ(item(4), 77);
    EXPECT_EQ(item(37), 0);
    EXPECT_TRUE(tables.HasUnsavedChanges());
    EXPECT_TRUE(port.sent().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SetupWindow, ReplacedTablesAreShownOnTheNextPassAndTheFlagCleared) {
    open(false);
    item(0) = 123;
    window->runMonitorPass();
    EXPECT_EQ(box(0)->text(), QStringLiteral("20")) << "nothing redisplays without the flag";
    tables.TablesReplaced = true;
    window->runMonitorPass();
    EXPECT_FALSE(tables.TablesReplaced);
    EXPECT_EQ(box(0)->text(), QStringLiteral("123"));
}

TEST_F(SetupWindow, CalibrateAndAutoSetAskFirstAndOnlyYesActs) {
    board.preset("W636", 57);   // calibrated count of Station 3
    board.preset("W754", 250);  // flanger
    open(true);
    messages.answers = {MsgResult::No, MsgResult::Cancel, MsgResult::No, MsgResult::Cancel};
    for (int n = 0; n < 2; ++n) click(window->cmdCalibrate()), click(window->cmdAutoSet());
    EXPECT_TRUE(port.sent().empty());
    messages.answers = {MsgResult::Yes, MsgResult::Yes};
    click(window->cmdCalibrate());
    click(window->cmdAutoSet());
    ASSERT_EQ(messages.shown.size(), 6u);
    const std::pair<const char*, const char*> questions[] = {
        {"Calibrate Shifts", "Enter calibration mode (reset counts)."},
        {"Auto Set Shifts", "Copy station calibrate counts to station shifts."}};
    for (int q = 0; q < 2; ++q) {
        const auto& shown = messages.shown[4 + q];
        EXPECT_EQ(shown.title, questions[q].first);
        EXPECT_EQ(shown.text,
                  std::string(questions[q].second) + "\r\n\r\nDo you wish to continue?");
        EXPECT_EQ(shown.icon, MsgIcon::Question);
        EXPECT_EQ(shown.buttons, MsgButtons::YesNoCancel);
    }
    EXPECT_EQ(board.peek("B1044.0"), 1);
    EXPECT_EQ(board.peek("W1004"), 57);
    EXPECT_EQ(board.peek("W1022"), 250);
    EXPECT_EQ(item(2), 57);
    EXPECT_EQ(item(26), 57);
    EXPECT_EQ(item(11), 250);
    EXPECT_EQ(box(2)->text(), QStringLiteral("-"));
    window->runMonitorPass();
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
