#include "data/ui/ReportCommands.h"

#include <QCoreApplication>

#include "data/FileCommands.h"
#include "data/Report.h"
#include "data/Transfer.h"
#include "data/ui/TransferMenu.h"
#include "data/ui/frmWaitDisplay.h"
#include "platform/Logging.h"
#include "window/AppContext.h"

namespace voran {

ReportCommands::ReportCommands(AppContext& ctx, FileCommands& files, IFileDialog& dialogs,
                               IPrintSetup& printSetup, QWidget* parent)
    : ctx_(ctx),
      files_(files),
      parent_(parent),
      export_(ctx.tables, files, dialogs, ctx.messages),
      frameSetup_(printSetup) {
    export_.processEvents = [] { QCoreApplication::processEvents(); };
}

ReportCommands::~ReportCommands() = default;

void ReportCommands::setPrintSetup(IPrintSetup* setup) {
    setup_ = setup;
}

IPrintSetup& ReportCommands::printSetup() {
    return setup_ ? *setup_ : frameSetup_;
}

bool ReportCommands::uploadForReport() {
    if (!ctx_.link.OnlineMode) return true;
    // The upload stamps the data's date only once it has read everything.
    TransferReport upload;
    StartTransfer(ctx_, files_, parent_, kTransferUpload, &upload);
    // A report of half-uploaded figures would mix old and new values
    // under today's date; the transfer has already said what went wrong.
    if (!upload.complete()) {
        qCInfo(lcData) << "report not drawn: the upload did not complete";
        return false;
    }
    return true;
}

bool ReportCommands::mnuFilePrint_Click() {
    if (!uploadForReport()) return false;

    IPrinter* printer = printSetup().choosePrinter();
    QCoreApplication::processEvents();
    if (!printer) return false;

    frmWaitDisplay wait(parent_);
    const bool printed = wait.Form_Load([&] {
        Report report(*printer, ctx_.tables.CurrentData, files_.gFileNameCaption);
        return report.GenerateReport();
    });
    if (!printed)
        ctx_.messages.show(
            "The report could not be printed.\r\n\r\nCheck the printer or the "
            "file chosen in the print dialog.",
            "Print Report", MsgButtons::Ok, MsgIcon::Exclamation);
    return printed;
}

void ReportCommands::mnuFilePrintPreview_Click() {
    // The preview shows the pages Print Report would print: online, the
    // board's figures, uploaded the same way.
    if (!uploadForReport()) return;
    printSetup().preview([this](IPrinter& printer) {
        Report report(printer, ctx_.tables.CurrentData, files_.gFileNameCaption);
        report.GenerateReport();
    });
}

}  // namespace voran
