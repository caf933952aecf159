#pragma once

#include "program/ProgramState.h"
#include "widgets/ProgressWindow.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace voran {

class RSComm;
struct ProgramState;

// The small modal window shown while a program goes to the board (mode 0)
// or comes back from it (mode 1). It runs the transfer as soon as it is on
// screen, shows the address being transferred every 250 ms, and closes
// itself when the transfer has ended. Cancel (also Escape and the close box)
// asks the transfer to stop at its next safe point: between two records, or
// at the end of the pause after the records; the transfer then ends as not
// complete.
class frmDownloadProg : public ProgressDialog {
    Q_OBJECT
public:
    frmDownloadProg(RSComm& link, ProgramState& program, QWidget* parent = nullptr);

    void SetTransferMode(ProgramTransfer mode = ProgramTransfer::Download);
    ProgramTransfer mode() const { return mode_; }

    QGroupBox* fraWaitDisplay() const { return fraWaitDisplay_; }
    QLabel* lblWaitDisplay() const { return lblWaitDisplay_; }
    QTimer* Timer1() const { return Timer1_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    // One tick of Timer1: the label follows the transfer's progress flags.
    void Timer1_Timer();
    // Runs the transfer of the present mode, then closes the window.
    void RunTransfer();

private:
    // Escape and the close box ask the transfer to stop, as Cancel does (the
    // base); the window closes when the transfer has ended.
    void runOperation() override { RunTransfer(); }
    void Form_Load();

    RSComm& link_;
    ProgramState& program_;
    ProgramTransfer mode_ = ProgramTransfer::Download;
    QGroupBox* fraWaitDisplay_ = nullptr;
    QLabel* lblWaitDisplay_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace voran
