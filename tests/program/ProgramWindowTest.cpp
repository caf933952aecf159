// File > Download Program, File > Upload Program... and the progress window,
// in the real frame window against the simulated board; and Help > About.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <fstream>

#include "ProgramFixture.h"
#include "ShellHarness.h"
#include "Version.h"
#include "platform/Launcher.h"
#include "program/ui/frmAbout.h"
#include "program/ui/frmDownloadProg.h"

namespace voran::testing {
namespace {

class ProgramMenu : public ::testing::Test {
protected:
    ShellHarness h;
    std::string path(const std::string& name) const {
        return h.folder.path().toStdString() + "/" + name;
    }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    // A K-900 set "line" with a small image.
    std::string writeSet() const {
        write("line.tnx", "DPROGRAM\r\n");
        write("line.rev", revisionText("ABC", 79, 10));
        write("line.hex", imageText(0x4000, Bytes{9, 8, 7}));
        return path("line.tnx");
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& b : h.messages.shown) t.push_back(b.title);
        return t;
    }
};

TEST_F(ProgramMenu, OfflineQuestionDecidesWhetherTheDialogOpens) {
    // Upload Program follows Download Program in the File menu.
    const QList<QAction*> actions = h.window->menu(0)->actions();
    const auto at = actions.indexOf(h.window->action(MenuCommand::FileDownloadProgram));
    ASSERT_GE(at, 0);
    EXPECT_EQ(actions.value(at + 1), h.window->action(MenuCommand::FileUploadProgram));

    h.messages.answers = {MsgResult::No};
    h.window->SelectProgramFile(ProgramCommands::FileUse::Download);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_FALSE(h.link().OnlineMode);

    h.messages.answers = {MsgResult::Yes};
    h.dialogs.cancel();
    h.window->SelectProgramFile(ProgramCommands::FileUse::Download);
    EXPECT_TRUE(h.link().OnlineMode);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    const FileDialogRequest& r = h.dialogs.shown[0].request;
    EXPECT_EQ(r.filters, (std::vector<FileFilter>{{"Tarnix Files(*.tnx)", "*.tnx"}}));
    EXPECT_TRUE(r.fileMustExist);
    EXPECT_TRUE(r.hideReadOnly);
    EXPECT_EQ(r.initialName, "");
    EXPECT_EQ(h.messages.shown.size(), 2u) << "cancelled: nothing more";
}

TEST_F(ProgramMenu, DownloadRunsInTheProgressWindowAfterBothQuestions) {
    const std::string tnx = writeSet();
    h.goOnline();
    h.clearTrace();
    h.dialogs.choose(tnx);
    h.messages.answers = {MsgResult::No};
    h.window->action(MenuCommand::FileDownloadProgram)->trigger();
    EXPECT_EQ(h.messages.shown.back(),
              box("You are about to download \"line.tnx\" to the K-900.\r\n\r\nDo you wish to "
                  "continue?",
                  "Program Download", MsgIcon::Question, MsgButtons::YesNo));
    EXPECT_TRUE(h.port.sent().empty()) << "No: nothing sent";
    EXPECT_EQ(h.window->programCommands().gProgramFilePath, tnx);

    h.messages.shown.clear();
    h.dialogs.choose(tnx);
    h.messages.answers = {MsgResult::Yes, MsgResult::Yes};
    h.window->action(MenuCommand::FileDownloadProgram)->trigger();
    h.stopTimers();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Program Download", "Program Download - [ABC]",
                                                  "Program Download"}));
    EXPECT_EQ(h.messages.shown.back().text, "Program Download Complete!");
    EXPECT_EQ(h.dialogs.shown.back().request.initialName, tnx) << "the last path is proposed";
    EXPECT_EQ((Bytes{h.board.memory()[0x4000], h.board.memory()[0x4002]}), (Bytes{9, 7}));
    EXPECT_TRUE(h.link().OnlineMode);
}

TEST_F(ProgramMenu, TargetBoardSelectionHandsThePathOn) {
    std::vector<std::string> handed;
    h.window->programCommands().InitializeTargetBoard = [&](const std::string& p) {
        handed.push_back(p);
    };
    const std::string tnx = writeSet();
    h.dialogs.choose(tnx);
    h.window->SelectProgramFile(ProgramCommands::FileUse::ForTargetBoard);
    h.dialogs.cancel();
    h.window->SelectProgramFile(ProgramCommands::FileUse::ForTargetBoard);
    EXPECT_EQ(handed, (std::vector<std::string>{tnx, tnx}));
    EXPECT_TRUE(h.messages.shown.empty()) << "mode 1 neither asks to go online nor to download";
    EXPECT_FALSE(h.link().OnlineMode);
}

TEST_F(ProgramMenu, UploadAsksBeforeReplacingAnImageThenReadsTheBoard) {
    write("line.tnx", "7PROGRAM\r\n");
    write("line.hex", "OLD");
    h.goOnline();
    h.clearTrace();
    h.dialogs.choose(path("line.tnx"));
    h.messages.answers = {MsgResult::No};
    h.window->action(MenuCommand::FileUploadProgram)->trigger();
    EXPECT_EQ(h.messages.shown.back(),
              box(path("line.hex") +
                      " already exists.\r\n\r\nDo you wish to replace it with the program in "
                      "the target board?",
                  "Program Upload", MsgIcon::Question, MsgButtons::YesNo));
    EXPECT_TRUE(h.port.sent().empty());

    h.dialogs.choose(path("line.tnx"));
    h.messages.answers = {MsgResult::Yes};
    h.window->action(MenuCommand::FileUploadProgram)->trigger();
    h.stopTimers();
    EXPECT_EQ(h.messages.shown.back().text, "Program Upload Complete!");
    std::ifstream in(path("line.hex"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), ":00000001FF\r\n");
    EXPECT_FALSE(h.ctx().program.progress.InUploadMode);
}

TEST_F(ProgramMenu, ProgressLabelFollowsTheTransfer) {
    frmDownloadProg window(h.link(), h.ctx().program);
    ProgramProgress& p = h.ctx().program.progress;
    EXPECT_EQ(window.lblWaitDisplay()->text(), "Sending Program at Address: ");
    EXPECT_EQ(window.Timer1()->interval(), 250);
    struct Row {
        int mode;
        bool program, upload, writing, reading;
        const char* label;
    };
    const Row rows[] = {
        {0, false, false, false, false, "Sending Program at Address: "},
        {0, true, false, false, false, "Writing to Program Address: 4A30H"},
        {0, true, false, true, false, "Writing Program Ident ... "},
        {1, false, false, false, false, "Reading Program at Address: "},
        {1, false, true, false, true, "Reading Program Ident ... "},
        {1, false, true, false, false, "Reading From Program Address: 4A30H"},
    };
    for (const Row& r : rows) {
        window.SetTransferMode(r.mode == 0 ? ProgramTransfer::Download : ProgramTransfer::Upload);
        p = {r.program, r.upload, r.writing, r.reading, "4A30H"};
        window.Timer1_Timer();
        EXPECT_EQ(window.lblWaitDisplay()->text().toStdString(), r.label);
    }
    p = {};
}

// Help > About VORAN: the version of this build and the system-information
// button.
// Starts only the programs it was told are installed; records every try.
struct ProgramsLauncher : ILauncher {
    bool fileExists(const std::string&) const override { return false; }
    bool openDocument(const std::string&) override { return false; }
    bool startProgram(const std::string& program, const std::vector<std::string>& args) override {
        tried.push_back(program);
        EXPECT_TRUE(args.empty());
        return installed.count(program) > 0;
    }
    std::set<std::string> installed;
    std::vector<std::string> tried;
};

class About : public ::testing::Test {
protected:
    ProgramsLauncher launcher;
    FakeMessageBox messages;
    frmAbout window{launcher, messages};
};

TEST_F(About, ShowsTheVersionOfThisBuildAndOkClosesIt) {
    const std::string expected = "Version " + std::to_string(VORAN_VERSION_MAJOR) + "." +
                                 std::to_string(VORAN_VERSION_MINOR) + "." +
                                 std::to_string(VORAN_VERSION_PATCH);
    EXPECT_EQ(window.lblVersion()->text().toStdString(), expected);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("About VORAN"));
    EXPECT_EQ(window.lblTitle()->text(), QStringLiteral("QTR-VORAN Set-up Utility"));
    EXPECT_FALSE(window.picIcon()->pixmap().isNull());
    EXPECT_FALSE(window.lblDescription()->text().isEmpty());
    EXPECT_FALSE(window.lblTechSupport()->text().isEmpty());
    window.show();
    window.cmdOK()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(About, SystemInfoStartsTheFirstViewerThereOrIsUnavailable) {
    const auto& programs = frmAbout::SystemInfoPrograms();
    ASSERT_FALSE(programs.empty());
    launcher.installed = {programs.back()};
    window.cmdSysInfo()->click();
    EXPECT_EQ(launcher.tried, programs);
    EXPECT_TRUE(messages.shown.empty());

    launcher.installed.clear();
    launcher.tried.clear();
    window.cmdSysInfo()->click();
    EXPECT_EQ(launcher.tried, programs);
    EXPECT_EQ(messages.shown, (std::vector<FakeMessageBox::Shown>{
                                  {"System Information Is Unavailable At This Time",
                                   "QTR-VORAN Set-up Utility", MsgButtons::Ok, MsgIcon::None}}));
}

}  // namespace
}  // namespace voran::testing
