#pragma once

#include <QDialog>

#include "data/Transfer.h"
#include "widgets/ProgressWindow.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace voran {

class AppContext;

// The small modal window of Upload Data and Download Data: what is being
// done, a progress bar of 94 steps (78 items, 16 PLS channel steps) and a
// Cancel button that stops the item phase before the next item. Shown with
// exec(); it runs the transfer as soon as it is on screen and closes itself
// when the transfer ends.
class frmProcessing : public ProgressDialog {
    Q_OBJECT
public:
    frmProcessing(AppContext& ctx, TransferDirection direction, QWidget* parent = nullptr);
    // Reads the board's data set as an upload does, into `board` (filled
    // only when the read completed), for a comparison; the working data stay
    // as they are.
    frmProcessing(AppContext& ctx, SetupData& board, QWidget* parent = nullptr);

    QGroupBox* fraProcessing = nullptr;
    QLabel* lblProcessing = nullptr;
    QProgressBar* prgProcessing = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Runs the transfer; at its end shows the error box when it did not
    // complete (a cancelled download excepted, a refusal has said why), then
    // hides the window (which ends exec()).
    void RunTransfer();
    // What the last RunTransfer achieved.
    const TransferReport& report() const { return report_; }
    // Which items a download writes (before the window is shown).
    void setItems(TransferItems items) { items_ = items; }

private:
    // Escape and the window's close box ask the transfer to stop, as Cancel
    // does (the base); the window closes when the transfer has ended.
    void runOperation() override { RunTransfer(); }
    void Form_Load();
    void cmdCancel_Click();
    void advance(int steps);

    AppContext& ctx_;
    TransferDirection direction_;
    TransferItems items_ = TransferItems::All;
    SetupData* board_ = nullptr;
    TransferReport report_;
    PacedProgress* progress_ = nullptr;
};

}  // namespace voran
