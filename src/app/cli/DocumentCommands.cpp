// report and export: the printed report of a set-up file as a PDF, and its
// shift data as a text or CSV file, without a board and without a display.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "CliCommands.h"
#include "data/Report.h"
#include "data/SetupFile.h"
#include "data/ShiftExport.h"
#include "data/TransferFile.h"
#include "platform/FileReplace.h"
#include "platform/qt/QtPrinter.h"

namespace voran::cli {

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Reads a set-up file as File > Open takes it: the item table padded or cut
// to 78 entries. A file with fewer values than addresses is refused: its
// missing values would be printed as zeros.
bool ReadRecord(Context& ctx, const std::string& path, SetupData& data) {
    if (const SetupFileResult read = ReadSetupFile(path, data); !read) {
        ctx.err << "voran-cli: " << path << ": " << read.error << "\n";
        return false;
    }
    if (data.Value.size() < data.Address.size()) {
        ctx.err << "voran-cli: " << ItemCountRefusal(path, data) << "; nothing was written\n";
        return false;
    }
    data.Address.resize(ItemCount);
    data.Value.resize(ItemCount, 0);
    return true;
}

std::string BareName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// Text drawing needs a GUI application; the offscreen platform gives one
// without a display.
std::unique_ptr<QGuiApplication> GuiWithoutDisplay() {
    if (QCoreApplication::instance()) return nullptr;
    static int argc = 3;
    static char name[] = "voran-cli", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// Writes `bytes` to standard output, checked.
bool WriteStdout(Context& ctx, std::string_view bytes) {
    ctx.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ctx.out.flush();
    if (ctx.out) return true;
    ctx.err << "voran-cli: writing to standard output failed\n";
    return false;
}

int report(Context& ctx, const std::vector<std::string>& args) {
    if (args.size() != 2 || !EndsWith(args[0], ".sdt") ||
        !(EndsWith(args[1], ".pdf") || IsStdout(args[1]))) {
        ctx.err << "voran-cli: usage: report FILE.sdt OUT.pdf|-\n";
        return kUsage;
    }
    SetupData data;
    if (!ReadRecord(ctx, args[0], data)) return kFailed;
    const std::unique_ptr<QGuiApplication> app = GuiWithoutDisplay();

    // Drawn into a scratch file first, so that a report that fails half-way
    // never replaces an earlier PDF.
    QTemporaryDir scratch;
    const QString drawn = scratch.filePath("report.pdf");
    bool ok = scratch.isValid();
    if (ok) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(drawn);
        // About the part of a sheet a printer can reach.
        printer.setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
        printer.setDocName(QString::fromStdString(BareName(args[0])));
        QtPrinter face(printer);
        Report document(face, data, "[" + BareName(args[0]) + "]");
        ok = document.GenerateReport();
    }
    QFile file(drawn);
    if (!ok || !file.open(QIODevice::ReadOnly)) {
        ctx.err << "voran-cli: the report could not be drawn\n";
        return kFailed;
    }
    const QByteArray bytes = file.readAll();
    if (IsStdout(args[1]))
        return WriteStdout(ctx, std::string_view(bytes.constData(), bytes.size())) ? kOk : kFailed;
    if (const FileWriteResult written =
            ReplaceFileContents(args[1], std::string_view(bytes.constData(), bytes.size()));
        !written) {
        ctx.err << "voran-cli: " << written.error << "\n";
        return kFailed;
    }
    ctx.done("report of " + args[0] + " written to " + args[1]);
    return kOk;
}

int exportShiftData(Context& ctx, const std::vector<std::string>& options) {
    bool csv = false;
    const std::vector<std::string> args = TakeFlags(options, {{"--csv", &csv}});
    const bool toStdout = args.size() == 2 && IsStdout(args[1]);
    if (args.size() != 2 || !EndsWith(args[0], ".sdt") ||
        !(EndsWith(args[1], ".txt") || IsCsvPath(args[1]) || toStdout) || (csv && !toStdout)) {
        ctx.err << "voran-cli: usage: export FILE.sdt OUT.txt|OUT.csv|-  (--csv with -)\n";
        return kUsage;
    }
    SetupData data;
    if (!ReadRecord(ctx, args[0], data)) return kFailed;
    const std::string title = BareName(args[0]);
    const std::string date = GeneralDate(FromOleDate(data.Stamp));
    if (toStdout)
        return WriteStdout(ctx, csv ? ShiftExportCsv(data, title, date)
                                    : ShiftExportText(data, title, date))
                   ? kOk
                   : kFailed;
    const FileWriteResult written = WriteShiftExport(args[1], data, title, date);
    if (!written) {
        ctx.err << "voran-cli: " << written.error << "\n";
        return kFailed;
    }
    ctx.done("shift data of " + args[0] + " written to " + args[1]);
    return kOk;
}

Register reportCommand{{"report", "report FILE.sdt OUT.pdf|-",
                        "print the report of a set-up file to a PDF (no board, no display)",
                        &report, "  -              write the PDF to standard output\n"}};
Register exportCommand{{"export", "export [--csv] FILE.sdt OUT.txt|OUT.csv|-",
                        "write the shift data of a set-up file as text or CSV", &exportShiftData,
                        "  OUT.csv        CSV rows (item, caption, value); any other name: the\n"
                        "                 52-line text file with CR LF line ends\n"
                        "  -              write to standard output (text, or CSV with --csv)\n"
                        "  --csv          CSV on standard output\n"}};

}  // namespace

}  // namespace voran::cli
