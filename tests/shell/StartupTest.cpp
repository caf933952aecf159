// What the operator sees when the program has just started, the menus, and
// switching between online and offline.
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "shell/frmHelp.h"
#include "data/ui/frmMain.h"

using namespace voran;
using voran::testing::ShellHarness;

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

TEST(Menus, HelpTopicsOpensTheSiteHelpFileOrElseTheProgramsManual) {
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
