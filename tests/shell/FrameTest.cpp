// The frame window: start-up, menus, switching online and offline, File >
// Exit, the title and the save dialogs; the 500 ms background update (a
// silent board is told in status panel 1 until it answers again); and a
// value still typed in a set-up box when a command reads or replaces the
// working data: stored first, or refused with the range message.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "AliveLink.h"
#include "ShellHarness.h"
#include "data/SetupFile.h"
#include "data/ui/ReportCommands.h"
#include "data/ui/frmCompare.h"
#include "data/ui/frmMain.h"
#include "data/ui/frmProcessing.h"
#include "data/ui/frmWaitDisplay.h"
#include "link/ui/frmSetupComm.h"
#include "platform/qt/QtMessageBox.h"
#include "program/ui/frmAbout.h"
#include "program/ui/frmDownloadProg.h"
#include "program/ui/frmTargetBoard.h"
#include "shell/BackgroundUpdate.h"
#include "shell/WindowTable.h"
#include "shell/frmHelp.h"
#include "timing/ui/frmSetup.h"
#include "widgets/NumericEntry.h"
#include "window/ChildWindow.h"
#include "window/Utility.h"

namespace voran::testing {
namespace {

// The save-changes question; closing names the file the changes would go to.
FakeMessageBox::Shown saveQuestion(const std::string& closing = "") {
    return {"Save Changes to File?" + (closing.empty() ? "" : "\r\n\r\n[" + closing + "]"), "VORAN",
            MsgButtons::YesNoCancel, MsgIcon::Exclamation};
}

TEST(Startup, WindowOpensOfflineUnnamedWithNothingSentAndItsStatusPanels) {
    ShellHarness h;
    h.clock.setLocalDateTime({2026, 3, 14, 9, 26, 53, 0});
    h.window->refreshDateTime();
    EXPECT_EQ(h.window->windowTitle().toStdString(), "VORAN - [unnamed][*] - Main Display");
    EXPECT_FALSE(h.window->isWindowModified());
    EXPECT_FALSE(h.link().OnlineMode || h.link().CommError || h.port.isOpen());
    EXPECT_TRUE(h.port.wire.empty() && h.messages.shown.empty());
    EXPECT_NE(dynamic_cast<frmMain*>(h.window->currentChild()), nullptr);
    // Key, text (the time is the locale's short time: only its start is
    // fixed), tool tip.
    const char* rows[][3] = {{"STATUS", "System Message:", "System Status Display Messages"},
                             {"MODE", "OFFLINE", "Communications Mode"},
                             {"DATE", "3/14/26", "Current Date"},
                             {"TIME", "9:26", "Current Time"}};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(h.window->panelKey(i), rows[i - 1][0]);
        EXPECT_EQ(h.panel(i).rfind(rows[i - 1][1], 0), 0u) << h.panel(i);
        EXPECT_EQ(h.window->panel(i)->toolTip().toStdString(), rows[i - 1][2]);
    }
    EXPECT_EQ(h.panel(1), "System Message:");

    // The background update offline tells offline or the comm fault and
    // sends nothing.
    for (const bool fault : {false, true}) {
        h.link().CommError = fault;
        h.ticks(1);
        EXPECT_EQ(h.panel(1), fault ? "System Message:  Comm Fault with K-900"
                                    : "System Message:  Program is Currently OFFLINE");
        EXPECT_EQ(h.ctx().StatusMessage, "Set-up Program is Currently OFFLINE");
    }
    EXPECT_TRUE(h.port.wire.empty());
}

TEST(Startup, MenusCarryTheirCaptionsShortcutsAndChecks) {
    ShellHarness h;
    h.window->action(MenuCommand::EditOfflineEditing)->trigger();  // F2 sets the mark and the flag
    EXPECT_TRUE(h.ctx().OfflineEditing);
    // Name, caption, shortcut, and "e" enabled, "v" visible, "c" checked.
    const char* rows[] = {"mnuFileNew|&New...|Ctrl+N|ev",
                          "mnuFileOpen|&Open...|Ctrl+O|ev",
                          "mnuFileSave|&Save|Ctrl+S|ev",
                          "mnuFileSaveAs|Save &As...||ev",
                          "mnuFileExport|Export Shift Data...|Ctrl+X|ev",
                          "mnuFileUpload|&Upload (save) Data||ev",
                          "mnuFileDownloadProgram|Download &Program||ev",
                          "mnuFileUploadProgram|Upload Program...||ev",
                          "mnuFileDownload|&Download Data||ev",
                          "mnuFilePrint|&Print Report...|Ctrl+P|ev",
                          "mnuFilePrintPreview|Print Pre&view...||ev",
                          "mnuFilePrintSetup|Print Set&up...||",
                          "mnuFileExit|E&xit||ev",
                          "mnuEditOfflineEditing|Enable &Offline Editing|F2|evc",
                          "mnuEditCommPort|Co&mm Port|Ctrl+M|ev",
                          "mnuViewOnline|O&nline Data|F3|ev",
                          "mnuViewOffline|O&ffline Data|F4|evc",
                          "mnuViewTargetBoardStatus|&Target Board Interface|F5|ev",
                          "mnuWindowForm0|&1 Main Display||evc",
                          "mnuWindowForm1|&2 Set-up Parameters||ev",
                          "mnuWindowForm2|&3 Machine Timing||ev",
                          "mnuWindowForm3|&4 Serial Communications||ev",
                          "mnuWindowForm4|&5 I/O States||ev",
                          "mnuHelpHelpTopics|&Help Topics|Ctrl+H|ev",
                          "mnuHelpAbout|&About VORAN||ev"};
    for (const std::string row : rows) {
        const std::string name = row.substr(0, row.find('|'));
        auto* a = h.window->findChild<QAction*>(QString::fromStdString(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(name + "|" + a->text().toStdString() + "|" +
                      a->shortcut().toString().toStdString() + "|" + (a->isEnabled() ? "e" : "") +
                      (a->isVisible() ? "v" : "") + (a->isChecked() ? "c" : ""),
                  row);
    }
    QStringList titles;
    for (QAction* a : h.window->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles.join(",").toStdString(), "&File,&Edit,&View,&Window,&Help");
}

TEST(OnlineSwitching, ViewMenuAndModePanelOpenAndCloseTheLink) {
    for (const bool byPanel : {false, true}) {
        SCOPED_TRACE(byPanel ? "MODE panel" : "View menu");
        ShellHarness h;
        h.window->show();
        auto click = [&h](int i) { QTest::mouseClick(h.window->panel(i), Qt::LeftButton); };
        auto expectMode = [&h](bool online) {  // link, port, MODE panel, the two menu marks
            EXPECT_EQ(
                std::vector<bool>({h.link().OnlineMode, h.port.isOpen(), h.panel(2) == "ONLINE",
                                   h.window->action(MenuCommand::ViewOnline)->isChecked(),
                                   !h.window->action(MenuCommand::ViewOffline)->isChecked()}),
                std::vector<bool>(5, online));
        };
        for (int i : {1, 3, 4}) click(i);  // the other panels do nothing
        expectMode(false);
        byPanel ? click(2) : h.window->action(MenuCommand::ViewOnline)->trigger();
        h.stopTimers();
        expectMode(true);
        h.clearTrace();
        byPanel ? click(2) : h.window->action(MenuCommand::ViewOffline)->trigger();
        expectMode(false);
        EXPECT_EQ(h.port.sent(), std::vector<std::uint8_t>{0xFF});  // the closing attention
    }
}

TEST(OnlineSwitching, PortInUseGivesTheCommPortErrorBoxAndStaysOffline) {
    ShellHarness h;
    h.port.openError = {16, "open", "The port is in use by another program."};
    h.window->action(MenuCommand::ViewOnline)->trigger();
    h.stopTimers();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].title, "Comm Port Error");
    EXPECT_NE(h.messages.shown[0].text.find("The port is in use by another program."),
              std::string::npos);
    EXPECT_FALSE(h.link().OnlineMode);
    EXPECT_EQ(h.panel(2), "OFFLINE");
    EXPECT_FALSE(h.window->action(MenuCommand::ViewOnline)->isChecked()) << "the frame was told";
}

TEST(Menus, HelpTopicsOpensTheSiteHelpFileOrElseTheManualAndAboutOpensBesideTheFrame) {
    ShellHarness h;
    EXPECT_EQ(h.window->helpFile(), h.folder.path().toStdString() + "/Help/VORAN.hlp");
    h.launcher.existing.insert(h.window->helpFile());
    h.window->action(MenuCommand::HelpHelpTopics)->trigger();
    EXPECT_EQ(h.launcher.opened, std::vector<std::string>{h.window->helpFile()});
    EXPECT_EQ(h.window->helpWindow(), nullptr);

    h.launcher.existing.clear();
    h.window->action(MenuCommand::HelpHelpTopics)->trigger();
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_EQ(h.launcher.opened.size(), 1u);
    ASSERT_NE(h.window->helpWindow(), nullptr);
    EXPECT_TRUE(h.window->helpWindow()->isVisible());

    // About opens beside the frame, not modal, and only once.
    h.window->show();
    h.window->action(MenuCommand::HelpAbout)->trigger();
    frmAbout* about = h.window->aboutWindow();
    ASSERT_NE(about, nullptr) << "the menu returns with the window still open";
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    h.window->action(MenuCommand::HelpAbout)->trigger();
    EXPECT_EQ(h.window->aboutWindow(), about);
    EXPECT_EQ(h.window->findChildren<frmAbout*>().size(), 1);
}

TEST(Startup, FrameFitsTheScreenWhateverTheWindowNeeds) {
    // The first size leaves room for the title bar and borders.
    const QRect screen(0, 0, 1280, 800);
    const QSize first = frmMDIMain::FirstFrameSize(QSize(900, 560), screen);
    EXPECT_EQ(first, QSize(900, 560));
    const QSize small = frmMDIMain::FirstFrameSize(QSize(900, 560), QRect(0, 0, 800, 500));
    EXPECT_LT(small.height(), 500);
    EXPECT_LE(small.width(), 800);

    // A child window that cannot shrink (here a set-up window at twice the
    // font) scrolls inside the frame instead of raising the frame's minimum.
    ShellHarness h;
    QFont big = QApplication::font();
    big.setPointSizeF(big.pointSizeF() * 2);
    h.window->ShowWindow(kSetupParameters);
    h.window->currentChild()->setFont(big);
    h.window->show();
    const QSize minimum = h.window->minimumSizeHint().expandedTo(h.window->minimumSize());
    EXPECT_LE(minimum.width(), small.width());
    EXPECT_LE(minimum.height(), small.height());
    EXPECT_GT(h.window->currentChild()->minimumSizeHint().width(), small.width());
}

TEST(Startup, FrameGrowsToShowAWiderWindowWholeButStaysOnTheScreen) {
    ShellHarness h;
    h.window->resize(420, 300);
    h.window->show();
    const QRect available = h.window->screen()->availableGeometry();
    h.window->ShowWindow(4);  // I/O States, wider than 420
    h.stopTimers();
    QWidget* child = h.window->currentChild();
    const QSize need = child->minimumSizeHint();
    ASSERT_GT(need.width(), 420);
    // The frame grows once the new window is laid out.
    QCoreApplication::processEvents();
    EXPECT_GT(h.window->width(), 420);
    EXPECT_GE(child->width(), std::min(need.width(), available.width() - 40));
    EXPECT_TRUE(available.contains(h.window->frameGeometry())) << "never off the screen";

    // Back to a smaller window: the frame keeps the size it has.
    const QSize grown = h.window->size();
    h.window->ShowWindow(kMainDisplay);
    h.stopTimers();
    QCoreApplication::processEvents();
    EXPECT_EQ(h.window->size(), grown);
}

TEST(Shutdown, SaveQuestionDecidesWhetherTheProgramEndsAndClosesThePort) {
    // Case, data changed, answer, file chosen for the save, program ends.
    const std::tuple<const char*, bool, MsgResult, bool, bool> cases[] = {
        {"no changes: no question", false, MsgResult::Ok, false, true},
        {"Cancel keeps the program and the link", true, MsgResult::Cancel, false, false},
        {"No ends without saving", true, MsgResult::No, false, true},
        {"Yes saves, then ends", true, MsgResult::Yes, true, true},
        {"Yes whose save is cancelled keeps the program", true, MsgResult::Yes, false, false},
    };
    const FakeMessageBox::Shown question = saveQuestion("unnamed");
    for (const auto& [name, changed, answer, fileChosen, ends] : cases) {
        SCOPED_TRACE(name);
        ShellHarness h;
        h.window->show();
        h.goOnline();
        if (changed) h.window->tables().CurrentData.Value[0] = 99;
        const std::string path = h.folder.filePath("line3.sdt").toStdString();
        if (fileChosen) h.dialogs.choose(path);
        h.messages.answers = {answer};
        h.clearTrace();
        h.window->action(MenuCommand::FileExit)->trigger();

        EXPECT_EQ(h.window->isVisible(), !ends);
        EXPECT_EQ(h.messages.shown.size(), changed ? 1u : 0u);
        for (const auto& box : h.messages.shown) EXPECT_EQ(box, question);
        EXPECT_EQ(h.link().OnlineMode, !ends);
        // Closing the link sends the closing attention byte; staying sends nothing.
        EXPECT_EQ(h.port.sent(), std::vector<std::uint8_t>(ends ? 1 : 0, 0xFF));
        EXPECT_EQ(h.port.isOpen(), !ends);
        EXPECT_EQ(QFile::exists(QString::fromStdString(path)), fileChosen);
    }
}

// The title as the window manager shows it: Qt's "[*]" mark as "*" while
// the window is modified, else nothing.
std::string shownTitle(const QWidget& w) {
    QString t = w.windowTitle();
    t.replace("[*][*]", "\x01");
    t.replace("[*]", w.isWindowModified() ? "*" : "");
    t.replace("\x01", "[*]");
    return t.toStdString();
}

TEST(FrameTitle, NamesTheFileMarksUnsavedChangesAndTheOpenWindow) {
    ShellHarness h;
    const std::string path = h.folder.filePath("line3.sdt").toStdString();
    struct Step {
        const char* what;
        std::function<void()> act;
        std::string title;
    };
    const std::vector<Step> steps = {
        {"start", [] {}, "VORAN - [unnamed] - Main Display"},
        {"window 2", [&] { h.window->ShowWindow(1); }, "VORAN - [unnamed] - Set-Up"},
        {"window 4", [&] { h.window->ShowWindow(3); },
         "VORAN - [unnamed] - N-90 Serial Communications"},
        {"window 3", [&] { h.window->ShowWindow(2); }, "VORAN - [unnamed] - Machine Timing"},
        {"an offline edit",
         [&] {
             h.window->tables().CurrentData.Setpoint[2] = {10, 20};
             h.ticks(1);
         },
         "VORAN - [unnamed]* - Machine Timing"},
        {"Save As",
         [&] {
             h.dialogs.choose(path);
             h.window->files().SaveAs();
         },
         "VORAN - [line3.sdt] - Machine Timing"},
        {"window 5", [&] { h.window->ShowWindow(4); }, "VORAN - [line3.sdt] - I/O Status"},
        {"an upload's values",
         [&] {
             h.window->tables().CurrentData.Value[40] = 5;
             h.ticks(1);
         },
         "VORAN - [line3.sdt]* - I/O Status"},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(shownTitle(*h.window), s.title) << s.what;
    }
}

// A name typed without an extension gets the one of the filter shown; a
// name with one keeps it. Save As, Export Shift Data and the comparison's
// Save as CSV all ask through the same dialog.
TEST(SaveDialogs, AddTheShownFiltersExtensionToABareName) {
    struct Case {
        const char* command;
        const char* typed;
        int filterShown;  // 0: the dialog does not say
        const char* written;
    };
    const Case cases[] = {
        {"save as", "line3", 0, "line3.sdt"},     {"save as", "line3.sdt", 1, "line3.sdt"},
        {"save as", "line3.bak", 1, "line3.bak"}, {"export", "shift", 1, "shift.txt"},
        {"export", "shift", 2, "shift.csv"},      {"export", "shift.dat", 2, "shift.dat"},
    };
    for (const Case& c : cases) {
        ShellHarness h;
        const std::string path = h.folder.filePath(c.typed).toStdString();
        FileDialogResult r = FileDialogResult::Chosen(path, c.typed);
        r.filterIndex = c.filterShown;
        h.dialogs.answers.push_back(r);
        const std::string command = c.command;
        if (command == "save as") {
            EXPECT_TRUE(h.window->files().SaveAs()) << c.typed;
        } else {
            EXPECT_TRUE(h.window->reports().mnuFileExport_Click()) << c.typed;
        }
        EXPECT_EQ(QDir(h.folder.path()).entryList({"line3*", "shift*"}, QDir::Files),
                  QStringList{c.written})
            << c.typed;
        if (command == "save as") {
            EXPECT_EQ(h.window->files().gFileNameCaption, "[" + std::string(c.written) + "]");
        }
    }
}

// Enter never presses a button the operator did not aim at: no button of a
// child window (every entry of the window table) or of a dialog is a
// default button.
TEST(DefaultButtons, NoWindowOrDialogHasOne) {
    ShellHarness h;
    h.window->show();
    const auto defaults = [](QWidget* w) {
        std::vector<std::string> found;
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->isDefault() || b->autoDefault()) found.push_back(b->text().toStdString());
        return found;
    };
    const auto& table = WindowTable();
    for (int i = static_cast<int>(table.size()) - 1; i >= 0; --i) {
        h.window->ShowWindow(i);
        ASSERT_NE(h.window->currentChild(), nullptr) << i;
        EXPECT_EQ(defaults(h.window->currentChild()), std::vector<std::string>{})
            << table[i].caption;
    }
    SetupData board;
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.emplace_back(new frmAbout(h.launcher, h.messages));
    dialogs.emplace_back(new frmSetupComm(h.ctx()));
    dialogs.emplace_back(new frmCompare({{Difference::Section::SetUp, 0, "W1000", "x", 1, 2}},
                                        "[unnamed]", h.clipboard, h.dialogs, h.messages));
    dialogs.emplace_back(new frmProcessing(h.ctx(), board));
    dialogs.emplace_back(new frmWaitDisplay);
    dialogs.emplace_back(new frmDownloadProg(h.link(), h.ctx().program));
    dialogs.emplace_back(new frmTargetBoard(h.ctx()));
    for (const auto& d : dialogs)
        EXPECT_EQ(defaults(d.get()), std::vector<std::string>{}) << d->metaObject()->className();
}

TEST(ChangeExtension, ReplacesTheLastExtensionUnderTheAbsoluteFolder) {
    const std::string cwd = std::filesystem::current_path().string();
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"/opt/voran/line3", "rev", "/opt/voran/line3.rev"},
        {"/opt/voran/line3.v2.tnx", "lcf", "/opt/voran/line3.v2.lcf"},
        {"progs/line3.tnx", "hex", cwd + "/progs/line3.hex"},
    };
    for (const auto& [path, ext, expected] : cases)
        EXPECT_EQ(ChangeExtension(path, ext), expected) << path;
}

TEST(QtMessageBoxText, LineBreaksLatin1AndTabSeparatedLinesAsATwoColumnTable) {
    const std::pair<std::string, QString> cases[] = {
        {"Error Number = 16\r\nError Source = open\r\rbusy",
         "Error Number = 16\nError Source = open\n\nbusy"},
        {"90\xb0", QString::fromUtf8("90\u00b0")},
        {"90\xc2\xb0", QString::fromUtf8("90\u00b0")},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(QtMessageBox::toDisplayText(text).toStdString(), shown.toStdString()) << text;

    // The program download question's "label: \t\t value" lines line up in
    // two columns whatever the scale: a table row each, the words kept, no
    // tab left to be drawn at a width of its own.
    const std::string text =
        "Program on disk:\r\n  Program Ident: \t\tLINE3\r\n  Program Checksum: \t4F\r\n\r\n"
        "Download <now>?";
    const QString html = voran::QtMessageBox::toAlignedHtml(text);
    EXPECT_EQ(html.count(QStringLiteral("<tr>")), 2);
    EXPECT_FALSE(html.contains(QLatin1Char('\t')));
    for (const char* words : {"Program on disk:", "Program Ident:", "LINE3",
                              "Program Checksum:", "4F", "Download &lt;now&gt;?"})
        EXPECT_TRUE(html.contains(QString::fromLatin1(words))) << words;
    EXPECT_TRUE(html.indexOf("Program Ident:") < html.indexOf("LINE3"));
    EXPECT_EQ(voran::QtMessageBox::toAlignedHtml("no tab here"), QString());
}

const std::string kAlarm = "***** SYSTEM ALARM *****\r\n ";
const std::string kTransfer = kAlarm + "Transfer Jam Alarm \r\n\r\n";
const std::string kInfeed = kAlarm + "Infeed Jam Alarm \r\n\r\n";
const std::string kTiming = kAlarm + "Timing Signal Fail Alarm \r\n\r\n";
const std::string kNormal = "-- System Normal --\r\nSet-up Program is Currently ONLINE";
const std::string kFaultsPanel = "System Message:  Faults Active in PLC";

TEST(BackgroundOnline, MessageListsEveryActiveAlarmInTableOrderPollingOneAlarmPerTick) {
    const std::tuple<std::vector<const char*>, std::string, std::string> cases[] = {
        {{}, kNormal, "System Message:  All Faults Normal"},
        {{"B121.7"}, kInfeed, kFaultsPanel},
        {{"B111.4", "B121.7"}, kTransfer + kInfeed, kFaultsPanel},
    };
    for (const auto& [set, message, panel] : cases) {
        ShellHarness h;
        for (const char* a : set) ASSERT_TRUE(h.board.preset(a, 1));
        h.goOnline();
        h.clearTrace();
        h.ticks(3);
        EXPECT_EQ(h.ctx().StatusMessage, message);
        EXPECT_EQ(h.panel(1), panel);
        h.ticks(1);  // the poll starts with the second alarm
        EXPECT_EQ(h.addressesRead(), ByteAddressesOf({"B111.6", "B121.7", "B111.4", "B111.6"}));
    }
}

TEST(BackgroundOnline, CommErrorFreezesMessagePanelAndAlarmStatesAndStopsThePoll) {
    ShellHarness h;
    ASSERT_TRUE(h.board.preset("B111.6", 1));
    h.goOnline();
    h.ticks(1);
    ASSERT_EQ(h.ctx().StatusMessage, kTiming);
    ASSERT_TRUE(h.board.preset("B111.6", 0));
    h.port.silent = true;  // the board stops answering; the box is cancelled
    h.ticks(3);
    EXPECT_TRUE(h.link().CommError);
    h.clearTrace();
    h.ticks(3);
    EXPECT_TRUE(h.port.sent().empty());
    EXPECT_EQ(h.ctx().StatusMessage, kTiming);
    EXPECT_EQ(h.panel(1), kFaultsPanel);
}

TEST(BackgroundOnline, TickInsideALinkBoxDoesNothing) {
    ShellHarness h;
    h.goOnline();
    h.ticks(1);
    h.port.silent = true;
    int reentries = 0;
    h.messages.whileOpen = [&] {
        const std::size_t bytesBefore = h.port.sent().size();
        EXPECT_FALSE(h.window->tmrBackgroungUpdate_Timer());
        EXPECT_EQ(h.port.sent().size(), bytesBefore);
        ++reentries;
    };
    h.link().RSRead("W182");
    EXPECT_GE(reentries, 1);
    EXPECT_EQ(h.window->background().alarmIndex(), 1);
}

// The frame as the program builds it: its link waits through the alive
// clock and the busy port, whose silence notices reach the status bar.
struct AliveShell : ShellHarness {
    AliveWiring wiring{clock, port};

    AliveShell() {
        makeWindow(wiring.aliveClock, wiring.busyPort);
        wiring.sign.onSilent = [this](bool on) { window->boardSilent(on); };
    }
    ~AliveShell() {
        wiring.sign.onSilent = nullptr;
        window.reset();  // before the wiring it talks through
    }
};

TEST(BoardSilent, PanelSaysTheProgramWaitsFromTheFirstMissedAnswerUntilTheBoardAnswers) {
    // How long the board stays deaf (for good: -1), when the waiting text
    // goes away again (-1: it stays until the link gives up), and whether
    // the cable message comes.
    const struct {
        double deafFor;
        double clearedAt;
        bool cableBox;
    } cases[] = {{-1, -1, true}, {1.5, 3.0, false}, {0.5, 1.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deafFor);
        AliveShell shell;
        shell.window->mnuViewOnline_Click();
        ASSERT_TRUE(shell.window->link().OnlineMode);
        shell.window->tmrBackgroungUpdate_Timer();
        const QString normal = shell.window->panel(1)->text();
        ASSERT_NE(normal, texts::kPanelWaiting);

        // The panel as the operator sees it at every turn of the event loop.
        std::vector<std::pair<double, bool>> seen;
        const double start = shell.clock.now();
        TurnWatch watch(shell.clock, shell.window->link(), shell.port);
        watch.onFire = [&] {
            const double t = shell.clock.now() - start;
            seen.emplace_back(t, shell.window->panel(1)->text() == texts::kPanelWaiting);
            shell.port.silent = c.deafFor < 0 || t < c.deafFor;
        };
        shell.port.silent = true;
        const std::string value = InTransaction(
            shell.window->link(), [&](RSComm::Transaction& t) { return t.read("B100"); });
        EXPECT_EQ(value.empty(), c.cableBox);

        ASSERT_FALSE(seen.empty());
        for (const auto& [t, waiting] : seen) {
            const bool expected = t > 1.0 && (c.clearedAt < 0 || t < c.clearedAt);
            if (std::abs(t - 1.0) < 1e-9 || std::abs(t - c.clearedAt) < 1e-9) continue;
            EXPECT_EQ(waiting, expected) << "at " << t << " s";
        }
        const bool boxShown = !shell.messages.shown.empty() &&
                              shell.messages.shown.back().title == "WARNING - Communication Error!";
        EXPECT_EQ(boxShown, c.cableBox);
        if (c.cableBox) {
            EXPECT_DOUBLE_EQ(shell.clock.now() - start, 5.0) << "as with plain waits";
        } else {
            EXPECT_EQ(shell.window->panel(1)->text(), normal);
        }
        EXPECT_EQ(watch.bytesFromShots, 0);
    }
}

using Boxes = std::vector<FakeMessageBox::Shown>;
constexpr int kBox = 5;  // shifts to Station 6, 0 to 319

const FakeMessageBox::Shown kRangeBox{"Only a Number Between 0 and 319 can be Entered", "Set-up",
                                      MsgButtons::Ok, MsgIcon::Information};
const FakeMessageBox::Shown kDownloadQuestion{
    "You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?", "Data Download",
    MsgButtons::YesSetUpOnlyNo, MsgIcon::Question};
FakeMessageBox::Shown transferQuestion(const std::string& what, const char* title) {
    std::string text = "You are about to ";
    text.append(what).append("\r\n\r\nDo You Wish to Continue?");
    return {text, title, MsgButtons::YesNo, MsgIcon::Question};
}

// The frame with the set-up window on show, offline editing on, and the
// data saved under a name.
struct Frame : ShellHarness {
    Frame() {
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->action(MenuCommand::EditOfflineEditing)->trigger();
        dialogs.choose(file());
        EXPECT_TRUE(window->files().SaveAs());
        window->ShowWindow(kSetupParameters);
        setup()->monitor().setTimerDriven(false);
        setup()->monitor().runPass();
        dialogs.shown.clear();
    }
    frmSetup* setup() const { return dynamic_cast<frmSetup*>(window->currentChild()); }
    std::string file(const char* name = "line3.sdt") const {
        return folder.filePath(name).toStdString();
    }
    std::int32_t item() { return window->tables().CurrentData.Value[kBox]; }
    std::int32_t onDisk(const char* name = "line3.sdt") const {
        SetupData d;
        return ReadSetupFile(file(name), d) ? d.Value[kBox] : -1;
    }
    // Types into the box as the operator would, without leaving it.
    void type(const char* text) {
        QLineEdit* edit = setup()->txtSetup(kBox)->lineEdit();
        edit->setFocus(Qt::TabFocusReason);
        for (const char* c = text; *c; ++c) QTest::keyClick(edit, *c);
    }
};

TEST(PendingEntry, EveryCommandOnTheDataTakesTheTypedValueOrStopsAtTheRangeMessage) {
    const auto menu = [](MenuCommand c) {
        return [c](Frame& f) { f.window->action(c)->trigger(); };
    };
    const auto ctrlS = [](Frame&) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    };
    const auto saveAsOther = [](Frame& f) {
        f.dialogs.choose(f.file("other.sdt"));
        f.window->action(MenuCommand::FileSaveAs)->trigger();
    };
    const auto any = [](Frame&) { return true; };
    const auto saved = [](Frame& f) { return f.onDisk() == 133; };
    const auto savedKept = [](Frame& f) {
        return f.onDisk() == f.window->tables().SavedData.Value[kBox];
    };
    const auto noDialog = [](Frame& f) { return f.dialogs.shown.empty(); };
    const auto shown = [](Frame& f) { return f.window->isVisible(); };
    const struct {
        const char* command;
        std::function<void(Frame&)> give;
        MsgResult answer;                          // to the command's own question, if it asks one
        std::optional<FakeMessageBox::Shown> box;  // shown when the typed value is taken
        // What shows that the command went on with the value, and that it
        // did not happen after a refused one.
        std::function<bool(Frame&)> wentOn, stopped;
    } rows[] = {
        {"Ctrl+S", ctrlS, MsgResult::Ok, std::nullopt, saved, savedKept},
        {"File > Save", menu(MenuCommand::FileSave), MsgResult::Ok, std::nullopt, saved, savedKept},
        {"File > Save As", saveAsOther, MsgResult::Ok, std::nullopt,
         [](Frame& f) { return f.onDisk("other.sdt") == 133; }, noDialog},
        {"File > New", menu(MenuCommand::FileNew), MsgResult::Cancel, saveQuestion(), any, any},
        {"File > Open", menu(MenuCommand::FileOpen), MsgResult::Cancel, saveQuestion(), noDialog,
         noDialog},
        {"File > Exit", menu(MenuCommand::FileExit), MsgResult::Cancel, saveQuestion("line3.sdt"),
         shown, shown},
        {"closing the frame", [](Frame& f) { f.window->close(); }, MsgResult::Cancel,
         saveQuestion("line3.sdt"), shown, shown},
        {"File > Upload", menu(MenuCommand::FileUpload), MsgResult::No,
         transferQuestion("Upload Data from the PLC", "Data Upload"), any, any},
        {"File > Download", menu(MenuCommand::FileDownload), MsgResult::No, kDownloadQuestion, any,
         any},
        {"Window > Main Display",
         [](Frame& f) { f.window->mnuWindowForm(kMainDisplay)->trigger(); }, MsgResult::Ok,
         std::nullopt, [](Frame& f) { return f.window->currentWindow() == kMainDisplay; },
         [](Frame& f) {
             return f.window->currentWindow() == kSetupParameters &&
                    f.window->mnuWindowForm(kSetupParameters)->isChecked();
         }},
        {"F2", menu(MenuCommand::EditOfflineEditing), MsgResult::Ok, std::nullopt,
         [](Frame& f) { return !f.ctx().OfflineEditing; },
         [](Frame& f) {
             return f.ctx().OfflineEditing &&
                    f.window->action(MenuCommand::EditOfflineEditing)->isChecked();
         }},
        {"F3", menu(MenuCommand::ViewOnline), MsgResult::Ok, std::nullopt,
         [](Frame& f) { return f.link().OnlineMode; },
         [](Frame& f) {
             return !f.link().OnlineMode &&
                    f.window->action(MenuCommand::ViewOffline)->isChecked() &&
                    !f.window->action(MenuCommand::ViewOnline)->isChecked();
         }},
    };
    for (const auto& r : rows) {
        for (const char* typed : {"133", "abc"}) {
            SCOPED_TRACE(std::string(r.command) + " after " + typed);
            Frame f;
            const std::int32_t before = f.item();
            ASSERT_NE(before, 133);
            f.type(typed);
            f.messages.answers = {r.answer};
            r.give(f);
            f.stopTimers();
            if (typed[0] == 'a') {
                EXPECT_EQ(f.messages.shown, Boxes{kRangeBox});
                EXPECT_EQ(f.item(), before);
                EXPECT_TRUE(r.stopped(f));
                EXPECT_TRUE(f.setup() &&
                            QApplication::focusWidget() == f.setup()->txtSetup(kBox)->lineEdit())
                    << "the focus stays in the box";
            } else {
                EXPECT_EQ(f.messages.shown, r.box ? Boxes{*r.box} : Boxes{});
                EXPECT_EQ(f.item(), 133);
                EXPECT_TRUE(r.wentOn(f));
            }
        }
    }
}

TEST(PendingEntry, NeitherTheAlarmPollNorTheWindowsPassOpensALinkBoxOverTheRangeMessage) {
    Frame f;
    f.goOnline();
    f.setup()->monitor().runPass();
    f.type("abc");
    f.port.silent = true;  // any read now ends in the link's Retry/Cancel box
    f.clearTrace();
    f.messages.whileOpen = [&f] {
        f.ticks(3);
        f.setup()->monitor().runPass();
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(f.messages.shown, Boxes{kRangeBox});
    EXPECT_TRUE(f.port.sent().empty());
    EXPECT_FALSE(f.link().CommError);
    // Once it is closed, the pass runs and meets the fault on its own.
    f.messages.whileOpen = nullptr;
    f.setup()->monitor().runPass();
    EXPECT_TRUE(f.link().CommError);
    EXPECT_EQ(f.messages.shown.size(), 2u);
}

}  // namespace
}  // namespace voran::testing
