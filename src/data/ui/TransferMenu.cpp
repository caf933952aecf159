#include "data/ui/TransferMenu.h"

#include "data/Comparison.h"
#include "data/FileCommands.h"
#include "data/Transfer.h"
#include "data/ui/frmCompare.h"
#include "data/ui/frmProcessing.h"
#include "window/AppContext.h"

namespace voran {

void mnuFileUpload_Click(AppContext& ctx, FileCommands& files, QWidget* parent) {
    // The transfer reads or replaces the working data: a typed value first.
    if (!files.commitEntry()) return;
    if (ctx.messages.show(
            "You are about to Upload Data from the PLC\r\n\r\nDo You Wish to Continue?",
            "Data Upload", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    StartTransfer(ctx, files, parent, kTransferUpload);
}

void mnuFileDownload_Click(AppContext& ctx, FileCommands& files, IFileDialog& dialogs,
                           QWidget* parent) {
    // The transfer reads or replaces the working data: a typed value first.
    if (!files.commitEntry()) return;
    // Online, the question offers to show first what the download would
    // change; it comes back after the comparison.
    // "Set-up Only" sends the set-up and the PLS and leaves the shift counts.
    MsgResult answer = MsgResult::No;
    for (;;) {
        answer = ctx.messages.show(
            "You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?",
            "Data Download",
            ctx.link.OnlineMode ? MsgButtons::YesSetUpOnlyNoShowChanges
                                : MsgButtons::YesSetUpOnlyNo,
            MsgIcon::Question);
        if (answer == MsgResult::Yes || answer == MsgResult::SetUpOnly) break;
        if (answer != MsgResult::ShowChanges) return;
        CompareWithController(ctx, files, dialogs, parent);
    }
    StartTransfer(ctx, files, parent, kTransferDownload, nullptr,
                  answer == MsgResult::SetUpOnly ? TransferItems::SetUpOnly : TransferItems::All);
}

bool CompareWithController(AppContext& ctx, FileCommands& files, IFileDialog& dialogs,
                           QWidget* parent) {
    // The working data as the operator last typed them are compared.
    if (!files.commitEntry()) return false;
    if (!ctx.offerToGoOnline()) return false;
    SetupData board;
    {
        // The reads own the link while they run, as an upload's do.
        AppContext::ModalOperation modal(ctx);
        frmProcessing window(ctx, board, parent);
        window.exec();
        // A board not read whole is never compared: the progress window
        // has shown the failure box.
        if (!window.report().complete()) return false;
    }
    frmCompare view(CompareSetups(ctx.tables.CurrentData, board), files.gFileNameCaption,
                    ctx.clipboard, dialogs, ctx.messages, parent);
    view.exec();
    return true;
}

bool StartTransfer(AppContext& ctx, FileCommands& files, QWidget* parent,
                   TransferDirection direction, TransferReport* report, TransferItems items) {
    if (!ctx.offerToGoOnline()) return false;
    // The transfer owns the link while it runs: the open window's
    // monitoring waits until it has ended.
    AppContext::ModalOperation modal(ctx);
    frmProcessing window(ctx, direction, parent);
    window.setItems(items);
    window.exec();
    if (direction == TransferDirection::Upload && window.report().complete()) files.StampUpload();
    if (report) *report = window.report();
    return true;
}

}  // namespace voran
