#include "data/ui/TransferMenu.h"

#include "data/FileCommands.h"
#include "data/Transfer.h"
#include "data/ui/frmProcessing.h"
#include "window/AppContext.h"

namespace voran {

void mnuFileUpload_Click(AppContext& ctx, FileCommands& files, QWidget* parent) {
    if (ctx.messages.show(
            "You are about to Upload Data from the PLC\r\n\r\nDo You Wish to Continue?",
            "Data Upload", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    StartTransfer(ctx, files, parent, kTransferUpload);
}

void mnuFileDownload_Click(AppContext& ctx, FileCommands& files, QWidget* parent) {
    if (ctx.messages.show(
            "You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?",
            "Data Download", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    StartTransfer(ctx, files, parent, kTransferDownload);
}

bool StartTransfer(AppContext& ctx, FileCommands& files, QWidget* parent,
                   TransferDirection direction) {
    if (!ctx.link.OnlineMode) {
        if (ctx.messages.show("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to ONLINE "
                              "MODE to Continue?",
                              "Program Offline", MsgButtons::YesNo,
                              MsgIcon::Question) != MsgResult::Yes)
            return false;
        // The Online Data command; the transfer goes on even if the board
        // does not answer (the first item then fails through the link).
        ctx.goOnline();
    }

    // The transfer owns the link while it runs: the open window's
    // monitoring waits until it has ended.
    AppContext::ModalOperation modal(ctx);
    frmProcessing window(ctx, direction, parent);
    window.exec();
    if (direction == TransferDirection::Upload && window.report().complete()) files.StampUpload();
    return true;
}

}  // namespace voran
