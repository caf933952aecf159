#include "program/ui/frmDownloadProg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "link/RSComm.h"
#include "program/ProgramDownload.h"
#include "program/ProgramState.h"
#include "program/ProgramUpload.h"
#include "window/Utility.h"
#include "widgets/ProgressWindow.h"
#include "widgets/Buttons.h"

namespace voran {

frmDownloadProg::frmDownloadProg(RSComm& link, ProgramState& program, QWidget* parent)
    : ProgressDialog(parent), link_(link), program_(program) {
    setObjectName("frmDownloadProg");
    setWindowTitle(QString());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    fraWaitDisplay_ = new QGroupBox(this);
    fraWaitDisplay_->setObjectName("fraWaitDisplay");
    lblWaitDisplay_ = new QLabel(fraWaitDisplay_);
    lblWaitDisplay_->setObjectName("lblWaitDisplay");
    lblWaitDisplay_->setMinimumWidth(
        lblWaitDisplay_->fontMetrics().horizontalAdvance("Reading From Program Address: 0000H") +
        24);
    cmdCancel_ = new QPushButton("&Cancel", fraWaitDisplay_);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setAutoDefault(false);
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { requestCancel(); });
    auto* inner = new QVBoxLayout(fraWaitDisplay_);
    inner->addWidget(lblWaitDisplay_);
    inner->addWidget(cmdCancel_, 0, Qt::AlignHCenter);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(fraWaitDisplay_);
    finishLook(true);
    setRunsOnShow(true);

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName("Timer1");
    Timer1_->setInterval(250);
    connect(Timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    Form_Load();
    NoDefaultButtons(this);
}

void frmDownloadProg::SetTransferMode(ProgramTransfer mode) {
    mode_ = mode;
    Form_Load();
}

void frmDownloadProg::Form_Load() {
    lblWaitDisplay_->setText(mode_ == ProgramTransfer::Download ? "Sending Program at Address: "
                                                                : "Reading Program at Address: ");
    adjustSize();
    CenterForm(this);
    Timer1_->stop();
}

void frmDownloadProg::Timer1_Timer() {
    const ProgramProgress& p = program_.progress;
    if (mode_ == ProgramTransfer::Download) {
        if (!p.InProgramMode) return;
        lblWaitDisplay_->setText(p.WritingIdent ? QString("Writing Program Ident ... ")
                                                : "Writing to Program Address: " +
                                                      QString::fromStdString(p.CurrentProgramAdd));
    } else {
        if (!p.InUploadMode) return;
        lblWaitDisplay_->setText(p.ReadingIdent ? QString("Reading Program Ident ... ")
                                                : "Reading From Program Address: " +
                                                      QString::fromStdString(p.CurrentProgramAdd));
    }
}

void frmDownloadProg::RunTransfer() {
    setRunning(true);
    Timer1_->start();
    ProgramState& state = program_;
    state.doEvents = [] { QCoreApplication::processEvents(); };
    state.stopRequested = [this] { return cancelRequested(); };
    if (mode_ == ProgramTransfer::Download)
        DumpProgram(link_, state, link_.messages());
    else
        UploadProgram(link_, state, link_.messages());
    state.doEvents = nullptr;
    state.stopRequested = nullptr;
    Timer1_->stop();
    mode_ = ProgramTransfer::Download;
    setRunning(false);
    QCoreApplication::processEvents();
    // Hiding ends the modal display; the caller then deletes the window.
    accept();
}

}  // namespace voran
