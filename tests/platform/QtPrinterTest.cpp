// The Qt face of the printer: inches, the serif behind "Times", pages only
// when something is drawn on them, PDF output through the print dialog, and
// the preview. The Qt file dialogs and the filter lists they are given.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

#include "platform/FileDialog.h"
#include "platform/qt/QtFileDialog.h"
#include "platform/qt/QtPrinter.h"

namespace voran::testing {
namespace {

// Pages of a PDF file, counted from its page objects.
int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return static_cast<int>(
        QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

void letterPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
}

// Two pages drawn, then a page break that nothing follows.
void twoPages(IPrinter& p) {
    p.setFont({"Times", 12});
    p.print("first", true);
    p.newPage();
    p.print("second", true);
    p.newPage();
}

// Runs `act` on the first top-level widget of type T once it is shown.
template <typename T>
void whenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<T*>(w); d && d->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(d);
                return;
            }
    });
    timer->start(10);
}

TEST(QtPrinter, TimesIsLiberationSerifInInchesAndOnlyPagesWithInkArePrinted) {
    EXPECT_EQ(QFontInfo(QFont(PrintFamily("Times"))).family(), "Liberation Serif")
        << "fonts-liberation missing?";
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    letterPdf(printer, dir.filePath("two.pdf"));
    QtPrinter face(printer);
    EXPECT_EQ(std::pair(face.pageWidth(), face.pageHeight()), std::pair(8.0, 10.5));
    // Times advance widths (em/1000): S 556, t 278, a 444, i 278, o 500,
    // n 500, space 250, # 500, 0 500, 1 500, : 278; 4.862 em in all.
    for (const double points : {12.0, 24.0}) {
        face.setFont({"Times", points});
        EXPECT_NEAR(face.textWidth("Station #01:"), 4.862 * points / 72, 0.0003 * points);
        EXPECT_NEAR(face.textHeight("I"), 1.149 * points / 72, 0.0003 * points);
    }
    face.setPosition(1.0, 2.0);
    face.print("Station #01:", false);
    EXPECT_NEAR(face.currentX(), 1.0 + face.textWidth("Station #01:"), 1e-9);
    face.print("20", true);
    EXPECT_EQ(face.currentX(), 0.0);
    EXPECT_NEAR(face.currentY(), 2.0 + face.textHeight("I"), 1e-9);
    face.newPage();
    EXPECT_EQ(std::tuple(face.page(), face.currentX(), face.currentY()), std::tuple(2, 0.0, 0.0));
    twoPages(face);
    EXPECT_TRUE(face.endDocument());
    EXPECT_EQ(pdfPages(dir.filePath("two.pdf")), 3) << "the break after the last text left no page";

    QPrinter nowhere(QPrinter::HighResolution);
    letterPdf(nowhere, dir.filePath("gone/x.pdf"));
    QtPrinter failing(nowhere);
    twoPages(failing);
    EXPECT_FALSE(failing.endDocument());
}

TEST(QtPrintSetup, DialogPrintsToAPdfFileOrCancels) {
    QTemporaryDir dir;
    QtPrintSetup setup;
    letterPdf(setup.printer(), dir.filePath("chosen.pdf"));

    whenShown<QPrintDialog>([](QPrintDialog* d) { d->reject(); });
    EXPECT_EQ(setup.choosePrinter(), nullptr);

    whenShown<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
    IPrinter* printer = setup.choosePrinter();
    ASSERT_NE(printer, nullptr);
    twoPages(*printer);
    EXPECT_TRUE(printer->endDocument());
    EXPECT_EQ(pdfPages(dir.filePath("chosen.pdf")), 2);
}

TEST(QtPrintSetup, PreviewShowsThePagesDrawn) {
    QtPrintSetup setup;
    int shown = -1;
    whenShown<QPrintPreviewDialog>([&shown](QPrintPreviewDialog* d) {
        if (auto* w = d->findChild<QPrintPreviewWidget*>()) shown = w->pageCount();
        d->reject();
    });
    int draws = 0;
    setup.preview([&draws](IPrinter& p) {
        ++draws;
        twoPages(p);
    });
    EXPECT_GE(draws, 1);
    EXPECT_EQ(shown, 2);
}

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

}  // namespace
}  // namespace voran::testing
