#include "program/ui/ProgramMenu.h"

#include <filesystem>

#include "link/RSComm.h"
#include "platform/FileDialog.h"
#include "program/ProgramFiles.h"
#include "program/ProgramState.h"
#include "program/ui/frmDownloadProg.h"
#include "window/AppContext.h"

namespace voran {

namespace {

FileDialogRequest programFileRequest(const std::string& last, const std::string& title) {
    FileDialogRequest r;
    r.title = title;
    r.filters = ParseFilterList("Tarnix Files(*.tnx)|*.tnx|");
    r.filterIndex = 1;
    r.initialName = last;
    r.fileMustExist = true;
    r.hideReadOnly = true;
    return r;
}

}  // namespace

ProgramCommands::ProgramCommands(AppContext& ctx, IFileDialog& dialogs, QWidget* parent)
    : ctx_(ctx), dialogs_(dialogs), parent_(parent) {}

void ProgramCommands::runProgressWindow(ProgramTransfer mode) {
    if (enableBackgroundUpdate) enableBackgroundUpdate(false);
    {
        frmDownloadProg window(ctx_.link, ctx_.program, parent_);
        window.SetTransferMode(mode);
        window.exec();
    }
    if (enableBackgroundUpdate) enableBackgroundUpdate(true);
    ctx_.UpdateOnlineState();
}

void ProgramCommands::SelectProgramFile(FileUse use) {
    if (use == FileUse::Download && !ctx_.offerToGoOnline()) return;

    const FileDialogResult chosen = dialogs_.openFile(programFileRequest(gProgramFilePath, ""));
    if (chosen.cancelled) {
        if (use == FileUse::ForTargetBoard && InitializeTargetBoard)
            InitializeTargetBoard(gProgramFilePath);
        return;
    }
    gProgramFilePath = chosen.path;
    DownloadFile(ctx_.program.set, gProgramFilePath, ctx_.link.messages());
    if (!ctx_.program.set.ValidProgram) return;

    if (use == FileUse::ForTargetBoard) {
        if (InitializeTargetBoard) InitializeTargetBoard(gProgramFilePath);
        return;
    }
    const std::string name = std::filesystem::path(gProgramFilePath).filename().string();
    if (ctx_.messages.show("You are about to download \"" + name +
                               "\" to the K-900.\r\n\r\nDo you wish to continue?",
                           "Program Download", MsgButtons::YesNo,
                           MsgIcon::Question) != MsgResult::Yes)
        return;
    runProgressWindow(ProgramTransfer::Download);
}

void ProgramCommands::UploadProgramFile() {
    if (!ctx_.offerToGoOnline()) return;
    const FileDialogResult chosen =
        dialogs_.openFile(programFileRequest(gProgramFilePath, "Upload Program"));
    if (chosen.cancelled) return;
    gProgramFilePath = chosen.path;

    const std::string image = SiblingFile(gProgramFilePath, "hex");
    std::error_code ec;
    if (std::filesystem::exists(image, ec) &&
        ctx_.messages.show(image + " already exists.\r\n\r\nDo you wish to replace it with the "
                                   "program in the target board?",
                           "Program Upload", MsgButtons::YesNo,
                           MsgIcon::Question) != MsgResult::Yes)
        return;

    UploadFile(ctx_.program.set, gProgramFilePath, ctx_.link.messages());
    ctx_.program.progress.InUploadMode = true;
    runProgressWindow(ProgramTransfer::Upload);
}

}  // namespace voran
