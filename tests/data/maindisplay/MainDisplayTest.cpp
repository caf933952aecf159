// The main display: shift-data grid offline and online, the read order of
// the monitoring loop, copying and the keyboard.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/SetupFile.h"
#include "data/ui/frmMain.h"

using namespace voran;
using voran::testing::ByteAddressesOf;
using voran::testing::ShellHarness;

namespace {

frmMain& display(ShellHarness& h) {
    return *dynamic_cast<frmMain*>(h.window->currentChild());
}

// Cell (row, col) with row 1 / column 1 the first data cell.
std::string cell(ShellHarness& h, int row, int col) {
    return display(h).fgData()->item(row - 1, col - 1)->text().toStdString();
}
// A column's 14 texts, or a column of `text` with the two total rows blank
// when `blankTotals`.
std::vector<std::string> column(ShellHarness& h, int col) {
    std::vector<std::string> out;
    for (int row = 1; row <= 14; ++row) out.push_back(cell(h, row, col));
    return out;
}
std::vector<std::string> filled(const char* text, bool blankTotals) {
    std::vector<std::string> out(14, text);
    if (blankTotals) out[0] = out[1] = " ";
    return out;
}

// Runs the rest of the pass under way, then one whole pass.
void runPass(frmMain& d) {
    if (d.monitor().underWay()) d.monitor().runPass();
    d.monitor().runPass();
}

}  // namespace

TEST(MainDisplayOffline, AfterStartUpShowsTheDefaultShiftDataGreyedUnderItsHeadings) {
    ShellHarness h;
    frmMain& d = display(h);
    QStringList headings;
    for (int c = 0; c < 4; ++c) headings << d.fgData()->horizontalHeaderItem(c)->text();
    for (const int r : {0, 1, 2, 13}) headings << d.fgData()->verticalHeaderItem(r)->text();
    EXPECT_EQ(headings.join("|").toStdString(),
              "Current Shift|Last Shift|Jams/Station|Transfer Jam|Good Cans: |Total Jams: |"
              "Station 01: |Flanger: ");
    runPass(d);
    EXPECT_EQ(column(h, 1), filled("0", false));
    EXPECT_EQ(column(h, 3), filled("0", true));
    EXPECT_EQ(column(h, 4), filled("-", true));
    EXPECT_EQ(d.lblDisplay0()->text().toStdString(), "-");
    EXPECT_FALSE(d.fgData()->isEnabled() || d.cmdResetJams()->isEnabled() ||
                 d.cmdEndOfShift()->isEnabled());
    h.ticks(1);
    runPass(d);
    EXPECT_EQ(d.txtMessageDisplay()->toPlainText().toStdString(),
              "Set-up Program is Currently OFFLINE");
    EXPECT_TRUE(h.port.wire.empty());
}

TEST(MainDisplayOffline, OpeningAFileOrShowingTheWindowAgainRefreshesWithDigitGrouping) {
    ShellHarness h;
    runPass(display(h));
    SetupData data = h.window->tables().CurrentData;
    // Item, value, grid row and column, text shown.
    const std::tuple<int, int, int, int, const char*> cells[] = {{38, 1234567, 1, 1, "1,234,567"},
                                                                 {40, 7, 3, 1, "7"},
                                                                 {65, 3, 14, 2, "3"},
                                                                 {66, 12000, 3, 3, "12,000"}};
    for (const auto& [i, value, row, col, text] : cells) data.Value[i] = value;
    const std::string path = h.folder.filePath("line3.sdt").toStdString();
    ASSERT_TRUE(WriteSetupFile(path, data).ok);
    h.dialogs.choose(path);
    h.window->action(MenuCommand::FileOpen)->trigger();
    runPass(display(h));
    for (const auto& [i, value, row, col, text] : cells) EXPECT_EQ(cell(h, row, col), text) << i;
    // Shown again, the window fills from the tables at once, even when
    // another window took the replaced-tables flag.
    h.window->tables().CurrentData.Value[38] = 5000;
    h.window->tables().TablesReplaced = false;
    display(h).deactivate();
    display(h).activate();
    EXPECT_EQ(cell(h, 1, 1), "5,000");
}

TEST(MainDisplayOnline, ShowsBoardFiguresTransferJamAlarmsFromW110AndTheAlarmMessage) {
    ShellHarness h;
    for (const auto& [item, value] : {std::pair{"W110", 5},
                                      {"W182", 1200},
                                      {"D1100", 12345},
                                      {"D1204", 17},
                                      {"W1230", 2},
                                      {"W1050", 1001},
                                      {"B121.7", 1}})
        ASSERT_TRUE(h.board.preset(item, value));
    h.goOnline();
    frmMain& d = display(h);
    h.ticks(2);  // the background update polls the infeed jam alarm
    runPass(d);
    runPass(d);
    EXPECT_EQ(d.txtMessageDisplay()->toPlainText().toStdString(),
              "***** SYSTEM ALARM *****\n Infeed Jam Alarm \n\n");
    EXPECT_TRUE(d.fgData()->isEnabled() && d.cmdResetJams()->isEnabled());
    EXPECT_EQ(d.lblDisplay0()->text().toStdString(), "1200");
    EXPECT_EQ(std::vector({cell(h, 1, 1), cell(h, 2, 2), cell(h, 14, 2), cell(h, 3, 3)}),
              std::vector<std::string>({"12,345", "17", "2", "1,001"}));
    std::vector<std::string> col4 = filled("normal", true);
    col4[2] = col4[4] = "ALARM";  // Stations 01 and 03: bits 0 and 2 of 5
    EXPECT_EQ(column(h, 4), col4);

    // One pass reads the items in display order.
    h.clearTrace();
    runPass(d);
    std::vector<std::string> items;
    for (const int first : {1108, 1208, 1050, 0}) {  // current, last shift, jams, transfer
        items.insert(items.end(), {"W182", "W110"});
        if (first == 1108 || first == 1208)
            for (const int at : {first - 8, first - 4}) items.push_back("D" + std::to_string(at));
        for (int a = first; first && a <= first + 22; a += 2)
            items.push_back("W" + std::to_string(a));
    }
    EXPECT_EQ(h.addressesRead(), ByteAddressesOf(items));
}

TEST(MainDisplayCopy, CtrlCAndThePopUpCopyTheSelectionAndARightButtonReleaseEmptiesTheClipboard) {
    ShellHarness h;
    for (const auto& [item, value] :
         {std::pair{"D1100", 12345}, {"D1200", 678}, {"W1108", 9}, {"W110", 1}})
        ASSERT_TRUE(h.board.preset(item, value));
    h.goOnline();
    runPass(display(h));
    runPass(display(h));
    frmMain& d = display(h);
    d.fgData()->setRangeSelected({0, 0, 2, 3}, true);
    QTest::keyClick(d.fgData(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(h.clipboard.contents, "12,345\t678\t \t \r0\t0\t \t \r9\t0\t0\tALARM");

    const QPoint inCell = d.fgData()->visualItemRect(d.fgData()->item(5, 2)).center();
    QTest::mouseRelease(d.fgData()->viewport(), Qt::RightButton, {}, inCell);
    EXPECT_EQ(h.clipboard.contents, "");
    EXPECT_TRUE(d.mnufgDataPopUp()->isVisible());
    d.mnufgDataPopUp()->close();
    d.fgData()->clearSelection();
    d.fgData()->setRangeSelected({13, 3, 13, 3}, true);
    EXPECT_EQ(d.mnufgDataPopUpCopy()->text().toStdString(), "&Copy");
    d.mnufgDataPopUpCopy()->trigger();
    EXPECT_EQ(h.clipboard.contents, "normal");
}

TEST(MainDisplayFormat, CountsNeverFailOnOddReplies) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "0"},    {"abc", "0"},  {"12345", "12,345"}, {"7.5", "8"},
        {"6.5", "6"}, {" 42", "42"}, {"-1234", "-1,234"}};
    for (const auto& [reply, shown] : cases)
        EXPECT_EQ(MainDisplayModel::FormatCount(reply), shown) << reply;
}

TEST(MainDisplayKeyboard, GridIsOneTabStopAndSelectedHeadingsStayWhole) {
    ShellHarness h;
    h.goOnline();
    h.window->show();
    h.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(h.window.get()));
    frmMain& d = display(h);
    d.monitor().runPass();
    d.fgData()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), d.fgData());
    QTest::keyClick(d.fgData(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), d.fgData()) << "arrows move inside the grid";
    QTest::keyClick(d.fgData(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), d.fgData()) << "Tab leaves the grid";

    // Selected headings are drawn bold; each still fits its section.
    QFont bold = d.fgData()->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    d.fgData()->selectAll();
    for (int c = 0; c < d.fgData()->columnCount(); ++c) {
        const QString text = d.fgData()->horizontalHeaderItem(c)->text();
        EXPECT_GE(d.fgData()->columnWidth(c), metrics.horizontalAdvance(text))
            << text.toStdString();
    }
    for (int r = 0; r < d.fgData()->rowCount(); ++r) {
        const QString text = d.fgData()->verticalHeaderItem(r)->text();
        EXPECT_GE(d.fgData()->verticalHeader()->width(), metrics.horizontalAdvance(text))
            << text.toStdString();
    }
}
