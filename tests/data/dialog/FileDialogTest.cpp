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
        {"Setup Files(*.sdt)|*.sdt", {{"Setup Files(*.sdt)", "*.sdt"}}},
        {"Text (*.txt)|*.txt|All Files (*.*)|*.*|",
         {{"Text (*.txt)", "*.txt"}, {"All Files (*.*)", "*.*"}}},
        {"Lonely description", {}},
        {"No patterns||Setup|*.sdt|", {{"Setup", "*.sdt"}}},
    };
    for (const auto& [list, filters] : cases) EXPECT_EQ(ParseFilterList(list), filters) << list;
}

TEST(QtFileDialogs, OpenStartsInThePatternsFolderAndReturnsPathAndNameAndCancelGivesNothing) {
    QTemporaryDir dir;
    const QString file = dir.filePath("line3.sdt");
    std::ofstream(file.toStdString()) << "x";
    QtFileDialog dialogs;
    dialogs.setUseNativeDialog(false);
    FileDialogRequest request;
    request.filters = ParseFilterList("Setup Files(*.sdt)|*.sdt|Logs|*.txt;*.log|");
    request.initialName = (dir.path() + "/*.sdt").toStdString();
    request.fileMustExist = request.overwritePrompt = true;
    // Answers the next modal file dialog as an operator would, noting what
    // it offered: folder, filters, mode, whether it asks before replacing.
    std::tuple<QString, QStringList, QFileDialog::FileMode, bool> seen;
    auto whenDialogOpens = [&](bool accept) {
        QTimer::singleShot(0, [&, accept] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            seen = {d->directory().absolutePath(), d->nameFilters(), d->fileMode(),
                    !d->testOption(QFileDialog::DontConfirmOverwrite)};
            d->selectFile(file);
            accept ? static_cast<QDialog*>(d)->accept() : d->reject();
        });
    };
    whenDialogOpens(true);
    const FileDialogResult r = dialogs.openFile(request);
    // Each filter once, its patterns in brackets unless it already names them.
    EXPECT_EQ(std::get<0>(seen), QDir(dir.path()).absolutePath());
    EXPECT_EQ(std::get<1>(seen), (QStringList{"Setup Files(*.sdt)", "Logs (*.txt *.log)"}));
    EXPECT_EQ(std::get<2>(seen), QFileDialog::ExistingFile);
    EXPECT_TRUE(!r.cancelled && r.path == file.toStdString() && r.name == "line3.sdt");

    whenDialogOpens(false);
    const FileDialogResult none = dialogs.saveFile(request);
    EXPECT_TRUE(std::get<3>(seen)) << "saving asks before replacing a file";
    EXPECT_TRUE(none.cancelled && none.path.empty() && none.name.empty());
}
