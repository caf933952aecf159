// What the frame tells the operator about the data and the windows: the
// title with the file, the modified mark and the open window's caption; the
// names the save dialogs complete; the About window beside the frame.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <QPushButton>

#include "ShellHarness.h"
#include "data/ui/ReportCommands.h"
#include "data/ui/frmCompare.h"
#include "data/ui/frmProcessing.h"
#include "data/ui/frmWaitDisplay.h"
#include "link/ui/frmSetupComm.h"
#include "program/ui/frmAbout.h"
#include "program/ui/frmDownloadProg.h"
#include "program/ui/frmTargetBoard.h"
#include "shell/WindowTable.h"
#include "window/ChildWindow.h"

namespace voran::testing {
namespace {

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

TEST(About, OpensBesideTheFrameNotModalAndOnlyOnce) {
    ShellHarness h;
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

}  // namespace
}  // namespace voran::testing
