// What the desktop program remembers between runs (in a temporary configuration
// folder), the recent-files menu, a file given at start, the program's icon and
// its manual. Values, ON/off states and alarms stay readable on a dark palette:
// their colours come from the palette, and no window names a fixed colour.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include "FakeClipboard.h"
#include "FakeFileDialog.h"
#include "FakeMessageBox.h"
#include "ShellHarness.h"
#include "data/ui/frmMain.h"
#include "shell/DesktopSettings.h"
#include "shell/frmHelp.h"
#include "widgets/Colours.h"

namespace voran::testing {
namespace {

// One run of the program: the harness's frame made again, remembering
// through a settings file in `config` (the user's configuration folder of
// the test).
struct ProgramRun : ShellHarness {
    ProgramRun(const QString& config, const QString& programFolder)
        : settings(config + "/VORAN/voran.conf"), remembering(dialogs, settings) {
        window = std::make_unique<frmMDIMain>(
            ShellServices{messages, clock, port, remembering, clipboard, launcher,
                          programFolder.toStdString(), &settings});
        stopTimers();
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
        dialogs.choose(path);
        window->action(MenuCommand::FileSaveAs)->trigger();
    }

    DesktopSettings settings;
    RememberingFileDialog remembering;
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
    ASSERT_EQ(second.dialogs.shown.size(), 1u);
    EXPECT_EQ(second.dialogs.shown[0].request.initialName, file("*.sdt"));
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
    run.dialogs.choose(file("junk.sdt"));
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

QPalette DarkPalette() {
    QPalette p;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x2b, 0x2b, 0x2b)},    {QPalette::WindowText, QColor(0xe0e0e0)},
        {QPalette::Base, QColor(0x1e, 0x1e, 0x1e)},      {QPalette::Text, QColor(0xe0e0e0)},
        {QPalette::Button, QColor(0x35, 0x35, 0x35)},    {QPalette::ButtonText, QColor(0xe0e0e0)},
        {QPalette::Highlight, QColor(0x2a, 0x82, 0xda)}, {QPalette::HighlightedText, Qt::white}};
    for (const auto& [role, colour] : roles) p.setColor(role, colour);
    return p;
}

TEST(Palette, ValueAndStateColoursStandOutOnLightAndDarkPalettes) {
    const QPalette light = QApplication::style()->standardPalette();
    // On the light palette the design colours stay as they were.
    EXPECT_EQ(ValueColour(light), QColor(0, 0, 255));
    EXPECT_EQ(OffColour(light), QColor(192, 0, 0));
    for (const QPalette& palette : {light, DarkPalette()}) {
        for (const QPalette::ColorRole background : {QPalette::Window, QPalette::Base}) {
            const QColor behind = palette.color(background);
            for (const QColor& c :
                 {ValueColour(palette, background), OffColour(palette, background)})
                EXPECT_GE(ContrastRatio(c, behind), 4.5)
                    << c.name().toStdString() << " on " << behind.name().toStdString();
        }
    }
    // Blue stays blue and red stays red, only lighter.
    EXPECT_GT(ValueColour(DarkPalette()).blue(), ValueColour(DarkPalette()).red());
    EXPECT_GT(OffColour(DarkPalette()).red(), OffColour(DarkPalette()).blue());
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
}

// The main display online on a dark desktop: every value of the grid stands
// out from the grid's background. VORAN_SCREENSHOT_DIR, when set, receives a
// picture of the frame for a look by eye.
TEST(Palette, MainDisplayValuesAreReadableOnADarkDesktop) {
    const QPalette before = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    {
        ShellHarness h;
        h.window->show();
        h.goOnline();
        auto* main = qobject_cast<frmMain*>(h.window->currentChild());
        ASSERT_NE(main, nullptr);
        main->monitor().runPass();
        const QColor base = main->fgData()->palette().color(QPalette::Base);
        int values = 0;
        for (int row = 1; row < main->fgData()->rowCount(); ++row)
            for (int col = 1; col < main->fgData()->columnCount(); ++col, ++values)
                EXPECT_GE(ContrastRatio(main->fgData()->item(row, col)->foreground().color(), base),
                          4.5)
                    << row << "," << col;
        EXPECT_GE(values, 39);
        if (const char* dir = std::getenv("VORAN_SCREENSHOT_DIR"))
            h.window->grab().save(QString(dir) + "/dark-main.png");
    }
    QApplication::setPalette(before);
}

// Fixed colours belong in widgets/Colours.cpp (and the printed report, on
// paper); a window that names one is found here.
TEST(Palette, NoWindowNamesAFixedColour) {
    const QRegularExpression fixed(
        R"(QColor\(\s*\d|QColor\(\s*0x|Qt::(red|green|blue|yellow|black|white|gray|darkRed|darkGreen|darkBlue)\b|"#[0-9A-Fa-f]{6}"|color:\s*#)");
    int files = 0;
    for (const char* folder :
         {"data/ui", "link/ui", "program/ui", "shell", "timing/ui", "window", "widgets"}) {
        QDirIterator it(QString(VORAN_SOURCE_DIR "/src/") + folder, {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith("widgets/Colours.cpp") || path.endsWith("/ProgramIcon.cpp")) continue;
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
            const QString text = QString::fromUtf8(f.readAll());
            ++files;
            const auto match = fixed.match(text);
            EXPECT_FALSE(match.hasMatch())
                << path.toStdString() << ": " << match.captured().toStdString();
        }
    }
    EXPECT_GT(files, 20);
}

}  // namespace
}  // namespace voran::testing
