#pragma once

#include <functional>
#include <string>

#include "program/ProgramState.h"

class QWidget;

namespace voran {

class AppContext;
class IFileDialog;

// The frame's program commands: File > Download Program, File > Upload
// Program..., and the program selection that View > Target Board Interface
// starts with.
class ProgramCommands {
public:
    ProgramCommands(AppContext& ctx, IFileDialog& dialogs, QWidget* parent);

    // The program file chosen last (empty at start).
    std::string gProgramFilePath;

    // Stops (false) and restarts (true) tmrBackgroungUpdate around the
    // modal transfer; set by the frame.
    std::function<void(bool enabled)> enableBackgroundUpdate;

    // SelectProgramFile(ForTargetBoard) hands the chosen path (or, when the dialog was
    // cancelled, the last one) to the target board window here:
    // frmTargetBoard::InitializeForm. The target board window sets it when
    // it is added; until then it selects the program and stops.
    std::function<void(const std::string& tarnixFile)> InitializeTargetBoard;

    // What a program file is picked for.
    enum class FileUse {
        Download,        // check it, ask, and download it in the progress window
        ForTargetBoard,  // the target board window shows what it expects
    };
    void SelectProgramFile(FileUse use);
    // Pick a program file set, ask before replacing its image, and read the
    // board's program back into it in the progress window.
    void UploadProgramFile();

private:
    void runProgressWindow(ProgramTransfer mode);

    AppContext& ctx_;
    IFileDialog& dialogs_;
    QWidget* parent_;
};

}  // namespace voran
