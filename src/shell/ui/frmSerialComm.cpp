#include "shell/ui/frmSerialComm.h"

#include <algorithm>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "number/NumberText.h"
#include "window/AppContext.h"
#include "window/BoardWrite.h"

namespace voran {

namespace {

const std::array<const char*, frmSerialComm::kItems> kAddresses = {
    "B798", "W8156", "W8154", "B780", "B3002", "B3003", "W3004", "W3042", "B782", "B783"};

const std::array<const char*, frmSerialComm::kItems> kDescriptions = {
    "MODBUS Slave Address Port:",
    "N-90 Slot Address:",
    "N-00 Network Slave Slot Address:",
    "Format Step:",
    "MODBUS Slave Address:",
    "Function:",
    "MODBUS Source/Dest. Address",
    "K-900 Source/Dest. Address:",
    "Master Comm Return Status:",
    "Master Comm Error:"};

// Items 0 .. 2 describe how the module is set up, 3 .. 9 its traffic.
constexpr int kFirstStatusItem = 3;

// The module's error byte; writing 0 clears it.
constexpr const char* kCommErrorItem = "B783";

// MODBUS function codes the module uses.
constexpr std::int64_t kReadHoldingRegisters = 3;
constexpr std::int64_t kWriteMultipleRegisters = 16;

}  // namespace

frmSerialComm::frmSerialComm(AppContext& ctx, QWidget* parent)
    : FixedAddressWindow(ctx, kAddresses, parent) {
    setObjectName(QStringLiteral("frmSerialComm"));
    setWindowTitle(QStringLiteral("N-90 Serial Communications"));
    buildControls();
}

const std::array<const char*, frmSerialComm::kItems>& frmSerialComm::ItemAddresses() {
    return kAddresses;
}

std::string frmSerialComm::DisplayText(int index, const std::string& reply) {
    if (index != kFunctionItem) return reply;
    const std::int64_t function = ReplyToValue(reply);
    if (function == kReadHoldingRegisters) return "Read";
    if (function == kWriteMultipleRegisters) return "Write";
    return "??" + reply;
}

void frmSerialComm::buildControls() {
    fraSetup_[0] = new QGroupBox(QStringLiteral("Configuration Status"), this);
    fraSetup_[1] = new QGroupBox(QStringLiteral("Communication Status"), this);
    std::array<QGridLayout*, 2> grids{new QGridLayout(fraSetup_[0]), new QGridLayout(fraSetup_[1])};
    const int valueWidth = fontMetrics().horizontalAdvance(QStringLiteral("000000000"));
    for (int i = 0; i < kItems; ++i) {
        const int frame = i < kFirstStatusItem ? 0 : 1;
        const int row = frame == 0 ? i : i - kFirstStatusItem;
        auto* description = new QLabel(QString::fromLatin1(kDescriptions[i]), fraSetup_[frame]);
        description->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* display = new QLabel(QStringLiteral("-"), fraSetup_[frame]);
        display->setObjectName(QStringLiteral("lblDisplay%1").arg(i));
        display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        display->setAlignment(Qt::AlignCenter);
        display->setMinimumWidth(valueWidth);
        display->setToolTip(QString::fromLatin1(kAddresses[i]));
        grids[frame]->addWidget(description, row, 0);
        grids[frame]->addWidget(display, row, 1);
        lblDescription_[i] = description;
        lblDisplay_[i] = display;
    }
    for (auto* grid : grids) grid->setColumnStretch(2, 1);
    // The values of both frames in one column.
    int descriptionWidth = 0;
    for (auto* d : lblDescription_)
        descriptionWidth = std::max(descriptionWidth, d->sizeHint().width());
    for (auto* d : lblDescription_) d->setMinimumWidth(descriptionWidth);

    cmdResetErr_ = new QPushButton(QStringLiteral("&Reset Comm Error"), this);
    cmdResetErr_->setObjectName(QStringLiteral("cmdResetErr"));
    cmdResetErr_->setAutoDefault(false);
    connect(cmdResetErr_, &QPushButton::clicked, this, &frmSerialComm::cmdResetErr_Click);

    // Takes the focus so that no other control keeps it; does nothing.
    cmdDefault_ = new QPushButton(QStringLiteral("-"), this);
    cmdDefault_->setObjectName(QStringLiteral("cmdDefault"));
    cmdDefault_->setAutoDefault(false);
    cmdDefault_->setFlat(true);
    cmdDefault_->setFixedWidth(cmdDefault_->fontMetrics().horizontalAdvance(QStringLiteral("--")) *
                               2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdResetErr_);
    buttons->addStretch(1);
    buttons->addWidget(cmdDefault_);

    auto* column = new QVBoxLayout;
    column->addWidget(fraSetup_[0]);
    column->addWidget(fraSetup_[1]);
    column->addLayout(buttons);
    column->addStretch(1);

    auto* page = new QHBoxLayout(this);
    page->addLayout(column);
    page->addStretch(1);
}

void frmSerialComm::showLook(bool enabled) {
    for (auto* f : fraSetup_) f->setEnabled(enabled);
    for (int i = 0; i < kItems; ++i) {
        lblDescription_[i]->setEnabled(enabled);
        lblDisplay_[i]->setText(QStringLiteral("-"));
        lblDisplay_[i]->setEnabled(enabled);
    }
    cmdResetErr_->setEnabled(enabled);
}

void frmSerialComm::showReply(int index, const std::string& reply) {
    lblDisplay_.at(index)->setText(QString::fromStdString(DisplayText(index, reply)));
}

void frmSerialComm::showUnknown(int index) {
    lblDisplay_.at(index)->setText(QStringLiteral("---"));
}

void frmSerialComm::cmdResetErr_Click() {
    // Nothing goes out over a link that has failed: the next pass takes the
    // program offline instead.
    if (!ctx_.linkUsable()) return;
    WriteItemChecked(ctx_, kCommErrorItem, "0");
}

}  // namespace voran
