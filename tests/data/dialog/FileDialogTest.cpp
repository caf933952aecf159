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
    const std::pair<const char*, std::vector<FileFilter>> cases[] = {
        {"Setup Files(*.sdt)|*.sdt|", {{"Setup Files(*.sdt)", "*.sdt"}}},
        {"Setup Files(*.sdt)|*.sdt", {{"Setup Files(*.sdt)", "*.sdt"}}},
        {"Text (*.txt)|*.txt|All Files (*.*)|*.*|",
         {{"Text (*.txt)", "*.txt"}, {"All Files (*.*)", "*.*"}}},
        {"Program|*.tnx;*.hex|", {{"Program", "*.tnx;*.hex"}}},
        {"", {}},
        {"Lonely description", {}},
        {"No patterns||Setup|*.sdt|", {{"Setup", "*.sdt"}}},
    };
    for (const auto& [list, filters] : cases) EXPECT_EQ(ParseFilterList(list), filters) << list;
}

namespace {

// Answers the next modal file dialog as an operator would.
void whenDialogOpens(std::function<void(QFileDialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

}  // namespace

TEST(QtFileDialogs, OpenStartsInThePatternsFolderAndReturnsPathAndNameAndCancelGivesNothing) {
    QTemporaryDir dir;
    const QString file = dir.filePath("line3.sdt");
    std::ofstream(file.toStdString()) << "x";
    QtFileDialog dialogs;
    dialogs.setUseNativeDialog(false);
    FileDialogRequest request;
    request.filters = ParseFilterList("Setup Files(*.sdt)|*.sdt|Logs|*.txt;*.log|");
    request.initialName = (dir.path() + "/*.sdt").toStdString();
    request.fileMustExist = true;
    QString seenFolder;
    QStringList seenFilters;
    QFileDialog::FileMode seenMode = QFileDialog::AnyFile;
    whenDialogOpens([&](QFileDialog* d) {
        std::tie(seenFolder, seenFilters, seenMode) =
            std::tuple(d->directory().absolutePath(), d->nameFilters(), d->fileMode());
        d->selectFile(file);
        static_cast<QDialog*>(d)->accept();
    });
    const FileDialogResult r = dialogs.openFile(request);
    EXPECT_EQ(seenFolder, QDir(dir.path()).absolutePath());
    // Each filter once, its patterns in brackets unless it already names them.
    EXPECT_EQ(seenFilters, (QStringList{"Setup Files(*.sdt)", "Logs (*.txt *.log)"}));
    EXPECT_EQ(seenMode, QFileDialog::ExistingFile);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.path, file.toStdString());
    EXPECT_EQ(r.name, "line3.sdt");

    // A dialog the operator closes is a cancellation; saving asks before
    // replacing a file.
    bool overwriteAsked = false;
    whenDialogOpens([&](QFileDialog* d) {
        overwriteAsked = !d->testOption(QFileDialog::DontConfirmOverwrite);
        d->reject();
    });
    request.overwritePrompt = true;
    const FileDialogResult none = dialogs.saveFile(request);
    EXPECT_TRUE(overwriteAsked);
    EXPECT_TRUE(none.cancelled && none.path.empty() && none.name.empty());
}
