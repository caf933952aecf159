#include "data/ui/frmWaitDisplay.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "window/Utility.h"
#include "widgets/ProgressWindow.h"
#include "widgets/Buttons.h"

namespace voran {

frmWaitDisplay::frmWaitDisplay(QWidget* parent) : ProgressDialog(parent) {
    setObjectName("frmWaitDisplay");
    setWindowTitle(QString());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);

    fraWaitDisplay_ = new QFrame(this);
    fraWaitDisplay_->setObjectName("fraWaitDisplay");
    fraWaitDisplay_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    lblWaitDisplay_ = new QLabel("Please Standby ...", fraWaitDisplay_);
    lblWaitDisplay_->setObjectName("lblWaitDisplay");
    lblWaitDisplay_->setAlignment(Qt::AlignCenter);

    auto* inner = new QVBoxLayout(fraWaitDisplay_);
    inner->setContentsMargins(24, 16, 24, 16);
    inner->addWidget(lblWaitDisplay_);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(fraWaitDisplay_);
    finishLook(false);
    NoDefaultButtons(this);
}

bool frmWaitDisplay::Form_Load(const std::function<bool()>& generate) {
    lblWaitDisplay_->setText("Generating Report, Please Standby ...");
    adjustSize();
    CenterForm(this);
    show();
    QCoreApplication::processEvents();
    const bool done = generate();
    hide();
    QCoreApplication::processEvents();
    return done;
}

}  // namespace voran
