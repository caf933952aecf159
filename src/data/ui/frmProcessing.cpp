#include "data/ui/frmProcessing.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "window/AppContext.h"
#include "window/Utility.h"
#include "widgets/ProgressWindow.h"
#include "widgets/Buttons.h"

namespace voran {

frmProcessing::frmProcessing(AppContext& ctx, TransferDirection direction, QWidget* parent)
    : ProgressDialog(parent), ctx_(ctx), direction_(direction) {
    setObjectName("frmProcessing");
    setWindowTitle(QString());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    fraProcessing = new QGroupBox("Processing Request:", this);
    fraProcessing->setObjectName("fraProcessing");
    lblProcessing = new QLabel("Status", fraProcessing);
    lblProcessing->setObjectName("lblProcessing");
    prgProcessing = new QProgressBar(fraProcessing);
    prgProcessing->setObjectName("prgProcessing");
    prgProcessing->setTextVisible(false);
    progress_ = new PacedProgress(*prgProcessing);
    cmdCancel = new QPushButton("&Cancel", fraProcessing);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setAutoDefault(false);

    auto* inner = new QVBoxLayout(fraProcessing);
    inner->addWidget(lblProcessing);
    inner->addWidget(prgProcessing);
    inner->addWidget(cmdCancel, 0, Qt::AlignHCenter);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(fraProcessing);
    fraProcessing->setMinimumWidth(340);
    finishLook(true);
    setRunsOnShow(true);

    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    Form_Load();
    NoDefaultButtons(this);
}

frmProcessing::frmProcessing(AppContext& ctx, SetupData& board, QWidget* parent)
    : frmProcessing(ctx, TransferDirection::Upload, parent) {
    board_ = &board;
    lblProcessing->setText("Reading Controller Data, Please Standby...");
}

void frmProcessing::Form_Load() {
    adjustSize();
    CenterForm(this);
    prgProcessing->setMinimum(0);
    prgProcessing->setValue(0);
    prgProcessing->setMaximum(kTransferSteps);
    lblProcessing->setText(direction_ == TransferDirection::Upload
                               ? "Uploading Data, Please Standby..."
                               : "Downloading Data, Please Standby...");
}

void frmProcessing::cmdCancel_Click() {
    requestCancel();
}

// An upload can take up to three steps per channel, so the count may pass
// the maximum; the bar then simply stays full.
void frmProcessing::advance(int steps) {
    progress_->setValue(std::min(prgProcessing->value() + steps, prgProcessing->maximum()));
}

void frmProcessing::RunTransfer() {
    setRunning(true);
    TransferHooks hooks;
    hooks.doEvents = [] { QCoreApplication::processEvents(); };
    hooks.cancelRequested = [this] { return cancelRequested(); };
    hooks.advance = [this](int steps) { advance(steps); };
    hooks.status = [this](const std::string& text) {
        lblProcessing->setText(QString::fromStdString(text));
    };
    hooks.acceptAddresses = [this](const std::string& differences) {
        return ctx_.messages.show(
                   "The data's address table differs from this program's item "
                   "table:\r\n\r\n" +
                       differences + "\r\nDownload the data to these addresses anyway?",
                   "Data Download", MsgButtons::YesNo, MsgIcon::Exclamation) == MsgResult::Yes;
    };
    DataTransfer transfer(ctx_.link, ctx_.tables, hooks);
    report_ = board_ ? transfer.ReadBoard(*board_) : transfer.RunTransfer(direction_, items_);
    setRunning(false);

    // An upload that did not complete left the data in memory as they were;
    // a download that failed left the board partly written. Either way the
    // operator is told. A cancelled download is the operator's own doing.
    const bool cancelledDownload = direction_ == TransferDirection::Download && report_.cancelled &&
                                   !report_.linkFault && !report_.itemFailed && !report_.plsFailed;
    if (!report_.complete() && !report_.refused && !cancelledDownload) {
        ctx_.messages.show("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7",
                           MsgButtons::Ok, MsgIcon::Exclamation);
    }
    // Hiding ends the modal display; the caller then deletes the window.
    accept();
}

}  // namespace voran
