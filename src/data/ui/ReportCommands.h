#pragma once

#include <memory>

#include "data/ShiftExport.h"
#include "platform/Printer.h"

class QWidget;

namespace voran {

class AppContext;
class FileCommands;

// The File menu's report commands: Print Report, Print Preview and Export
// Shift Data, working on CurrentData and the frame's file state.
class ReportCommands {
public:
    // `printSetup` gives the print dialog and printers (the frame's).
    ReportCommands(AppContext& ctx, FileCommands& files, IFileDialog& dialogs,
                   IPrintSetup& printSetup, QWidget* parent);
    ~ReportCommands();

    // The print dialog and printers used instead; null goes back to the
    // frame's.
    void setPrintSetup(IPrintSetup* setup);

    // File > Print Report...: online, uploads everything first and prints
    // nothing unless that upload went through completely; then the print
    // dialog (cancel prints nothing), then the report under the wait window.
    // True when the report was printed; a printer that failed says so.
    bool mnuFilePrint_Click();
    // File > Print Preview...: the same upload first as Print Report (online
    // only; nothing is shown when it did not complete), then the report in
    // Qt's preview, from which it can also be printed.
    void mnuFilePrintPreview_Click();
    // File > Export Shift Data...
    bool mnuFileExport_Click() { return export_.mnuFileExport_Click(); }

    ShiftExport& exporter() { return export_; }

private:
    IPrintSetup& printSetup();
    // Online: the whole upload that comes before a report; true when it
    // completed (or the program is offline).
    bool uploadForReport();

    AppContext& ctx_;
    FileCommands& files_;
    QWidget* parent_;
    ShiftExport export_;
    IPrintSetup& frameSetup_;
    IPrintSetup* setup_ = nullptr;
};

}  // namespace voran
