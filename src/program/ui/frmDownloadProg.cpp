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
    : QDialog(parent), link_(link), program_(program) {
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
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cancel_ = true; });
    auto* inner = new QVBoxLayout(fraWaitDisplay_);
    inner->addWidget(lblWaitDisplay_);
    inner->addWidget(cmdCancel_, 0, Qt::AlignHCenter);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(fraWaitDisplay_);
    SetProgressWindowLook(*this, true);

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName("Timer1");
    Timer1_->setInterval(250);
    connect(Timer1_, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    Form_Load();
    NoDefaultButtons(this);
}

void frmDownloadProg::SetTransferMode(int mode) {
    mode_ = mode;
    Form_Load();
}

void frmDownloadProg::Form_Load() {
    lblWaitDisplay_->setText(mode_ == 0 ? "Sending Program at Address: "
                                        : "Reading Program at Address: ");
    adjustSize();
    CenterForm(this);
    Timer1_->stop();
}

void frmDownloadProg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Form_Activate: let the window paint, then run the transfer once.
    if (started_) return;
    started_ = true;
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::processEvents();
        RunTransfer();
    });
}

void frmDownloadProg::Timer1_Timer() {
    const ProgramProgress& p = program_.progress;
    if (mode_ == 0) {
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
    running_ = true;
    cancel_ = false;
    Timer1_->start();
    ProgramState& state = program_;
    state.doEvents = [] { QCoreApplication::processEvents(); };
    state.stopRequested = [this] { return cancel_; };
    if (mode_ == 0)
        DumpProgram(link_, state, link_.messages());
    else
        UploadProgram(link_, state, link_.messages());
    state.doEvents = nullptr;
    state.stopRequested = nullptr;
    Timer1_->stop();
    mode_ = 0;
    running_ = false;
    QCoreApplication::processEvents();
    // Hiding ends the modal display; the caller then deletes the window.
    accept();
}

void frmDownloadProg::reject() {
    if (running_) {
        cancel_ = true;
        return;
    }
    QDialog::reject();
}

void frmDownloadProg::closeEvent(QCloseEvent* event) {
    if (running_) {
        cancel_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace voran
