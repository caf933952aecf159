// What the desktop program remembers between runs (in a temporary
// configuration folder), the recent-files menu, a file given at start, the
// program's icon and its manual.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include "FakeClipboard.h"
#include "FakeFileDialog.h"
#include "FakeMessageBox.h"
#include "ShellHarness.h"
#include "shell/DesktopSettings.h"
#include "shell/frmHelp.h"

namespace voran::testing {
namespace {

// One run of the program: the frame over fakes, remembering through a
// settings file in `config` (the user's configuration folder of the test).
struct ProgramRun {
    ProgramRun(const QString& config, const QString& programFolder)
        : settings(config + "/VORAN/voran.conf"), dialogs(fake, settings) {
        window = std::make_unique<frmMDIMain>(
            ShellServices{messages, clock, port, dialogs, clipboard, launcher,
                          programFolder.toStdString(), &settings});
        for (QTimer* t : window->findChildren<QTimer*>()) t->stop();
    }
    std::string title() const { return window->windowTitle().toStdString(); }
    QStringList recentTexts() const {
        QStringList texts;
        for (int i = 0; i < window->recentFileSlots(); ++i)
            if (window->mnuFileRecent(i)->isVisible()) texts << window->mnuFileRecent(i)->text();
        return texts;
    }
    // Saves the working data under `path` through File > Save As.
    void saveAs(const std::string& path) {
        fake.choose(path);
        window->action(MenuCommand::FileSaveAs)->trigger();
    }

    ManualClock clock;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    FakeMessageBox messages;
    FakeFileDialog fake;
    FakeClipboard clipboard;
    FakeLauncher launcher;
    DesktopSettings settings;
    RememberingFileDialog dialogs;
    std::unique_ptr<frmMDIMain> window;
};

struct DesktopHabits : ::testing::Test {
    QTemporaryDir config, program, files;
    std::string file(const QString& name) const { return files.filePath(name).toStdString(); }
};

TEST_F(DesktopHabits, GeometryRecentFilesAndDialogFoldersComeBackInTheNextRun) {
    {
        ProgramRun first(config.path(), program.path());
        first.saveAs(file("one.sdt"));
        first.saveAs(file("two.sdt"));
        first.window->resize(640, 480);
        first.window->close();
        EXPECT_EQ(first.title(), "VORAN - [two.sdt][*] - Main Display");
    }
    ASSERT_TRUE(QFile::exists(config.filePath("VORAN/voran.conf")));
    // Nothing of it in the program folder, which several users may share.
    EXPECT_TRUE(QDir(program.path()).entryList(QDir::Files).isEmpty());

    ProgramRun second(config.path(), program.path());
    EXPECT_EQ(second.window->size(), QSize(640, 480));
    const QString folder = QDir::toNativeSeparators(files.path());
    const QString shown =
        folder.startsWith(QDir::homePath()) ? "~" + folder.mid(QDir::homePath().size()) : folder;
    EXPECT_EQ(second.recentTexts(),
              QStringList({"&1 two.sdt  (" + shown + ")", "&2 one.sdt  (" + shown + ")"}));
    // File > Open starts where the last set-up file was chosen, not in the
    // program folder.
    second.window->action(MenuCommand::FileOpen)->trigger();
    ASSERT_EQ(second.fake.shown.size(), 1u);
    EXPECT_EQ(second.fake.shown[0].request.initialName, file("*.sdt"));
}

TEST_F(DesktopHabits, TheRecentListKeepsSixNumberedFilesAndDropsOneThatIsGone) {
    ProgramRun run(config.path(), program.path());
    for (int i = 1; i <= 7; ++i) run.saveAs(file(QString("line%1.sdt").arg(i)));
    const QStringList texts = run.recentTexts();
    ASSERT_EQ(texts.size(), DesktopSettings::kRecentCount);
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_TRUE(texts[i].startsWith(QString("&%1 line%2.sdt").arg(i + 1).arg(7 - i)))
            << texts[i].toStdString();

    run.window->action(MenuCommand::FileNew)->trigger();
    run.window->mnuFileRecent(2)->trigger();
    EXPECT_EQ(run.title(), "VORAN - [line5.sdt][*] - Main Display");
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_TRUE(run.recentTexts()[0].startsWith("&1 line5.sdt"));

    ASSERT_TRUE(QFile::remove(QString::fromStdString(file("line6.sdt"))));
    run.window->mnuFileRecent(2)->trigger();
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].title, "Open Set-up File");
    EXPECT_EQ(run.title(), "VORAN - [line5.sdt][*] - Main Display");
    EXPECT_EQ(run.recentTexts().size(), DesktopSettings::kRecentCount - 1);
    EXPECT_FALSE(run.recentTexts().join(' ').contains("line6.sdt"));
}

TEST_F(DesktopHabits, AFileGivenAtStartOpensOrGivesTheMessageOfFileOpen) {
    {
        ProgramRun writer(config.path(), program.path());
        writer.saveAs(file("line3.sdt"));
    }
    QFile junk(files.filePath("junk.sdt"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a set-up file");
    junk.close();

    ProgramRun run(config.path(), program.path());
    EXPECT_TRUE(run.window->openAtStart(file("line3.sdt")));
    EXPECT_EQ(run.title(), "VORAN - [line3.sdt][*] - Main Display");

    // The same box, word for word, as File > Open gives for that file.
    EXPECT_FALSE(run.window->openAtStart(file("junk.sdt")));
    run.fake.choose(file("junk.sdt"));
    run.window->action(MenuCommand::FileOpen)->trigger();
    ASSERT_EQ(run.messages.shown.size(), 2u);
    EXPECT_EQ(run.messages.shown[0], run.messages.shown[1]);
    EXPECT_NE(run.messages.shown[0].text.find("cannot be opened as a set-up file"),
              std::string::npos);
    EXPECT_EQ(run.title(), "VORAN - [line3.sdt][*] - Main Display");
}

TEST_F(DesktopHabits, WindowsShowTheProgramsIconAndHelpShowsTheManual) {
    ProgramRun run(config.path(), program.path());
    for (const QIcon& icon : {run.window->windowIcon(), QApplication::windowIcon()}) {
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes().size(), 7);
        EXPECT_FALSE(icon.pixmap(48).isNull());
    }

    run.window->action(MenuCommand::HelpHelpTopics)->trigger();
    frmHelp* help = run.window->helpWindow();
    ASSERT_NE(help, nullptr);
    const QStringList topics = help->contents();
    for (const char* topic :
         {"Starting and going online", "Main Display", "What the marks mean", "Transfers",
          "Compare with the controller", "Program download", "Messages and what to do"})
        EXPECT_TRUE(topics.contains(topic)) << topic;
    EXPECT_TRUE(help->find("888"));
    EXPECT_EQ(help->txtManual()->textCursor().selectedText(), "888");
    EXPECT_FALSE(help->find("no such words in the manual"));
}

TEST(RememberingFileDialog, StartsInTheRememberedFolderOnlyWithoutAFileOfItsOwn) {
    QTemporaryDir folder;
    const std::string f = folder.path().toStdString();
    const std::pair<std::string, std::string> cases[] = {{"", f},
                                                         {"/opt/voran/*.sdt", f + "/*.sdt"},
                                                         {"shift.txt", f + "/shift.txt"},
                                                         {"/data/line3.sdt", "/data/line3.sdt"}};
    for (const auto& [initial, expected] : cases) {
        FileDialogRequest r;
        r.initialName = initial;
        EXPECT_EQ(RememberingFileDialog::StartIn(r, folder.path()).initialName, expected)
            << initial;
        EXPECT_EQ(RememberingFileDialog::StartIn(r, "/no/such/folder").initialName, initial);
    }
}

}  // namespace
}  // namespace voran::testing
