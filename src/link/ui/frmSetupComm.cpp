#include "link/ui/frmSetupComm.h"

#include <algorithm>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "link/CommPortSetup.h"
#include "platform/Paths.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"
#include "widgets/Buttons.h"

namespace voran {

namespace {

constexpr const char* kEntryTitle = "Comm Port";

std::string errorText(int number, const std::string& description) {
    return "Error Number = " + std::to_string(number) + "\r\n\r\n" + description;
}

// "COM3 → /dev/ttyUSB0", or what is missing.
QString deviceText(const ComPortMapping& m) {
    const QString name = QString::fromStdString(m.name);
    const QString device = QString::fromStdString(m.device);
    if (m.present) return name + QStringLiteral(" \u2192 ") + device;
    if (m.linked)
        return name + QStringLiteral(" \u2192 ") + device + QStringLiteral(", which is missing");
    return name + QStringLiteral(": Support/") + name + QStringLiteral(" and ") + device +
           QStringLiteral(" are both missing");
}

}  // namespace

frmSetupComm::frmSetupComm(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmSetupComm"));
    setWindowTitle(QStringLiteral("Comm Port Settings"));
    buildControls();
    // The online state at opening decides what Save does afterwards.
    wasOnline_ = ctx_.link.OnlineMode;
    CurrentSettings();
    showDevice();
    NoDefaultButtons(this);
}

void frmSetupComm::buildControls() {
    txtCommPort_ = new NumericEntry(this);
    txtCommPort_->setObjectName(QStringLiteral("txtCommPort"));
    txtCommPort_->setRange(kPortMin, kPortMax);
    txtCommPort_->setDigitsOnly();
    txtCommPort_->setMessages(&ctx_.messages, kEntryTitle);
    connect(txtCommPort_->lineEdit(), &QLineEdit::textChanged, this, [this] { showDevice(); });

    auto* lblCommPort = new QLabel(QStringLiteral("Comm Port:"), this);
    lblCommPort->setBuddy(txtCommPort_->lineEdit());
    lblPortDevice_ = new QLabel(this);
    lblPortDevice_->setObjectName(QStringLiteral("lblPortDevice"));
    lblPortDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    fraPortSpeed_ = new QGroupBox(QStringLiteral("Port Speed"), this);
    optPortSpeed_[0] = new QRadioButton(QStringLiteral("9600"), fraPortSpeed_);
    optPortSpeed_[1] = new QRadioButton(QStringLiteral("19200"), fraPortSpeed_);
    auto* speeds = new QHBoxLayout(fraPortSpeed_);
    for (auto* opt : optPortSpeed_) speeds->addWidget(opt);

    cmdSave_ = new QPushButton(QStringLiteral("&Save"), this);
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    txtCommPort_->setDefaultTarget(cmdSave_);
    connect(cmdSave_, &QPushButton::clicked, this, &frmSetupComm::cmdSave_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmSetupComm::cmdCancel_Click);

    auto* port = new QHBoxLayout;
    port->addWidget(lblCommPort);
    port->addWidget(txtCommPort_);
    port->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave_);
    buttons->addWidget(cmdCancel_);

    auto* page = new QVBoxLayout(this);
    page->addLayout(port);
    page->addWidget(lblPortDevice_);
    page->addWidget(fraPortSpeed_);
    page->addLayout(buttons);
    // Room for the longest "both missing" text; a linked device of a longer
    // name widens the window.
    lblPortDevice_->setMinimumWidth(fontMetrics().horizontalAdvance(
        QStringLiteral("COM99: Support/COM99 and /dev/ttyS98 are both missing")));
    page->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSetupComm::CurrentSettings() {
    const PortSettingsLoad loaded = LoadPortSettings(ctx_.link.CommSettingsFile());
    // The window opens with what could be read (the defaults at worst).
    txtCommPort_->setText(QString::number(loaded.settings.port));
    optPortSpeed_[loaded.settings.speed == 19200 ? 1 : 0]->setChecked(true);
    if (!loaded.ok)
        ctx_.messages.show(errorText(loaded.errorNumber, loaded.error), "SetupComm CurrentSettings",
                           MsgButtons::Ok, MsgIcon::Information);
}

void frmSetupComm::showDevice() {
    const auto v = EntryNumber(txtCommPort_->text());
    if (!v || *v < kPortMin || *v > kPortMax) {
        lblPortDevice_->clear();
        return;
    }
    const int port = static_cast<int>(RoundHalfEven(*v));
    lblPortDevice_->setText(deviceText(DescribeComPort(ctx_.programFolder, port)));
}

void frmSetupComm::cmdSave_Click() {
    // An entry still in the box (Alt+S from the box) is checked as leaving
    // the box would check it: a refused number is never saved.
    const auto v = EntryNumber(txtCommPort_->text());
    if (!v || *v < kPortMin || *v > kPortMax) {
        ctx_.messages.show(RangeMessage(kPortMin, kPortMax), kEntryTitle, MsgButtons::Ok,
                           MsgIcon::Information);
        txtCommPort_->setText(txtCommPort_->savedText());
        txtCommPort_->setFocus(Qt::OtherFocusReason);
        return;
    }

    // The port the link holds is let go before its settings change.
    ctx_.goOffline();

    PortSettings s;
    s.port = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(*v), kPortMin, kPortMax));
    s.speed = optPortSpeed_[1]->isChecked() ? 19200 : 9600;
    txtCommPort_->setText(QString::number(s.port));
    const FileWriteResult written =
        SavePortSettings(ctx_.link.CommSettingsFile(), ctx_.programFolder, s);
    if (!written) {
        ctx_.messages.show(errorText(written.errorNumber, written.error), "SetupComm",
                           MsgButtons::Ok, MsgIcon::Information);
        return;
    }

    if (!wasOnline_) {
        accept();
        return;
    }
    // The link reads the new RSPort.cfg as it opens. A port that cannot be
    // opened is reported by the link ("Comm Port Error"); the program is then
    // offline and the window stays for other settings.
    ctx_.goOnline();
    if (ctx_.link.OnlineMode) accept();
}

void frmSetupComm::cmdCancel_Click() {
    reject();
}

}  // namespace voran
