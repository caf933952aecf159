#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>

#include "platform/FileDialog.h"
#include "platform/qt/QtFileDialog.h"

using namespace voran;

TEST(FileFilters, BarSeparatedListsSplitIntoDescriptionAndPatterns) {
    const struct {
        const char* list;
        std::vector<FileFilter> filters;
    } cases[] = {
        {"Setup Files(*.sdt)|*.sdt|", {{"Setup Files(*.sdt)", "*.sdt"}}},
        {"Setup Files(*.sdt)|*.sdt", {{"Setup Files(*.sdt)", "*.sdt"}}},
        {"Text (*.txt)|*.txt|All Files (*.*)|*.*|",
         {{"Text (*.txt)", "*.txt"}, {"All Files (*.*)", "*.*"}}},
        {"Program|*.tnx;*.hex|", {{"Program", "*.tnx;*.hex"}}},
        {"", {}},
        {"Lonely description", {}},
        {"No patterns||Setup|*.sdt|", {{"Setup", "*.sdt"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseFilterList(c.list), c.filters) << c.list;
}

TEST(FileFilters, QtDialogShowsEachFilterWithItsPatternsOnce) {
    const QStringList shown = QtFileDialog::NameFilters({{"Setup Files(*.sdt)", "*.sdt"},
                                                         {"Text Files", "*.txt;*.log"},
                                                         {"All Files (*.*)", "*.*"}});
    EXPECT_EQ(shown,
              (QStringList{"Setup Files(*.sdt)", "Text Files (*.txt *.log)", "All Files (*.*)"}));
}

namespace {

// Answers the next modal file dialog as an operator would.
void whenDialogOpens(std::function<void(QFileDialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
        }
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

}  // namespace

TEST(QtFileDialogs, OpenStartsInTheFolderOfThePatternAndReturnsPathAndName) {
    QTemporaryDir dir;
    const QString file = dir.filePath("line3.sdt");
    std::ofstream(file.toStdString()) << "x";
    QtFileDialog dialogs;
    dialogs.setUseNativeDialog(false);

    FileDialogRequest request;
    request.filters = ParseFilterList("Setup Files(*.sdt)|*.sdt|");
    request.initialName = (dir.path() + "/*.sdt").toStdString();
    request.fileMustExist = true;
    QString seenFolder;
    QStringList seenFilters;
    QFileDialog::FileMode seenMode = QFileDialog::AnyFile;
    whenDialogOpens([&](QFileDialog* d) {
        seenFolder = d->directory().absolutePath();
        seenFilters = d->nameFilters();
        seenMode = d->fileMode();
        d->selectFile(file);
        static_cast<QDialog*>(d)->accept();
    });
    const FileDialogResult r = dialogs.openFile(request);
    EXPECT_EQ(seenFolder, QDir(dir.path()).absolutePath());
    EXPECT_EQ(seenFilters, QStringList{"Setup Files(*.sdt)"});
    EXPECT_EQ(seenMode, QFileDialog::ExistingFile);
    ASSERT_FALSE(r.cancelled);
    EXPECT_EQ(r.path, file.toStdString());
    EXPECT_EQ(r.name, "line3.sdt");
}

TEST(QtFileDialogs, RejectedDialogIsACancellation) {
    QtFileDialog dialogs;
    dialogs.setUseNativeDialog(false);
    bool overwriteAsked = false;
    whenDialogOpens([&](QFileDialog* d) {
        overwriteAsked = !d->testOption(QFileDialog::DontConfirmOverwrite);
        d->reject();
    });
    FileDialogRequest request;
    request.overwritePrompt = true;
    const FileDialogResult r = dialogs.saveFile(request);
    EXPECT_TRUE(overwriteAsked);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.path, "");
    EXPECT_EQ(r.name, "");
}
