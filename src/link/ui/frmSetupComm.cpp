#include "link/ui/frmSetupComm.h"

#include <algorithm>
#include <filesystem>

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "history/HistorySettings.h"
#include "link/CommPortSetup.h"
#include "platform/Paths.h"
#include "platform/PortMap.h"
#include "platform/SerialDevices.h"
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

constexpr const char* kOwnDevice = "Its own device (no mapping)";

// "COM3 → socket://10.0.0.5:4001", "COM3 → /dev/serial/by-id/..., which is
// missing".
QString mappedText(int port, const PortName& name) {
    QString text = QStringLiteral("COM%1 \u2192 ").arg(port) + QString::fromStdString(name.text());
    std::error_code ec;
    if (name.kind == PortName::Kind::Device && !std::filesystem::exists(name.device, ec))
        text += QStringLiteral(", which is missing");
    return text;
}

}  // namespace

frmSetupComm::frmSetupComm(AppContext& ctx, QWidget* parent, const std::string& deviceRoot)
    : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmSetupComm"));
    setWindowTitle(QStringLiteral("Comm Port Settings"));
    buildControls();
    cboPortDevice_->addItem(QString::fromLatin1(kOwnDevice), QString());
    for (const FoundDevice& d : FindSerialDevices(deviceRoot))
        cboPortDevice_->addItem(QString::fromStdString(d.path + "  \u2014  " + d.description),
                                QString::fromStdString(d.path));
    cboPortDevice_->view()->setMinimumWidth(cboPortDevice_->view()->sizeHintForColumn(0));
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
    connect(txtCommPort_->lineEdit(), &QLineEdit::textChanged, this, [this] {
        showMapping();
        showDevice();
    });

    auto* lblCommPort = new QLabel(QStringLiteral("Comm Port:"), this);
    lblCommPort->setBuddy(txtCommPort_->lineEdit());
    lblPortDevice_ = new QLabel(this);
    lblPortDevice_->setObjectName(QStringLiteral("lblPortDevice"));
    lblPortDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cboPortDevice_ = new QComboBox(this);
    cboPortDevice_->setObjectName(QStringLiteral("cboPortDevice"));
    cboPortDevice_->setEditable(true);
    cboPortDevice_->setInsertPolicy(QComboBox::NoInsert);
    // Lasting names of USB adapters run long: the box keeps a sensible width
    // and its list opens as wide as its longest entry.
    cboPortDevice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboPortDevice_->setMinimumContentsLength(44);
    cboPortDevice_->lineEdit()->setPlaceholderText(
        QStringLiteral("a device, or socket://HOST:PORT, rfc2217://HOST:PORT"));
    cboPortDevice_->setToolTip(QStringLiteral(
        "The device this port number opens: one found on this PC, or type the path of a "
        "device or the address of a serial device server (socket://HOST:PORT for raw TCP, "
        "rfc2217://HOST:PORT for one that takes the speed from this PC)."));
    connect(cboPortDevice_, &QComboBox::editTextChanged, this, [this] { showDevice(); });
    auto* lblPortThrough = new QLabel(QStringLiteral("&Device or address:"), this);
    lblPortThrough->setBuddy(cboPortDevice_);

    fraPortSpeed_ = new QGroupBox(QStringLiteral("Port Speed"), this);
    optPortSpeed_[0] = new QRadioButton(QStringLiteral("9600"), fraPortSpeed_);
    optPortSpeed_[1] = new QRadioButton(QStringLiteral("19200"), fraPortSpeed_);
    auto* speeds = new QHBoxLayout(fraPortSpeed_);
    for (auto* opt : optPortSpeed_) speeds->addWidget(opt);

    fraHistory_ = new QGroupBox(QStringLiteral("Production History"), this);
    txtSampleInterval_ = new NumericEntry(fraHistory_);
    txtSampleInterval_->setObjectName(QStringLiteral("txtSampleInterval"));
    txtSampleInterval_->setRange(history::HistorySettings::kMinInterval,
                                 history::HistorySettings::kMaxInterval);
    txtSampleInterval_->setDigitsOnly();
    txtSampleInterval_->setMessages(&ctx_.messages, kEntryTitle);
    txtLineName_ = new QLineEdit(fraHistory_);
    txtLineName_->setObjectName(QStringLiteral("txtLineName"));
    txtLineName_->setPlaceholderText(QStringLiteral("the port's name"));
    txtLineName_->setToolTip(
        QStringLiteral("Names the history file, History/<name>.sqlite in the program folder"));
    auto* lblInterval = new QLabel(QStringLiteral("Sample every (s):"), fraHistory_);
    lblInterval->setBuddy(txtSampleInterval_->lineEdit());
    auto* lblLine = new QLabel(QStringLiteral("&Line name:"), fraHistory_);
    lblLine->setBuddy(txtLineName_);
    auto* historyGrid = new QGridLayout(fraHistory_);
    historyGrid->addWidget(lblInterval, 0, 0);
    historyGrid->addWidget(txtSampleInterval_, 0, 1);
    historyGrid->addWidget(lblLine, 1, 0);
    historyGrid->addWidget(txtLineName_, 1, 1);

    cmdSave_ = new QPushButton(QStringLiteral("&Save"), this);
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    txtCommPort_->setDefaultTarget(cmdSave_);
    txtSampleInterval_->setDefaultTarget(cmdSave_);
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
    page->addWidget(lblPortThrough);
    page->addWidget(cboPortDevice_);
    page->addWidget(lblPortDevice_);
    page->addWidget(fraPortSpeed_);
    page->addWidget(fraHistory_);
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
    const history::HistorySettings history = history::LoadHistorySettings(ctx_.programFolder);
    txtSampleInterval_->setText(QString::number(history.interval));
    txtLineName_->setText(QString::fromStdString(history.lineName));
    showMapping();
    if (!loaded.ok)
        ctx_.messages.show(errorText(loaded.errorNumber, loaded.error), "SetupComm CurrentSettings",
                           MsgButtons::Ok, MsgIcon::Information);
}

int frmSetupComm::portNumber() const {
    const auto v = EntryNumber(txtCommPort_->text());
    if (!v || *v < kPortMin || *v > kPortMax) return 0;
    return static_cast<int>(RoundHalfEven(*v));
}

void frmSetupComm::showMapping() {
    const int port = portNumber();
    const auto mapped = port > 0 ? MappedPort(ctx_.programFolder, port) : std::nullopt;
    if (!mapped) {
        cboPortDevice_->setCurrentIndex(0);
        cboPortDevice_->setEditText(cboPortDevice_->itemText(0));
        return;
    }
    const int found = cboPortDevice_->findData(QString::fromStdString(mapped->text()));
    cboPortDevice_->setCurrentIndex(found);
    if (found < 0) cboPortDevice_->setEditText(QString::fromStdString(mapped->text()));
}

bool frmSetupComm::chosenName(std::optional<PortName>* name, std::string* why) const {
    const QString text = cboPortDevice_->currentText();
    const int index = cboPortDevice_->findText(text);
    if (index == 0 || text.trimmed().isEmpty()) {
        name->reset();
        return true;
    }
    const std::string typed =
        index > 0 ? cboPortDevice_->itemData(index).toString().toStdString() : text.toStdString();
    const PortNameParse parsed = ParsePortName(typed);
    if (parsed.name && parsed.name->kind == PortName::Kind::Number) {
        *why =
            "A port number cannot stand for another one. Choose a device, or type the path of "
            "one or the address of a device server (socket://HOST:PORT or "
            "rfc2217://HOST:PORT).";
        return false;
    }
    if (!parsed.name) {
        *why = parsed.error;
        return false;
    }
    *name = parsed.name;
    return true;
}

void frmSetupComm::showDevice() {
    const int port = portNumber();
    if (port == 0) {
        lblPortDevice_->clear();
        return;
    }
    std::optional<PortName> name;
    std::string why;
    if (!chosenName(&name, &why)) {
        lblPortDevice_->setText(QString::fromStdString(why));
        return;
    }
    lblPortDevice_->setText(name ? mappedText(port, *name)
                                 : deviceText(DescribeComPort(ctx_.programFolder, port)));
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

    const auto interval = EntryNumber(txtSampleInterval_->text());
    if (!interval || *interval < history::HistorySettings::kMinInterval ||
        *interval > history::HistorySettings::kMaxInterval) {
        ctx_.messages.show(RangeMessage(history::HistorySettings::kMinInterval,
                                        history::HistorySettings::kMaxInterval),
                           kEntryTitle, MsgButtons::Ok, MsgIcon::Information);
        txtSampleInterval_->setText(txtSampleInterval_->savedText());
        txtSampleInterval_->setFocus(Qt::OtherFocusReason);
        return;
    }

    std::optional<PortName> mapping;
    std::string why;
    if (!chosenName(&mapping, &why)) {
        ctx_.messages.show(why, kEntryTitle, MsgButtons::Ok, MsgIcon::Information);
        cboPortDevice_->setFocus(Qt::OtherFocusReason);
        return;
    }

    // The port the link holds is let go before its settings change.
    ctx_.goOffline();

    PortSettings s;
    s.port = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(*v), kPortMin, kPortMax));
    s.speed = optPortSpeed_[1]->isChecked() ? 19200 : 9600;
    txtCommPort_->setText(QString::number(s.port));
    FileWriteResult written = SavePortSettings(ctx_.link.CommSettingsFile(), ctx_.programFolder, s);
    if (written) written = SavePortMapping(ctx_.programFolder, s.port, mapping);
    history::HistorySettings history;
    history.interval = static_cast<int>(RoundHalfEven(*interval));
    history.lineName = txtLineName_->text().trimmed().toStdString();
    // Written only when changed: a folder without the file samples with the
    // defaults.
    if (written && history != history::LoadHistorySettings(ctx_.programFolder))
        written = history::SaveHistorySettings(ctx_.programFolder, history);
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
