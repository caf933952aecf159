// What the window shows and how it follows the link: the live refresh, the
// offline layouts, the transfer jam enables and the calibration commands.
#include "SetupFixture.h"

namespace voran::testing {
namespace {

// --- Live refresh ----------------------------------------------------------

TEST_F(SetupWindow, OnlinePassShowsTheControllersValuesWithoutWriting) {
    board.preset("W1000", 21);
    board.preset("W1022", 244);
    board.preset("B1030", 7);
    board.preset("W636", 57);
    board.preset("W754", 11);
    board.preset("W630", 999);
    board.preset("W1042", 4094);
    link.OpenRSComm(port);
    window->activate();
    window->runMonitorPass();

    EXPECT_EQ(box(0)->text(), QStringLiteral("21"));
    EXPECT_EQ(box(11)->text(), QStringLiteral("244"));
    EXPECT_EQ(box(12)->text(), QStringLiteral("7"));
    EXPECT_EQ(window->lblCalShift(2)->text(), QStringLiteral("57"));
    EXPECT_EQ(window->lblCalShift(11)->text(), QStringLiteral("11"));
    EXPECT_EQ(window->lblCalShift(12)->text(), QStringLiteral("999"));
    // A mask of 4094: every transfer jam check but Station 1's.
    for (int k = 0; k < 12; ++k) EXPECT_EQ(window->chkSetup(k)->isChecked(), k != 0) << k;
    EXPECT_TRUE(WrittenBytes(port.sent(), 0).empty());
    // The refresh does not change the working data.
    EXPECT_EQ(item(0), 20);
    EXPECT_EQ(item(37), 4095);
}

TEST_F(SetupWindow, BoxBeingEditedIsNotOverwrittenByTheRefresh) {
    openOnline();
    QTest::mouseClick(box(6)->lineEdit(), Qt::LeftButton);  // clicked into, nothing typed
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
    openOnline();
    EXPECT_EQ(box(0)->text(), QStringLiteral("31"));
    QTest::keyClicks(box(0)->lineEdit(), QStringLiteral("44"));  // typing replaces it
    pressTab();
    EXPECT_EQ(board.peek("W1000"), 44);
}

TEST_F(SetupWindow, StationGivenShiftsOnTheBoardGetsItsTransferJamCheckBack) {
    board.preset("W1008", 0);
    board.preset("W1042", 4095 - 16);
    openOnline();
    EXPECT_FALSE(window->chkSetup(4)->isEnabled());
    EXPECT_EQ(writesTo("W1042"), 0) << "the first pass after the layout writes nothing";

    board.preset("W1008", 5);
    window->runMonitorPass();
    EXPECT_TRUE(window->chkSetup(4)->isEnabled());
    EXPECT_TRUE(window->chkSetup(4)->isChecked());
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(item(37), 4095);
}

TEST_F(SetupWindow, ChangedBoardMaskIsShownAndWrittenBackWholeOnce) {
    board.preset("W1042", 4095);
    openOnline();
    board.preset("W1042", 0x0F0);
    window->runMonitorPass();
    for (int k = 0; k < 12; ++k) EXPECT_EQ(window->chkSetup(k)->isChecked(), k >= 4 && k < 8);
    EXPECT_EQ(writesTo("W1042"), 1) << "never a half-applied mask";
    EXPECT_EQ(board.peek("W1042"), 0x0F0);
    EXPECT_EQ(item(37), 4095);
}

TEST_F(SetupWindow, PassThatFindsTheLinkBusyOrTheWindowClosedDoesNothing) {
    openOnline();
    {
        RSComm::Hold held(link);
        window->runMonitorPass();
    }
    window->deactivate();
    window->runMonitorPass();
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(SetupWindow, LinkFaultDuringThePassStopsItAndTheNextPassGoesOffline) {
    openOnline();
    port.silent = true;  // the link's own boxes answer Cancel
    window->runMonitorPass();
    EXPECT_TRUE(link.CommError);
    const auto linkBoxes = messages.shown.size();
    window->runMonitorPass();
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(onlineStateUpdates, 1);
    EXPECT_FALSE(window->cmdCalibrate()->isEnabled());
    EXPECT_EQ(box(0)->text(), QStringLiteral("20")) << "offline shows the working data";
    EXPECT_EQ(messages.shown.size(), linkBoxes) << "no message of the window's own";
}

TEST_F(SetupWindow, CheckBoxClickBeforeTheMaskIsKnownIsIgnored) {
    board.preset("W1042", 4095);
    link.OpenRSComm(port);
    window->setTimerDriven(true);
    window->activate();
    for (int n = 0; n < 5 && !window->passUnderWay(); ++n) QCoreApplication::processEvents();
    ASSERT_TRUE(window->layoutBusy());
    window->setTimerDriven(false);  // hold the pass where it is
    port.clearTrace();
    traceMode = link.currentMode();

    QTest::mouseClick(window->chkSetup(2), Qt::LeftButton);
    EXPECT_TRUE(written().empty());
    EXPECT_EQ(item(37), 4095);
}

// --- Transfer jam enables ----------------------------------------------------

TEST_F(SetupWindow, Station1AndFlangerCheckedWritesTheText2049) {
    board.preset("W1042", 1);
    openOnline();
    QTest::mouseClick(window->chkSetup(11), Qt::LeftButton);
    EXPECT_EQ(board.peek("W1042"), 2049);
    EXPECT_EQ(writesTo("W1042"), 1);
    EXPECT_EQ(item(37), 2049);
}

// --- Offline layouts -----------------------------------------------------------

TEST_F(SetupWindow, OfflineWithoutOfflineEditingEveryEntryControlIsDisabled) {
    item(37) = 1;
    openOffline(false);
    for (int i = 0; i < 24; ++i) {
        EXPECT_FALSE(box(i)->lineEdit()->isEnabled()) << i;
        EXPECT_FALSE(box(i)->upButton()->isEnabled()) << i;
    }
    for (int k = 0; k < 12; ++k) EXPECT_FALSE(window->chkSetup(k)->isEnabled()) << k;
    EXPECT_FALSE(window->cmdCalibrate()->isEnabled());
    EXPECT_FALSE(window->cmdAutoSet()->isEnabled());
    // The working data are still shown.
    EXPECT_EQ(box(11)->text(), QStringLiteral("240"));
    EXPECT_EQ(box(23)->text(), QStringLiteral("5"));
    EXPECT_EQ(window->lblCalShift(12)->text(), QStringLiteral("0"));
    EXPECT_TRUE(window->chkSetup(0)->isChecked());
    EXPECT_FALSE(window->chkSetup(1)->isChecked());
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(SetupWindow, OfflineEditingEnablesBoxesSpinnersAndChecksButNotCalibration) {
    openOffline(false);
    ctx.OfflineEditing = true;
    window->runMonitorPass();
    for (int i = 0; i < 24; ++i) {
        EXPECT_TRUE(box(i)->lineEdit()->isEnabled()) << i;
        EXPECT_TRUE(box(i)->upButton()->isEnabled()) << i;
    }
    for (int k = 0; k < 12; ++k) EXPECT_TRUE(window->chkSetup(k)->isEnabled()) << k;
    EXPECT_FALSE(window->cmdCalibrate()->isEnabled());
    EXPECT_FALSE(window->cmdAutoSet()->isEnabled());
}

TEST_F(SetupWindow, ReplacedTablesAreShownOnTheNextPassAndTheFlagCleared) {
    openOffline(false);
    item(0) = 123;
    window->runMonitorPass();
    EXPECT_EQ(box(0)->text(), QStringLiteral("20")) << "nothing redisplays without the flag";
    tables.TablesReplaced = true;
    window->runMonitorPass();
    EXPECT_FALSE(tables.TablesReplaced);
    EXPECT_EQ(box(0)->text(), QStringLiteral("123"));
}

// --- Calibrate and Auto Set ------------------------------------------------------

TEST_F(SetupWindow, CalibrateAnsweredYesSetsTheCalibrationBitAndOtherAnswersSendNothing) {
    openOnline();
    messages.answers = {MsgResult::No, MsgResult::Cancel, MsgResult::No, MsgResult::Cancel};
    for (int n = 0; n < 2; ++n) {
        QTest::mouseClick(window->cmdCalibrate(), Qt::LeftButton);
        QTest::mouseClick(window->cmdAutoSet(), Qt::LeftButton);
    }
    EXPECT_TRUE(port.sent().empty());
    messages.answers = {MsgResult::Yes};
    QTest::mouseClick(window->cmdCalibrate(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 5u);
    EXPECT_EQ(messages.shown[4].text,
              "Enter calibration mode (reset counts).\r\n\r\nDo you wish to continue?");
    EXPECT_EQ(messages.shown[4].title, "Calibrate Shifts");
    EXPECT_EQ(messages.shown[4].icon, MsgIcon::Question);
    EXPECT_EQ(messages.shown[4].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(board.peek("B1044.0"), 1);
}

TEST_F(SetupWindow, AutoSetCopiesEachCalibratedCountIntoItsShifts) {
    board.preset("W636", 57);   // calibrated count of Station 3
    board.preset("W754", 250);  // flanger
    openOnline();
    messages.answers = {MsgResult::Yes};
    QTest::mouseClick(window->cmdAutoSet(), Qt::LeftButton);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Copy station calibrate counts to station shifts.\r\n\r\nDo you wish to continue?");
    EXPECT_EQ(messages.shown[0].title, "Auto Set Shifts");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(board.peek("W1004"), 57);
    EXPECT_EQ(board.peek("W1022"), 250);
    EXPECT_EQ(item(2), 57);
    EXPECT_EQ(item(26), 57);
    EXPECT_EQ(item(11), 250);
    EXPECT_EQ(box(2)->text(), QStringLiteral("-"));
    window->runMonitorPass();
    EXPECT_EQ(box(2)->text(), QStringLiteral("57"));
}

TEST_F(SetupWindow, AutoSetStopsAtALinkFault) {
    board.preset("W632", 3);
    openOnline();
    port.silent = true;
    messages.answers = {MsgResult::Yes};
    QTest::mouseClick(window->cmdAutoSet(), Qt::LeftButton);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(item(0), 20) << "nothing copied for a station whose count did not arrive";
    EXPECT_EQ(box(0)->text(), QStringLiteral("20"));
}

TEST_F(SetupWindow, CaptionsAndHeadings) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Set-Up"));
    EXPECT_EQ(window->lblSetup(0)->text(), QStringLiteral("Station 01:"));
    EXPECT_EQ(window->lblSetup(10)->text(), QStringLiteral("Station 11:"));
    EXPECT_EQ(window->lblSetup(11)->text(), QStringLiteral("Flanger:"));
    EXPECT_EQ(window->lblSetup(12)->text(), QStringLiteral("Total Count:"));
    EXPECT_EQ(window->lblHeading(0)->text(), QStringLiteral("Number of Shifts to Station"));
    EXPECT_EQ(window->lblHeading(1)->text(), QStringLiteral("Calibration Count"));
    EXPECT_EQ(window->lblHeading(2)->text(),
              QStringLiteral("Number of Missing Cans for Transfer Jam Alarm"));
    EXPECT_EQ(window->chkSetup(4)->text(), QStringLiteral("Transfer Jam Enable"));
    EXPECT_EQ(window->cmdCalibrate()->text(), QStringLiteral("&Calibrate Number of Shifts"));
    EXPECT_EQ(window->cmdAutoSet()->text(), QStringLiteral("&Auto Set Shifts"));
    EXPECT_EQ(window->cmdDefault()->text(), QStringLiteral("-"));
}

}  // namespace
}  // namespace voran::testing
