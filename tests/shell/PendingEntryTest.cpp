// A value typed into a set-up box that has not left the box when the
// operator gives a command that reads or replaces the working data: it is
// stored first, as leaving the box would, or refused with the range message
// and the command stopped.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/SetupFile.h"
#include "timing/ui/frmSetup.h"
#include "widgets/NumericEntry.h"

using namespace voran;
using namespace voran::testing;

namespace {

using Boxes = std::vector<FakeMessageBox::Shown>;
constexpr int kBox = 5;  // shifts to Station 6, 0 to 319

const FakeMessageBox::Shown kSaveQuestion{"Save Changes to File?", "VORAN", MsgButtons::YesNoCancel,
                                          MsgIcon::Exclamation};
// Closing names the file the changes would go to.
const FakeMessageBox::Shown kExitQuestion{"Save Changes to File?\r\n\r\n[line3.sdt]", "VORAN",
                                          MsgButtons::YesNoCancel, MsgIcon::Exclamation};
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

}  // namespace

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
        {"File > New", menu(MenuCommand::FileNew), MsgResult::Cancel, kSaveQuestion, any, any},
        {"File > Open", menu(MenuCommand::FileOpen), MsgResult::Cancel, kSaveQuestion, noDialog,
         noDialog},
        {"File > Exit", menu(MenuCommand::FileExit), MsgResult::Cancel, kExitQuestion, shown,
         shown},
        {"closing the frame", [](Frame& f) { f.window->close(); }, MsgResult::Cancel, kExitQuestion,
         shown, shown},
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
