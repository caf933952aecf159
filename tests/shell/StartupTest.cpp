// What the operator sees when the program has just started, and switching
// between online and offline.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/ui/frmMain.h"

using namespace voran;
using voran::testing::ShellHarness;

namespace {

struct MenuRow {
    const char* name;
    const char* caption;
    const char* shortcut;
    bool enabled;
    bool visible;
    bool checked;
};

}  // namespace

TEST(Startup, WindowOpensOfflineUnnamedWithNothingSent) {
    ShellHarness h;
    EXPECT_EQ(h.window->windowTitle().toStdString(), "VORAN - [unnamed]");
    EXPECT_FALSE(h.link().OnlineMode);
    EXPECT_FALSE(h.link().CommError);
    EXPECT_FALSE(h.port.isOpen());
    EXPECT_TRUE(h.port.wire.empty());
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_FALSE(h.window->tables().HasUnsavedChanges());
    EXPECT_TRUE(h.window->loaded());
    EXPECT_EQ(h.window->currentWindow(), 0);
    ASSERT_NE(dynamic_cast<frmMain*>(h.window->currentChild()), nullptr);
    EXPECT_EQ(h.window->helpFile(), h.folder.path().toStdString() + "/Help/VORAN.hlp");
}

TEST(Startup, MenusCarryTheirCaptionsShortcutsAndChecks) {
    ShellHarness h;
    const MenuRow rows[] = {
        {"mnuFileNew", "&New...", "Ctrl+N", true, true, false},
        {"mnuFileOpen", "&Open...", "Ctrl+O", true, true, false},
        {"mnuFileSave", "&Save", "Ctrl+S", true, true, false},
        {"mnuFileSaveAs", "Save &As...", "", true, true, false},
        {"mnuFileExport", "Export Shift Data...", "Ctrl+X", false, true, false},
        {"mnuFileUpload", "&Upload (save) Data", "", true, true, false},
        {"mnuFileDownloadProgram", "Download &Program", "", false, true, false},
        {"mnuFileDownload", "&Download Data", "", true, true, false},
        {"mnuFilePrint", "&Print Report...", "Ctrl+P", false, true, false},
        {"mnuFilePrintSetup", "Print Set&up...", "", false, false, false},
        {"mnuFileExit", "E&xit", "", true, true, false},
        {"mnuEditOfflineEditing", "Enable &Offline Editing", "F2", true, true, false},
        {"mnuEditCommPort", "Co&mm Port", "Ctrl+M", false, true, false},
        {"mnuViewOnline", "O&nline Data", "F3", true, true, false},
        {"mnuViewOffline", "O&ffline Data", "F4", true, true, true},
        {"mnuViewTargetBoardStatus", "&Target Board Interface", "F5", false, true, false},
        {"mnuWindowForm0", "&1 Main Display", "", true, true, true},
        {"mnuWindowForm1", "&2 Set-up Parameters", "", true, true, false},
        {"mnuWindowForm2", "&3 Machine Timing", "", false, true, false},
        {"mnuWindowForm3", "&4 Serial Communications", "", false, true, false},
        {"mnuWindowForm4", "&5 I/O States", "", false, true, false},
        {"mnuHelpHelpTopics", "&Help Topics", "Ctrl+H", true, true, false},
        {"mnuHelpAbout", "&About VORAN", "", false, true, false},
    };
    for (const MenuRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* a = h.window->findChild<QAction*>(row.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text().toStdString(), row.caption);
        EXPECT_EQ(a->shortcut().toString().toStdString(), row.shortcut);
        EXPECT_EQ(a->isEnabled(), row.enabled);
        EXPECT_EQ(a->isVisible(), row.visible);
        EXPECT_EQ(a->isChecked(), row.checked);
    }
    QStringList titles;
    for (QAction* a : h.window->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles.join(",").toStdString(), "&File,&Edit,&View,&Window,&Help");
}

TEST(Startup, StatusBarPanelsHaveKeysTextsAndTips) {
    ShellHarness h;
    h.clock.setLocalDateTime({2026, 3, 14, 9, 26, 53, 0});
    h.window->refreshDateTime();
    const char* rows[][3] = {{"STATUS", "System Message:", "System Status Display Messages"},
                             {"MODE", "OFFLINE", "Communications Mode"},
                             {"DATE", "3/14/26", "Current Date"},
                             // The locale's short time; what follows the
                             // minutes varies with the locale data installed.
                             {"TIME", "9:26", "Current Time"}};
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(rows[i - 1][0]);
        EXPECT_EQ(h.window->panelKey(i), rows[i - 1][0]);
        EXPECT_TRUE(h.window->panel(i)->text().startsWith(rows[i - 1][1]));
        EXPECT_EQ(h.window->panel(i)->toolTip().toStdString(), rows[i - 1][2]);
    }
    EXPECT_EQ(h.window->panel(1)->text().toStdString(), "System Message:");
}

// What the operator sees of the mode: MODE panel, View menu marks, port.
static void expectMode(ShellHarness& h, bool online) {
    EXPECT_EQ(h.link().OnlineMode, online);
    EXPECT_EQ(h.port.isOpen(), online);
    EXPECT_EQ(h.window->panel(2)->text().toStdString(), online ? "ONLINE" : "OFFLINE");
    EXPECT_EQ(h.window->mnuViewOnline->isChecked(), online);
    EXPECT_EQ(h.window->mnuViewOffline->isChecked(), !online);
}

TEST(OnlineSwitching, ViewMenuAndModePanelOpenAndCloseTheLink) {
    struct Case {
        const char* name;
        std::function<void(ShellHarness&)> online, offline;
    };
    auto click = [](int index) {
        return
            [index](ShellHarness& h) { QTest::mouseClick(h.window->panel(index), Qt::LeftButton); };
    };
    const Case cases[] = {
        {"View menu", [](ShellHarness& h) { h.window->mnuViewOnline->trigger(); },
         [](ShellHarness& h) { h.window->mnuViewOffline->trigger(); }},
        {"MODE panel", click(2), click(2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShellHarness h;
        h.window->show();
        // Clicks on the other panels do nothing.
        for (int index : {1, 3, 4}) click(index)(h);
        expectMode(h, false);
        EXPECT_TRUE(h.port.wire.empty());

        c.online(h);
        h.stopTimers();
        expectMode(h, true);
        // The greeting: attention byte answered by the board.
        ASSERT_FALSE(h.port.sent().empty());
        EXPECT_EQ(h.port.sent().front(), 0xFF);

        h.port.clearTrace();
        c.offline(h);
        expectMode(h, false);
        EXPECT_EQ(h.port.sent(), std::vector<std::uint8_t>{0xFF});
    }
}

TEST(OnlineSwitching, GoingOnlineTwiceReopensThePortAndRereadsTheSettings) {
    ShellHarness h;
    h.goOnline();
    EXPECT_EQ(h.port.portNumber(), 1);
    {
        QFile cfg(QString::fromStdString(h.link().CommSettingsFile()));
        ASSERT_TRUE(cfg.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cfg.write("2,19200\r\n");
    }
    h.port.clearTrace();
    h.window->mnuViewOnline->trigger();
    h.stopTimers();
    EXPECT_TRUE(h.link().OnlineMode);
    EXPECT_TRUE(h.port.isOpen());
    EXPECT_EQ(h.port.portNumber(), 2);
    EXPECT_EQ(h.port.settings(), "19200,n,8,1");
    // Opened again and greeted again.
    EXPECT_EQ(h.port.sent(), std::vector<std::uint8_t>{0xFF});
}

TEST(OnlineSwitching, BusyPortOrSilentBoardEndsOfflineWithTheCommFaultMessage) {
    struct Case {
        const char* name;
        std::function<void(ShellHarness&)> fault;
        const char* title;
        MsgButtons buttons;
    };
    const Case cases[] = {
        {"port in use",
         [](ShellHarness& h) {
             h.port.openError = {16, "open", "The port is in use by another program."};
         },
         "Comm Port Error", MsgButtons::Ok},
        // The link's Retry/Cancel box, answered Cancel by the fake.
        {"silent board", [](ShellHarness& h) { h.port.silent = true; }, nullptr,
         MsgButtons::RetryCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShellHarness h;
        c.fault(h);
        h.window->mnuViewOnline->trigger();
        h.stopTimers();
        ASSERT_FALSE(h.messages.shown.empty());
        EXPECT_EQ(h.messages.shown.back().buttons, c.buttons);
        if (c.title) {
            EXPECT_EQ(h.messages.shown[0].title, c.title);
            EXPECT_NE(h.messages.shown[0].text.find("The port is in use by another program."),
                      std::string::npos);
        } else {
            EXPECT_TRUE(h.link().CommError);
        }
        EXPECT_FALSE(h.link().OnlineMode);
        EXPECT_EQ(h.window->panel(2)->text().toStdString(), "OFFLINE");
        EXPECT_TRUE(h.window->mnuViewOffline->isChecked());
        h.ticks(1);
        EXPECT_EQ(h.window->panel(1)->text().toStdString(),
                  "System Message:  Comm Fault with K-900");
    }
}

TEST(Menus, OfflineEditingTogglesItsMarkAndTheFlag) {
    ShellHarness h;
    h.window->mnuEditOfflineEditing->trigger();
    EXPECT_TRUE(h.window->mnuEditOfflineEditing->isChecked());
    EXPECT_TRUE(h.ctx().OfflineEditing);
    h.window->mnuEditOfflineEditing->trigger();
    EXPECT_FALSE(h.window->mnuEditOfflineEditing->isChecked());
    EXPECT_FALSE(h.ctx().OfflineEditing);
}

TEST(Menus, HelpTopicsOpensTheHelpFileOrSaysItIsMissing) {
    ShellHarness h;
    h.window->mnuHelpHelpTopics->trigger();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_NE(h.messages.shown[0].text.find("Help file not found"), std::string::npos);
    EXPECT_NE(h.messages.shown[0].text.find(h.window->helpFile()), std::string::npos);
    EXPECT_TRUE(h.launcher.opened.empty());

    h.launcher.existing.insert(h.window->helpFile());
    h.window->mnuHelpHelpTopics->trigger();
    EXPECT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.launcher.opened, std::vector<std::string>{h.window->helpFile()});
}

TEST(Menus, WindowMenuSwapsTheChildWindowAndItsCheckMark) {
    ShellHarness h;
    QPointer<ChildWindow> first = h.window->currentChild();
    // Choosing the window already shown keeps it and its mark.
    h.window->mnuWindowForm[0]->trigger();
    EXPECT_EQ(h.window->currentChild(), first.data());
    EXPECT_TRUE(h.window->mnuWindowForm[0]->isChecked());

    h.window->mnuWindowForm[1]->trigger();
    h.stopTimers();
    EXPECT_EQ(h.window->currentWindow(), 1);
    ASSERT_NE(h.window->currentChild(), nullptr);
    EXPECT_NE(h.window->currentChild(), first.data());
    EXPECT_EQ(dynamic_cast<frmMain*>(h.window->currentChild()), nullptr);
    EXPECT_FALSE(h.window->mnuWindowForm[0]->isChecked());
    EXPECT_TRUE(h.window->mnuWindowForm[1]->isChecked());
    // The main display was unloaded.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    h.window->mnuWindowForm[0]->trigger();
    h.stopTimers();
    EXPECT_EQ(h.window->currentWindow(), 0);
    EXPECT_NE(dynamic_cast<frmMain*>(h.window->currentChild()), nullptr);
    EXPECT_TRUE(h.window->mnuWindowForm[0]->isChecked());
    EXPECT_FALSE(h.window->mnuWindowForm[1]->isChecked());
}

TEST(Menus, UploadAndDownloadAskFirstAndSendNothingOnNo) {
    struct Row {
        const char* action;
        const char* title;
        const char* firstLine;
    };
    const Row rows[] = {
        {"mnuFileUpload", "Data Upload", "You are about to Upload Data from the PLC"},
        {"mnuFileDownload", "Data Download", "You are about to Download Data to the PLC"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        ShellHarness h;
        h.goOnline();
        h.port.clearTrace();
        h.messages.answers = {MsgResult::No};
        h.window->findChild<QAction*>(row.action)->trigger();
        ASSERT_EQ(h.messages.shown.size(), 1u);
        EXPECT_EQ(h.messages.shown[0].title, row.title);
        EXPECT_EQ(h.messages.shown[0].text.rfind(row.firstLine, 0), 0u);
        EXPECT_EQ(h.messages.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_TRUE(h.port.wire.empty());
    }
}
