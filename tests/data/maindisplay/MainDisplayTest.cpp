// The main display: shift-data grid offline and online, the read order of
// the monitoring loop, the commands, and copying.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QGroupBox>
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
using voran::testing::ShellHarness;

namespace {

frmMain& display(ShellHarness& h) {
    return *dynamic_cast<frmMain*>(h.window->currentChild());
}

// Cell (row, col) of the grid as the description numbers it: row 0 and
// column 0 are the headings.
std::string cell(ShellHarness& h, int row, int col) {
    return display(h).fgData->item(row - 1, col - 1)->text().toStdString();
}

std::vector<std::string> column(ShellHarness& h, int col) {
    std::vector<std::string> out;
    for (int row = 1; row <= 14; ++row) out.push_back(cell(h, row, col));
    return out;
}

// Runs the monitoring loop to the head of its next pass: the steps left of
// the pass under way, then one whole pass.
void runPass(frmMain& d) {
    auto toHead = [&d] {
        for (int guard = 0; guard < 1000 && !d.pass().atPassStart(); ++guard)
            if (!d.refreshStep()) return false;
        return true;
    };
    if (toHead() && d.refreshStep()) toHead();
}

// The items of one full online pass, in the order they are read.
std::vector<std::string> onePassItems() {
    std::vector<std::string> items;
    auto add = [&items](std::initializer_list<const char*> heads, int firstWord) {
        items.insert(items.end(), heads.begin(), heads.end());
        for (int a = firstWord; firstWord && a <= firstWord + 22; a += 2)
            items.push_back("W" + std::to_string(a));
    };
    add({"W182", "W110", "D1100", "D1104"}, 1108);  // current shift
    add({"W182", "W110", "D1200", "D1204"}, 1208);  // last shift
    add({"W182", "W110"}, 1050);                    // jams per station
    add({"W182", "W110"}, 0);                       // transfer jam: W110 bits only
    return items;
}

}  // namespace

TEST(MainDisplayLayout, HeadingsAndRowLabels) {
    ShellHarness h;
    frmMain& d = display(h);
    EXPECT_EQ(d.windowTitle().toStdString(), "Main Display");
    const char* headings[] = {"Current Shift", "Last Shift", "Jams/Station", "Transfer Jam"};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(d.fgData->horizontalHeaderItem(c)->text().toStdString(), headings[c]);
    const char* labels[] = {
        "Good Cans: ",  "Total Jams: ", "Station 01: ", "Station 02: ", "Station 03: ",
        "Station 04: ", "Station 05: ", "Station 06: ", "Station 07: ", "Station 08: ",
        "Station 09: ", "Station 10: ", "Station 11: ", "Flanger: "};
    for (int r = 0; r < 14; ++r)
        EXPECT_EQ(d.fgData->verticalHeaderItem(r)->text().toStdString(), labels[r]);
    EXPECT_EQ(d.fraDisplay1->title().toStdString(), "Machine CPM");
    EXPECT_EQ(d.cmdResetJams->text().toStdString(), "&Reset Jams/Station");
    EXPECT_EQ(d.cmdEndOfShift->text().toStdString(), "E&nd of Shift");
    // 1250 twips per data column.
    EXPECT_EQ(d.fgData->columnWidth(0), 83);
}

TEST(MainDisplayLayout, LargeFontWidensColumnsSoNoHeadingIsCut) {
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSizeF(before.pointSizeF() * 2.5);
    QApplication::setFont(large);
    ShellHarness h;
    QApplication::setFont(before);
    h.window->show();
    QTableWidget* grid = display(h).fgData;
    const QFontMetrics fm(grid->horizontalHeader()->font());
    for (int c = 0; c < 4; ++c) {
        const QString heading = grid->horizontalHeaderItem(c)->text();
        EXPECT_GT(grid->columnWidth(c), fm.horizontalAdvance(heading)) << heading.toStdString();
    }
    EXPECT_GT(grid->verticalHeader()->width(), fm.horizontalAdvance("Total Jams: "));
    // The whole grid stays in view.
    EXPECT_GE(grid->viewport()->width(), grid->columnViewportPosition(3) + grid->columnWidth(3));
}

TEST(MainDisplayOffline, AfterStartUpShowsTheDefaultShiftDataGreyed) {
    ShellHarness h;
    runPass(display(h));
    const std::vector<std::string> zeros(14, "0");
    std::vector<std::string> col3(14, "0");
    col3[0] = col3[1] = " ";
    std::vector<std::string> col4(14, "-");
    col4[0] = col4[1] = " ";
    EXPECT_EQ(column(h, 1), zeros);
    EXPECT_EQ(column(h, 2), zeros);
    EXPECT_EQ(column(h, 3), col3);
    EXPECT_EQ(column(h, 4), col4);
    frmMain& d = display(h);
    EXPECT_EQ(d.lblDisplay0->text().toStdString(), "-");
    EXPECT_FALSE(d.fgData->isEnabled());
    EXPECT_FALSE(d.fraDisplay0->isEnabled());
    EXPECT_FALSE(d.cmdResetJams->isEnabled());
    EXPECT_FALSE(d.cmdEndOfShift->isEnabled());
    EXPECT_EQ(d.txtMessageDisplay->toPlainText().toStdString(), "");
    h.ticks(1);
    runPass(display(h));
    EXPECT_EQ(d.txtMessageDisplay->toPlainText().toStdString(),
              "Set-up Program is Currently OFFLINE");
    EXPECT_TRUE(h.port.wire.empty());
}

TEST(MainDisplayOffline, OpeningAFileRefreshesTheGridWithDigitGrouping) {
    ShellHarness h;
    runPass(display(h));
    SetupData data = h.window->tables().CurrentData;
    data.Value[38] = 1234567;  // current shift good cans
    data.Value[39] = 42;       // current shift total jams
    data.Value[40] = 7;        // current shift, station 1
    data.Value[52] = 98765;    // last shift good cans
    data.Value[65] = 3;        // last shift, flanger
    data.Value[66] = 12000;    // jams/station, station 1
    data.Value[77] = 5;        // jams/station, flanger
    const std::string path = h.folder.filePath("line3.sdt").toStdString();
    ASSERT_TRUE(WriteSetupFile(path, data).ok);
    h.dialogs.choose(path);
    h.window->mnuFileOpen->trigger();
    EXPECT_EQ(h.window->windowTitle().toStdString(), "VORAN - [line3.sdt]");
    runPass(display(h));
    EXPECT_EQ(cell(h, 1, 1), "1,234,567");
    EXPECT_EQ(cell(h, 2, 1), "42");
    EXPECT_EQ(cell(h, 3, 1), "7");
    EXPECT_EQ(cell(h, 1, 2), "98,765");
    EXPECT_EQ(cell(h, 14, 2), "3");
    EXPECT_EQ(cell(h, 3, 3), "12,000");
    EXPECT_EQ(cell(h, 14, 3), "5");
    EXPECT_EQ(cell(h, 1, 3), " ");
    EXPECT_EQ(cell(h, 3, 4), "-");
}

TEST(MainDisplayOffline, ShownAgainOfflineFillsFromTheTablesAtOnce) {
    ShellHarness h;
    runPass(display(h));
    h.window->tables().CurrentData.Value[38] = 5000;
    h.window->tables().TablesReplaced = false;  // taken by another window
    display(h).deactivate();
    display(h).activate();
    h.stopTimers();
    EXPECT_EQ(cell(h, 1, 1), "5,000");
}

TEST(MainDisplayOnline, OnePassReadsTheItemsInDisplayOrder) {
    ShellHarness h;
    h.goOnline();
    runPass(display(h));  // the pass that switches to the online look
    h.port.clearTrace();
    runPass(display(h));
    EXPECT_EQ(h.addressesRead(), ShellHarness::byteAddressesOf(onePassItems()));
}

TEST(MainDisplayOnline, ShowsBoardFiguresAndTransferJamAlarmsFromW110) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("W110", 5));
    ASSERT_TRUE(h.board.preset("W182", 1200));
    ASSERT_TRUE(h.board.preset("D1100", 12345));
    ASSERT_TRUE(h.board.preset("D1204", 17));
    ASSERT_TRUE(h.board.preset("W1108", 4));
    ASSERT_TRUE(h.board.preset("W1230", 2));
    ASSERT_TRUE(h.board.preset("W1050", 1001));
    h.goOnline();
    frmMain& d = display(h);
    d.refreshStep();  // pass head: online look, nothing read yet
    std::vector<std::string> dashes(14, "-");
    std::vector<std::string> blankTop = dashes;
    blankTop[0] = blankTop[1] = " ";
    EXPECT_EQ(column(h, 1), dashes);
    EXPECT_EQ(column(h, 3), blankTop);
    EXPECT_EQ(column(h, 4), blankTop);
    EXPECT_EQ(d.lblDisplay0->text().toStdString(), "-");

    runPass(d);
    EXPECT_TRUE(d.fgData->isEnabled());
    EXPECT_TRUE(d.cmdResetJams->isEnabled());
    EXPECT_TRUE(d.cmdEndOfShift->isEnabled());
    EXPECT_EQ(d.fgData->item(0, 0)->foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(d.lblDisplay0->text().toStdString(), "1200");
    EXPECT_EQ(cell(h, 1, 1), "12,345");
    EXPECT_EQ(cell(h, 2, 2), "17");
    EXPECT_EQ(cell(h, 3, 1), "4");
    EXPECT_EQ(cell(h, 14, 2), "2");
    EXPECT_EQ(cell(h, 3, 3), "1,001");
    std::vector<std::string> col4(14, "normal");
    col4[0] = col4[1] = " ";
    col4[2] = "ALARM";  // Station 01
    col4[4] = "ALARM";  // Station 03
    EXPECT_EQ(column(h, 4), col4);
}

TEST(MainDisplayOnline, MessageBoxShowsTheAlarmText) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("B121.7", 1));
    h.goOnline();
    h.ticks(2);
    runPass(display(h));
    EXPECT_EQ(display(h).txtMessageDisplay->toPlainText().toStdString(),
              "***** SYSTEM ALARM *****\n Infeed Jam Alarm \n\n");
}

TEST(MainDisplayOnline, LinkFaultTakesTheProgramOfflineAndGreysTheGrid) {
    ShellHarness h;
    h.goOnline();
    runPass(display(h));
    h.port.silent = true;  // the Retry/Cancel box is cancelled by the fake
    runPass(display(h));
    EXPECT_TRUE(h.link().CommError);
    runPass(display(h));
    EXPECT_FALSE(h.link().OnlineMode);
    EXPECT_FALSE(h.port.isOpen());
    EXPECT_EQ(h.window->panel(2)->text().toStdString(), "OFFLINE");
    EXPECT_FALSE(display(h).fgData->isEnabled());
    EXPECT_EQ(cell(h, 1, 1), "0");
}

TEST(MainDisplayOnline, StepInsideALinkBoxOrAfterClosingSendsNothing) {
    ShellHarness h;
    h.goOnline();
    runPass(display(h));
    h.port.silent = true;
    int calls = 0;
    h.messages.whileOpen = [&] {
        const std::size_t before = h.port.sent().size();
        EXPECT_FALSE(display(h).refreshStep());
        EXPECT_EQ(h.port.sent().size(), before);
        ++calls;
    };
    h.link().RSRead("W182");
    EXPECT_GE(calls, 1);

    ShellHarness g;
    g.goOnline();
    display(g).deactivate();
    g.port.clearTrace();
    EXPECT_FALSE(display(g).refreshStep());
    EXPECT_TRUE(g.port.sent().empty());
}

TEST(MainDisplayCommands, ButtonsWriteTheirBitsUnlessALinkFaultStands) {
    for (const bool fault : {false, true}) {
        SCOPED_TRACE(fault ? "link fault" : "online");
        ShellHarness h;
        h.goOnline();
        runPass(display(h));
        h.window->show();
        h.link().CommError = fault;
        h.port.clearTrace();
        QTest::mouseClick(display(h).cmdResetJams, Qt::LeftButton);
        EXPECT_EQ(h.board.peek("B1044.1"), fault ? 0 : 1);
        EXPECT_EQ(h.board.peek("F135"), 0);
        QTest::mouseClick(display(h).cmdEndOfShift, Qt::LeftButton);
        EXPECT_EQ(h.board.peek("F135"), fault ? 0 : 1);
        EXPECT_EQ(h.port.sent().empty(), fault);
        EXPECT_TRUE(h.messages.shown.empty());
    }
}

TEST(MainDisplayCopy, CtrlCCopiesTheSelectedCellsAsTabAndCrText) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("D1100", 12345));
    ASSERT_TRUE(h.board.preset("D1200", 678));
    ASSERT_TRUE(h.board.preset("W1108", 9));
    ASSERT_TRUE(h.board.preset("W110", 1));
    h.goOnline();
    runPass(display(h));
    runPass(display(h));
    QTableWidget* grid = display(h).fgData;
    struct Case {
        QTableWidgetSelectionRange range;  // grid rows and columns, 0-based
        const char* text;
    };
    const Case cases[] = {
        {{0, 0, 2, 3}, "12,345\t678\t \t \r0\t0\t \t \r9\t0\t0\tALARM"},
        {{2, 0, 2, 0}, "9"},
        {{13, 3, 13, 3}, "normal"},
    };
    for (const Case& c : cases) {
        grid->clearSelection();
        grid->setRangeSelected(c.range, true);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(h.clipboard.contents, c.text);
    }
}

TEST(MainDisplayCopy, RightButtonReleaseEmptiesTheClipboardAndOffersCopy) {
    ShellHarness h;
    h.goOnline();
    runPass(display(h));
    runPass(display(h));
    h.clipboard.contents = "old";
    frmMain& d = display(h);
    d.fgData->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 1), true);
    const QPoint inCell = d.fgData->visualItemRect(d.fgData->item(5, 2)).center();
    QTest::mouseRelease(d.fgData->viewport(), Qt::RightButton, {}, inCell);
    EXPECT_EQ(h.clipboard.contents, "");
    EXPECT_GE(h.clipboard.clears, 1);
    EXPECT_TRUE(d.mnufgDataPopUp->isVisible());
    d.mnufgDataPopUp->close();

    h.clipboard.contents = "old";
    QTest::mouseRelease(d.fgData->viewport(), Qt::LeftButton, {}, inCell);
    EXPECT_EQ(h.clipboard.contents, "");

    d.fgData->clearSelection();
    d.fgData->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 1), true);
    EXPECT_EQ(d.mnufgDataPopUpCopy->text().toStdString(), "&Copy");
    d.mnufgDataPopUpCopy->trigger();
    EXPECT_EQ(h.clipboard.contents, "0\t0");
}

TEST(MainDisplayFormat, CountsNeverFailOnOddReplies) {
    struct Case {
        const char* reply;
        const char* shown;
    };
    const Case cases[] = {
        {"", "0"},
        {"0", "0"},
        {"abc", "0"},
        {"12345", "12,345"},
        {"99999999", "99,999,999"},
        {"7.5", "8"},
        {"6.5", "6"},
        {"-1234", "-1,234"},
        {" 42", "42"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainDisplayPass::FormatCount(c.reply), c.shown) << c.reply;
}
