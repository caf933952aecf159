// The target board window: the value rows (network addresses, the board's
// clock), the two Set to Current commands, the window opened from the
// frame's menu; and what it reads and shows.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ShellHarness.h"
#include "WindowFixture.h"
#include "program/BoardTable.h"
#include "program/TargetBoardInfo.h"
#include "program/ui/frmTargetBoard.h"

namespace voran::testing {
namespace {

// The PC's wall clock for the window: set by the test, and when `tick` is
// set it moves on by that many milliseconds each time it is read, as a real
// clock does between two reads. Deadlines follow the link's manual clock.
class WallClock : public IClock {
public:
    explicit WallClock(ManualClock& monotonic) : monotonic_(monotonic) {}
    double now() const override { return monotonic_.now(); }
    DateTime localDateTime() const override {
        const DateTime shown = local_;
        const DateTime& t = local_;
        const QDateTime next = QDateTime(QDate(t.year, t.month, t.day),
                                         QTime(t.hour, t.minute, t.second, t.millisecond), Qt::UTC)
                                   .addMSecs(tickMs);
        local_ = {next.date().year(),   next.date().month(),  next.date().day(), next.time().hour(),
                  next.time().minute(), next.time().second(), next.time().msec()};
        return shown;
    }
    void pause(double seconds) override { monotonic_.advance(seconds); }
    void set(const DateTime& dt) { local_ = dt; }

    int tickMs = 0;

private:
    ManualClock& monotonic_;
    mutable DateTime local_{2026, 3, 14, 9, 26, 53, 0};
};

// The target board window over the in-process board, in a fresh program
// folder; the tests run the monitoring passes themselves.
class TargetBoardWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        shownClock.use(wall);
        board.rtc().start({2026, 3, 14, 9, 26, 53}, clock.now());
    }
    void TearDown() override {
        if (window) window->done(0);
    }

    // A program set PLANT.* of board type `type` (its first character).
    std::string program(char type, const std::string& revLine = "LINE3?;4:\r\n") {
        writeFile("lines/PLANT.TNX", std::string(1, type) + "TNX,program\r\n");
        if (!revLine.empty()) writeFile("lines/PLANT.REV", revLine);
        writeFile("lines/PLANT.HEX", ":00000001FF\r\n");
        return path("lines/PLANT.TNX");
    }
    // Opens the window for `tarnixFile` as InitializeForm does, without its
    // modal loop; the activation takes the link online.
    void open(const std::string& tarnixFile) {
        window = std::make_unique<frmTargetBoard>(ctx);
        window->monitor().setTimerDriven(false);
        window->load(tarnixFile);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void pass() { window->monitor().runPass(); }
    // Items written since the trace was cleared, as "B8176=0".
    std::vector<std::string> writes() const {
        std::vector<std::string> out;
        for (const WireAccess& a : traffic())
            if (a.write)
                out.push_back("B" + std::to_string(a.address) + "=" + std::to_string(a.value));
        return out;
    }
    std::vector<int> reads() const {
        std::vector<int> out;
        for (const WireAccess& a : traffic())
            if (!a.write) out.push_back(a.address);
        return out;
    }

    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QString label(int i) const { return window->lblTargetBoard(i)->text(); }
    QString text(int i) const { return window->txtTargetBoard(i)->toPlainText(); }
    // The program on the board (ident, revision, checksum) and on disk
    // (ident, revision, checksum, board, image date), as shown.
    QStringList inBoard() const {
        QStringList t;
        for (int i = 0; i < 3; ++i) t << window->lblRevIdentInPLC(i)->text();
        return t;
    }
    QStringList onDisk() const {
        QStringList t;
        for (int i = 0; i < 5; ++i) t << window->lblRevIdentOnDisk(i)->text();
        return t;
    }
    void typeInto(int i, const QString& text) {
        window->tabTargetBoard()->setCurrentIndex(i < 2 ? 2 : 3);
        WindowContext::typeInto(box(i), text);
    }

    WallClock wall{clock};
    std::unique_ptr<frmTargetBoard> window;
};

FakeMessageBox::Shown rangeBox(int minimum, int maximum, const std::string& caption) {
    return {"Only a Number Between " + std::to_string(minimum) + " and " + std::to_string(maximum) +
                " can be Entered",
            "Set-up" + caption, MsgButtons::Ok, MsgIcon::Information};
}

TEST_F(TargetBoardWindow, OutOfRangeEntryGivesOneBoxAndWritesNothing) {
    struct Case {
        char type;
        int row;
        const char* typed;
        FakeMessageBox::Shown box;
    };
    const Case cases[] = {
        {'D', 0, "33", rangeBox(1, 32, "Current Network Address 1:")},
        {'A', 1, "x", rangeBox(1, 32, "Current Network Address 2:")},
        {'6', 2, "24", rangeBox(0, 23, "Hr.")},
        {'6', 5, "13", rangeBox(1, 12, "Mo.")},
        {'6', 7, "100", rangeBox(0, 99, "Yr.")},
    };
    board.preset("B8180", 5);
    board.preset("B8191", 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " in row " + std::to_string(c.row));
        open(program(c.type));
        pass();
        messages.shown.clear();
        clearTrace();
        typeInto(c.row, QString::fromLatin1(c.typed));
        EXPECT_TRUE(window->Editing(c.row));
        key(Qt::Key_Tab);
        EXPECT_EQ(messages.shown, std::vector{c.box});
        EXPECT_TRUE(writes().empty());
        window->done(0);
    }
    EXPECT_EQ(board.peek("B8180"), 5);
}

// An entry accepted, and the spinner, write the row's item. Escape in a row
// first takes back what was typed; the next Escape, with nothing left to
// take back, closes the window (as from any other control), writing nothing.
TEST_F(TargetBoardWindow, AcceptedEntryAndSpinnerWriteTheRowsItemAndEscapeWritesNothing) {
    board.preset("B8180", 5);
    open(program('D'));
    pass();
    EXPECT_EQ(box(0)->text(), QStringLiteral("05"));
    clearTrace();
    typeInto(0, QStringLiteral("17"));
    key(Qt::Key_Return);  // Enter moves on and the check accepts
    EXPECT_NE(focus(), box(0)->lineEdit());
    EXPECT_EQ(writes(), std::vector<std::string>{"B8180=17"});
    EXPECT_FALSE(window->Editing(0));
    EXPECT_TRUE(messages.shown.empty());

    clearTrace();
    QTest::mouseClick(box(0)->upButton(), Qt::LeftButton);
    EXPECT_EQ(box(0)->text(), QStringLiteral("18"));
    EXPECT_EQ(writes(), std::vector<std::string>{"B8180=18"});
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(board.peek("B8180"), 18);

    clearTrace();
    typeInto(0, QStringLiteral("9"));
    EXPECT_EQ(window->SavedValue(0), 18);
    key(Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << "the first Escape takes back what was typed";
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << "Escape closes the window";
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(board.peek("B8180"), 18);
}

TEST_F(TargetBoardWindow, RefreshLeavesTheRowBeingEditedAlone) {
    open(program('A'));
    pass();
    typeInto(4, QStringLiteral("1"));
    clock.advance(3);
    pass();
    EXPECT_EQ(box(4)->text(), QStringLiteral("1"));
    // Taken back and left: the row shows the board's clock again.
    key(Qt::Key_Escape);
    window->cmdDefault()->setFocus(Qt::OtherFocusReason);
    clock.advance(3);
    pass();
    EXPECT_EQ(box(4)->text(), QStringLiteral("%1").arg(board.peek("B43008"), 2, 10, QChar('0')))
        << "the row follows the board again";
}

TEST_F(TargetBoardWindow, SetToCurrentTimeAndDateWriteOneReadingOfThePcsClock) {
    open(program('6'));
    pass();
    // The PC's clock moves on between two readings: a tenth of a second
    // before 13:00 the hour, the minute and the second must still come from
    // one moment.
    wall.set({2026, 3, 5, 12, 59, 59, 900});
    wall.tickMs = 100;
    clearTrace();
    window->cmdSetToCurrTime()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B43012=12", "B43010=59", "B43008=59"}));
    // The date: month, day and the year of the century.
    wall.set({2026, 3, 5, 10, 0, 0, 0});
    wall.tickMs = 0;
    clearTrace();
    window->cmdSetToCurrDate()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B43016=3", "B43015=5", "B43017=26"}));
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text(), box(4)->text(), box(5)->text(),
                           box(6)->text(), box(7)->text()}),
              QStringList({"12", "59", "59", "03", "05", "26"}));

    // Offline the commands send nothing.
    ctx.goOffline();
    clearTrace();
    window->cmdSetToCurrTime()->click();
    window->cmdSetToCurrDate()->click();
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(TargetBoardWindow, SimulatedBoardClockRunsAndTakesTheSettingsWritten) {
    board.rtc().start({2026, 12, 31, 23, 59, 58}, clock.now());
    open(program('6'));
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(6)->text(), box(5)->text(), box(7)->text()}),
              QStringList({"23", "31", "12", "26"}));
    clock.advance(2.5);
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text(), box(4)->text(), box(6)->text(),
                           box(5)->text(), box(7)->text()}),
              QStringList({"00", "00", "00", "01", "01", "27"}));
    typeInto(2, QStringLiteral("7"));
    key(Qt::Key_Tab);
    window->cmdDefault()->setFocus();  // out of the minutes box Tab went to
    clock.advance(61);
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text()}), QStringList({"07", "01"}));
}

// View > Target Board Interface in the frame: the program selection, then
// the modal window with its own pass.
TEST(TargetBoardMenu, F5PicksTheProgramAndOpensTheWindowOnlineUntilOk) {
    ShellHarness h;
    const std::string base = h.folder.path().toStdString() + "/LINE7.";
    std::ofstream(base + "tnx") << "DTNX\r\n";
    std::ofstream(base + "rev") << "LINE70015\r\n";
    h.board.preset("B8176", 0x0A);
    h.board.preset("B8180", 21);
    // The menu command; `inside` runs in the modal window, which then shows
    // the program on disk and is closed with OK.
    const auto viewTargetBoard = [&](const std::function<void(frmTargetBoard*)>& inside) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<frmTargetBoard*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            seen = true;
            inside(w);
            EXPECT_EQ(w->lblRevIdentOnDisk(0)->text(), QStringLiteral("LINE7"));
            w->cmdOk()->click();
        });
        h.window->action(MenuCommand::ViewTargetBoardStatus)->trigger();
        EXPECT_TRUE(seen);
    };

    h.dialogs.choose(base + "tnx");
    viewTargetBoard([](frmTargetBoard* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Target Board Interface"));
        // The pass runs from its own timer until the window closes.
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->StatusShown(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->txtSetup(0)->text() == "21"; }, 5000));
        EXPECT_EQ(w->lblTargetBoard(0)->text(), QStringLiteral("Current Fault: Code = 0AH"));
    });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(h.link().OnlineMode) << "the window took the program online";
    EXPECT_EQ(h.window->programCommands().gProgramFilePath, base + "tnx");

    // Cancelling the file dialog opens the window for the last program.
    h.dialogs.cancel();
    viewTargetBoard([](frmTargetBoard*) {});
}

// What the target board window reads and shows: the layout by board type,
// the status items in order, the code texts, the advice, Reset Faults, and
// the window opened against a board that does not answer.

const std::string kCoCpuAdvice =
    "Replace CO-CPU board at \"CO-CPU Slot\" and try again.  If fault persists, peplace N-22 "
    "processor board and try again.  If fault persists, verify proper use of \"sfunc05/06/12\" "
    "in user program.";
const std::string kResetAdvice =
    "Reset fault and try again.  If fault persists, replace target board and try again.  See "
    "Tarnix Manual for more details.";
const std::string kCableAdvice =
    "Verify connection of cable between computer \"COM\" port and target board \"PROG PORT\".  "
    "Verify cable wiring and connectors.  If fault persists, replace target board and/or try a "
    "different computer.";

TEST_F(TargetBoardWindow, LayoutFollowsTheBoardTypeOfTheProgramOnDisk) {
    struct Case {
        char type;
        bool coCpuSlot, address1, address2, clock;
    };
    const Case cases[] = {
        {'2', true, false, false, false}, {'6', false, false, false, true},
        {'A', false, false, true, true},  {'D', false, true, false, false},
        {'4', false, true, false, false},
    };
    board.preset("B8180", 7);
    board.preset("B8191", 12);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("board type ") + c.type);
        open(program(c.type));
        for (int online = 0; online < 2; ++online) {
            SCOPED_TRACE(online ? "after the first pass" : "on opening");
            EXPECT_EQ(!window->lblTargetBoard(2)->isHidden(), c.coCpuSlot);
            EXPECT_EQ(!box(0)->isHidden(), c.address1);
            EXPECT_EQ(!window->lblSetupDesc(0)->isHidden(), c.address1);
            EXPECT_EQ(!box(1)->isHidden(), c.address2);
            for (int i = 2; i < 8; ++i) {
                EXPECT_FALSE(box(i)->isHidden()) << i;
                EXPECT_EQ(box(i)->isEnabled(), c.clock) << i;
                EXPECT_EQ(window->lblSetupDesc(i)->isEnabled(), c.clock) << i;
            }
            EXPECT_EQ(window->cmdSetToCurrTime()->isEnabled(), c.clock);
            EXPECT_EQ(window->cmdSetToCurrDate()->isEnabled(), c.clock);
            EXPECT_EQ(window->lblTargetBoardTime()->isEnabled(), c.clock);
            if (!c.clock) {
                EXPECT_EQ(box(2)->text(), QStringLiteral("-"));
            }
            pass();
        }
        if (c.address1) {
            EXPECT_EQ(box(0)->text(), QStringLiteral("07"));
        }
        if (c.address2) {
            EXPECT_EQ(box(1)->text(), QStringLiteral("12"));
        }
        if (c.clock) {
            EXPECT_EQ(box(2)->text(), QStringLiteral("09"));
        }
        EXPECT_EQ(onDisk()[3].toStdString(), TargetboardName(c.type));
        window->done(0);
    }
}

TEST_F(TargetBoardWindow, StatusItemsAreReadInOrderOnceAndShownWithTheirCodes) {
    for (const auto& [a, v] :
         {std::pair{"B8176", 10}, {"B8177", 0x3F}, {"B8175", 3}, {"B8179", 4}, {"B8178", 0x1B}})
        board.preset(a, v);
    const std::string ident = "PACK21";
    for (int i = 0; i < 10; ++i)
        board.preset("B" + std::to_string(61424 + i), i < 6    ? ident[i]
                                                      : i == 8 ? 200
                                                      : i == 9 ? 7
                                                               : 0);
    open(program('2'));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Target Board Interface"));
    EXPECT_TRUE(link.OnlineMode) << "opening the window takes the link online";
    clearTrace();
    pass();
    std::vector<int> expected = {8176, 8177, 8175, 8177, 8179, 8178, 8175};
    for (int i = 0; i < 10; ++i) expected.push_back(61424 + i);
    EXPECT_EQ(reads(), expected);
    EXPECT_EQ(QStringList({label(0), label(1), label(2), label(4), label(5)}),
              QStringList({"Current Fault: Code = 0AH", "Last Fault: Code = 3FH", "CO-CPU Slot: 3",
                           "Current Comm Error: Code = 04H", "Last Comm Error: Code = 1BH"}));
    EXPECT_EQ(text(3).toStdString(), kCoCpuAdvice);
    EXPECT_EQ(inBoard(), QStringList({"PACK21", "7", "200"}));
    EXPECT_TRUE(window->cmdGoOnline()->isHidden());
    EXPECT_TRUE(window->StatusShown());

    // The program on disk: LINE3 with checksum ?; (FBH) and revision 4: (4AH).
    EXPECT_EQ(onDisk().mid(0, 4), QStringList({"LINE3", "74", "251", "N-22"}));
    EXPECT_NE(onDisk()[4], QStringLiteral("-"));

    // Later passes read only what is refreshed (nothing for this board).
    board.preset("B8176", 0x20);
    clearTrace();
    pass();
    EXPECT_TRUE(reads().empty());
    EXPECT_EQ(label(0), QStringLiteral("Current Fault: Code = 0AH"));
    EXPECT_TRUE(writes().empty());
}

TEST_F(TargetBoardWindow, ProgramWithoutRevisionOrImageShowsDashesAndClosedTakesNoStep) {
    writeFile("lines/BARE.tnx", "DTNX\r\n");
    open(path("lines/BARE.tnx"));
    EXPECT_EQ(onDisk(), QStringList({"-", "0", "0", "K-900(PLC)", "-"}));
    window->cmdOk()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Monitoring());
    clearTrace();
    pass();
    EXPECT_TRUE(port.sent().empty());
}

// Each code box shows its code's text from the fault or the comm-error
// file, whatever the case of the folder and the code; a code without a
// record leaves the box's text.
TEST_F(TargetBoardWindow, DescriptionsComeFromTheFaultAndCommErrorFiles) {
    writeFile("support/faulterrcodes.txt", "0a,\"First text, with a comma\"\r\n40,Other\r\n");
    writeFile("support/CommErrCodes.TXT", "02,Comm two\r\n00,\"No error\"\r\n");
    board.preset("B8176", 0x0A);
    board.preset("B8177", 0x40);
    board.preset("B8179", 2);
    board.preset("B8178", 0x7F);  // no record: the box keeps its text
    open(program('D'));
    pass();
    EXPECT_EQ(text(0), QStringLiteral("First text, with a comma"));
    EXPECT_EQ(text(1), QStringLiteral("Other"));
    EXPECT_EQ(text(4), QStringLiteral("Comm two"));
    EXPECT_EQ(text(5), QStringLiteral(""));
}

TEST(TargetBoardAdvice, CorrectiveActionFollowsTheLastFaultCode) {
    const std::pair<int, std::string> cases[] = {
        {0x00, "None"},
        {0x01, kCoCpuAdvice},
        {0x3F, kCoCpuAdvice},
        {0x40, kResetAdvice},
        {0x42, kCableAdvice},
        {0x7A, kResetAdvice},
        {0x7B, "None"},
        {0xFF, "None"},
        {0x45,
         "User program executed an sfunc09() system fault function "
         "call.  See User program for details on source of fault "
         "and corrective action."},
        {0x5D,
         "Program is invalid.  Re-dump program to target board.  If fault persists, verify "
         "cable connections between computer and target board.  If fault persists, "
         "replace target board."},
    };
    for (const auto& [code, advice] : cases) EXPECT_EQ(CorrectiveAction(code), advice) << code;
}

TEST_F(TargetBoardWindow, ResetFaultsAsksThenClearsTheFourCodesInOrder) {
    // A CO-CPU slot alone is no fault.
    board.preset("B8175", 4);
    open(program('D'));
    pass();
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
    window->done(0);

    for (const char* item : {"B8176", "B8177", "B8179", "B8178"}) {
        SCOPED_TRACE(item);
        board.preset(item, 0x0A);
        open(program('D'));
        pass();
        EXPECT_TRUE(window->cmdResetFaults()->isEnabled());
        window->done(0);
        board.preset(item, 0);
    }

    board.preset("B8176", 0x0A);
    board.preset("B8178", 0x10);
    open(program('D'));
    pass();
    const FakeMessageBox::Shown question{
        "Target Board will be reinitialized.\r\n\r\nDo you wish to continue?",
        "WARNING - Fault Code Reset!", MsgButtons::YesNoCancel, MsgIcon::Critical};
    for (MsgResult answer : {MsgResult::No, MsgResult::Cancel}) {
        messages.shown.clear();
        messages.answers = {answer};
        clearTrace();
        window->cmdResetFaults()->click();
        EXPECT_EQ(messages.shown, std::vector{question});
        EXPECT_TRUE(port.sent().empty());
        EXPECT_TRUE(window->cmdResetFaults()->isEnabled());
    }
    messages.answers = {MsgResult::Yes};
    clearTrace();
    window->cmdResetFaults()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B8178=0", "B8179=0", "B8177=0", "B8176=0"}));
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
    // The next pass reads the status again.
    clearTrace();
    pass();
    EXPECT_EQ(reads().front(), 8176);
    EXPECT_EQ(label(0), QStringLiteral("Current Fault: Code = 00H"));
    EXPECT_EQ(label(5), QStringLiteral("Last Comm Error: Code = 00H"));
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
}

TEST_F(TargetBoardWindow, SilentBoardShowsNoCommunicationUntilGoOnlineFindsItAgain) {
    writeFile("Support/FaultErrCodes.txt", "0A,Jam at the flanger\r\n");
    board.preset("B8176", 0x0A);
    board.preset("B8177", 0x40);
    board.preset("B8179", 2);
    port.silent = true;
    open(program('6'));
    EXPECT_EQ(window->lblCurrTime()->text(), QStringLiteral("XX : XX : XX"));
    pass();  // the first read times out
    pass();  // the program goes offline
    EXPECT_FALSE(link.OnlineMode);
    for (int k : {0, 1, 3, 4, 5})
        EXPECT_EQ(text(k).toStdString(), frmTargetBoard::kNoCommunication) << k;
    EXPECT_EQ(label(0), QStringLiteral("Current Fault:")) << "no code the board did not give";
    EXPECT_FALSE(window->cmdGoOnline()->isHidden());
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
    EXPECT_FALSE(window->cmdSetToCurrTime()->isEnabled());
    EXPECT_FALSE(box(2)->isEnabled());
    EXPECT_FALSE(window->lblRevIdentInPLC(0)->isEnabled());
    for (const auto& shown : messages.shown)
        EXPECT_EQ(shown.buttons, MsgButtons::RetryCancel) << "only the link's own box";
    EXPECT_EQ(window->lblCurrTime()->text(), QStringLiteral("09 : 26 : 53"));
    EXPECT_EQ(window->lblCurrDate()->text(), QStringLiteral("03 - 14 - 2026"));

    // Offline passes send nothing.
    port.silent = false;
    clearTrace();
    pass();
    EXPECT_TRUE(port.sent().empty());

    window->cmdGoOnline()->click();
    EXPECT_TRUE(link.OnlineMode);
    pass();
    EXPECT_EQ(label(0), QStringLiteral("Current Fault: Code = 0AH"));
    EXPECT_EQ(text(0), QStringLiteral("Jam at the flanger"));
    EXPECT_EQ(text(3).toStdString(), kResetAdvice);
    // No comm-error file: those boxes keep their text.
    EXPECT_EQ(label(4), QStringLiteral("Current Comm Error: Code = 02H"));
    EXPECT_EQ(text(4).toStdString(), frmTargetBoard::kNoCommunication);
    EXPECT_TRUE(window->cmdGoOnline()->isHidden());
    EXPECT_TRUE(window->cmdResetFaults()->isEnabled());
    EXPECT_TRUE(box(2)->isEnabled());
    // The clock rows follow the board's clock, which ran on meanwhile.
    EXPECT_EQ(box(4)->text(), QStringLiteral("%1").arg(board.peek("B43008"), 2, 10, QChar(u'0')));
    EXPECT_NE(box(4)->text(), QStringLiteral("53"));
}

}  // namespace
}  // namespace voran::testing
