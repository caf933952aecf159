#include "program/ui/frmTargetBoard.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "program/BoardStatus.h"
#include "program/BoardTable.h"
#include "program/ProgramFiles.h"
#include "program/ui/TargetBoardPages.h"
#include "window/Utility.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"
#include "widgets/Buttons.h"
#include "window/BoardWrite.h"

namespace voran {

namespace {

constexpr const char* kTitle = "Target Board Interface";
constexpr int kIdentBase = 61424;

// Captions of the status labels before a code is shown.
constexpr std::array<const char*, kStatusItems> kStatusCaption = {
    "Current Fault:", "Last Fault:",         "CO-CPU Slot:",
    nullptr,          "Current Comm Error:", "Last Comm Error:"};

QLabel* newLabel(const char* text, QWidget* parent) {
    return new QLabel(QString::fromLatin1(text), parent);
}

QPushButton* newButton(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

frmTargetBoard::frmTargetBoard(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), monitor_(ctx, *this, this) {
    setObjectName(QStringLiteral("frmTargetBoard"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);
    buildControls();
    NoDefaultButtons(this);
}

// --- Controls ----------------------------------------------------------------

void frmTargetBoard::buildControls() {
    tabTargetBoard_ = new QTabWidget(this);
    tabTargetBoard_->setObjectName(QStringLiteral("tabTargetBoard"));
    // All four tabs stay in sight: the window is as wide as they need.
    tabTargetBoard_->setUsesScrollButtons(false);
    const auto addPage = [this](QFrame* frame, const char* tab) {
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(frame);
        tabTargetBoard_->addTab(page, QString::fromLatin1(tab));
    };

    auto* faults = new TargetBoardFaultPage;
    addPage(faults, "&Fault Codes / Status");
    auto* ident = new TargetBoardIdentPage;
    addPage(ident, "&Program Ident/Revision");

    // The value rows: the window checks and sends their values; pages 2 and
    // 3 lay them out.
    cmdDefault_ = newButton("-", "cmdDefault", this);
    cmdDefault_->setFixedWidth(cmdDefault_->fontMetrics().horizontalAdvance(QStringLiteral("--")) *
                               2);
    TargetBoardRows rows;
    for (int i = 0; i < kSetupRows; ++i) {
        const SetupRow& row = kSetupRow[i];
        lblSetupDesc_[i] = newLabel(row.caption, nullptr);
        lblSetupDesc_[i]->setObjectName(QStringLiteral("lblSetupDesc%1").arg(i));
        auto* box = new NumericEntry;
        box->setObjectName(QStringLiteral("txtSetup%1").arg(i));
        box->setRange(row.minimum, row.maximum);
        // The title is "Set-up" followed directly by the row's caption.
        box->setMessages(&ctx_.messages, std::string("Set-up") + row.caption);
        box->setDefaultTarget(cmdDefault_);
        box->setAcceptHook([this, i](std::int64_t v) { return acceptRow(i, v); });
        box->setSpinHook([this, i](std::int64_t) { spinRow(i); });
        txtSetup_[i] = box;
        rows.caption[i] = lblSetupDesc_[i];
        rows.entry[i] = box;
    }
    auto* network = new TargetBoardNetworkPage(rows);
    addPage(network, "&Set Network Address");
    auto* clock = new TargetBoardClockPage(rows);
    addPage(clock, "S&et Time && Date");

    // The controls the window drives, from their pages.
    fraTargetBoard_ = {faults, ident, network, clock};
    for (int i = 0; i < 2; ++i) fraDescription_[i] = faults->fraDescription(i);
    for (int i = 2; i < 4; ++i) fraDescription_[i] = ident->fraDescription(i);
    fraDescription_[4] = network->fraDescription();
    for (int i = 0; i < 6; ++i) lblTargetBoard_[i] = faults->lblTargetBoard(i);
    for (int i = 6; i < 14; ++i) lblTargetBoard_[i] = ident->lblTargetBoard(i);
    for (int i : {0, 1, 3, 4, 5}) txtTargetBoard_[i] = faults->txtTargetBoard(i);
    for (int i = 0; i < 3; ++i) lblRevIdentInPLC_[i] = ident->lblRevIdentInPLC(i);
    for (int i = 0; i < 5; ++i) lblRevIdentOnDisk_[i] = ident->lblRevIdentOnDisk(i);
    lblNetworkAddComment_ = network->lblNetworkAddComment();
    cmdResetFaults_ = faults->cmdResetFaults();
    lblTargetBoardTime_ = clock->lblTargetBoardTime();
    lblTargetBoardDate_ = clock->lblTargetBoardDate();
    lblCurrTimeDesc_ = clock->lblCurrTimeDesc();
    lblCurrTime_ = clock->lblCurrTime();
    lblCurrDateDesc_ = clock->lblCurrDateDesc();
    lblCurrDate_ = clock->lblCurrDate();
    for (int i = 0; i < 2; ++i) lblTimeDateNote_[i] = clock->lblTimeDateNote(i);
    cmdSetToCurrTime_ = clock->cmdSetToCurrTime();
    cmdSetToCurrDate_ = clock->cmdSetToCurrDate();

    cmdGoOnline_ = newButton("&Go Online", "cmdGoOnline", this);
    cmdOk_ = newButton("&Ok", "cmdOk", this);
    connect(cmdOk_, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdGoOnline_, &QPushButton::clicked, this, [this] { cmdGoOnline_Click(); });
    connect(cmdResetFaults_, &QPushButton::clicked, this, [this] { cmdResetFaults_Click(); });
    connect(cmdSetToCurrTime_, &QPushButton::clicked, this, [this] { cmdSetToCurrTime_Click(); });
    connect(cmdSetToCurrDate_, &QPushButton::clicked, this, [this] { cmdSetToCurrDate_Click(); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cmdGoOnline_);
    bottom->addStretch(1);
    bottom->addWidget(cmdDefault_);
    bottom->addWidget(cmdOk_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabTargetBoard_);
    layout->addLayout(bottom);
}

bool frmTargetBoard::Editing(int i) const {
    return txtSetup_.at(i)->editing();
}

std::int64_t frmTargetBoard::SavedValue(int i) const {
    return txtSetup_.at(i)->savedValue();
}

// --- Opening and closing -----------------------------------------------------

void frmTargetBoard::InitializeForm(const std::string& tarnixFile) {
    load(tarnixFile);
    // Centred at its final size, before the window manager places it.
    adjustSize();
    CenterForm(this);
    exec();
}

void frmTargetBoard::load(const std::string& tarnixFile) {
    disk_ = ReadProgramOnDisk(tarnixFile);
    for (int i = 0; i < kSetupRows; ++i) SetupAddress[i] = kSetupRow[i].address;
    lblNetworkAddComment_->setText(
        QString::fromLatin1("Each N-00 board connected to the N-00 Network must be "
                            "assigned a unique network address between 1 and 32.\r\n\r\n"
                            "System function sfunc19(); configures the N-90 serial "
                            "communication for the K-900 processor."));
    InitialLayout();

    lblRevIdentOnDisk_[0]->setText(QString::fromStdString(disk_.DiskIdent));
    lblRevIdentOnDisk_[1]->setText(QString::number(disk_.DiskRevision));
    lblRevIdentOnDisk_[2]->setText(QString::number(disk_.DiskChecksum));
    // Without a program file there is no board type to name.
    lblRevIdentOnDisk_[3]->setText(
        disk_.DiskBoardType == 0 ? QStringLiteral("-")
                                 : QString::fromStdString(TargetboardName(disk_.DiskBoardType)));
    lblRevIdentOnDisk_[4]->setText(QString::fromStdString(RevisionDate(disk_.DiskHexFile)));
}

void frmTargetBoard::InitialLayout() {
    cmdGoOnline_->hide();
    lblTargetBoard_[2]->hide();
    lblSetupDesc_[1]->hide();
    txtSetup_[1]->hide();
    for (int i = kFirstClockRow; i < kSetupRows; ++i) {
        lblSetupDesc_[i]->setEnabled(false);
        txtSetup_[i]->setText(QStringLiteral("-"));
        txtSetup_[i]->setEnabled(false);
    }
    setClockControlsEnabled(false);

    const int type = disk_.DiskBoardType;
    if (type == kBoardN22) {
        lblTargetBoard_[2]->show();
    } else if (HasRealTimeClock(type)) {
        for (int i = kFirstClockRow; i < kSetupRows; ++i) {
            lblSetupDesc_[i]->setEnabled(true);
            txtSetup_[i]->setEnabled(true);
        }
        setClockControlsEnabled(true);
        if (type == kBoardJ700) {
            lblSetupDesc_[1]->show();
            txtSetup_[1]->show();
            txtSetup_[1]->setText(QString());
        }
    }
    // Row 0 is the network address of every board but these three.
    const bool row0 = type != kBoardN22 && !HasRealTimeClock(type);
    lblSetupDesc_[0]->setVisible(row0);
    txtSetup_[0]->setVisible(row0);
}

void frmTargetBoard::setClockControlsEnabled(bool on) {
    lblTargetBoardTime_->setEnabled(on);
    lblTargetBoardDate_->setEnabled(on);
    cmdSetToCurrTime_->setEnabled(on);
    cmdSetToCurrDate_->setEnabled(on);
}

void frmTargetBoard::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        activate();
    }
}

void frmTargetBoard::activate() {
    // Once more after the window manager placed it over the frame: on a
    // small screen the frame may reach beyond it.
    QTimer::singleShot(0, this, [this] { CenterForm(this); });
    tabTargetBoard_->setCurrentIndex(0);
    cmdOk_->setFocus(Qt::OtherFocusReason);
    lastSecond_ = -1;
    statusShown_ = false;
    // The window starts online.
    cmdGoOnline_Click();
    monitor_.start();
}

void frmTargetBoard::done(int result) {
    // The pass takes no further step, not even of a pass under way.
    monitor_.stop();
    QDialog::done(result);
}

void frmTargetBoard::cmdOk_Click() {
    accept();
}

void frmTargetBoard::cmdGoOnline_Click() {
    if (ctx_.link.OnlineMode) return;
    ctx_.link.CommError = false;
    ctx_.goOnline();
}

// --- Monitoring --------------------------------------------------------------

void frmTargetBoard::passStarting() {
    showPcClock();
}

void frmTargetBoard::showPcClock() {
    const DateTime now = ctx_.clock.localDateTime();
    if (now.second == lastSecond_) return;
    lastSecond_ = now.second;
    lblCurrTime_->setText(QString::fromStdString(ClockTimeText(now)));
    lblCurrDate_->setText(QString::fromStdString(ClockDateText(now)));
}

void frmTargetBoard::showOnlineLook() {
    // The status page is read again once per link change.
    statusShown_ = false;
    statusReading_ = false;
    ++statusGeneration_;
}

void frmTargetBoard::showOfflineLook() {
    ShowNoCommunication();
}

void frmTargetBoard::ShowNoCommunication() {
    cmdGoOnline_->show();
    cmdResetFaults_->setEnabled(false);
    for (int k : {0, 1, 3, 4, 5})
        txtTargetBoard_[k]->setPlainText(QString::fromLatin1(kNoCommunication));
    // The codes on show were the board's before the link was lost; they are
    // not shown as if the board still said them.
    for (int k = 0; k < kStatusItems; ++k)
        if (kStatusCaption[k]) lblTargetBoard_[k]->setText(QString::fromLatin1(kStatusCaption[k]));
    for (auto* l : lblRevIdentInPLC_) l->setEnabled(false);
    for (int i = 0; i < kSetupRows; ++i) {
        if (lblSetupDesc_[i]->isHidden()) continue;
        // An unfinished entry is dropped before its box is disabled, so
        // that losing the focus has nothing to check.
        if (txtSetup_[i]->editing()) txtSetup_[i]->setText(txtSetup_[i]->savedText());
        lblSetupDesc_[i]->setEnabled(false);
        txtSetup_[i]->setEnabled(false);
    }
    setClockControlsEnabled(false);
    statusShown_ = false;
}

// The controls that work online (the first step of building the status).
void frmTargetBoard::enableOnlineControls() {
    cmdResetFaults_->setEnabled(false);
    for (auto* l : lblRevIdentInPLC_) l->setEnabled(true);
    for (int i = 0; i < kSetupRows; ++i) {
        if (lblSetupDesc_[i]->isHidden()) continue;
        lblSetupDesc_[i]->setEnabled(true);
        txtSetup_[i]->setEnabled(true);
    }
    const bool clock = HasRealTimeClock(disk_.DiskBoardType);
    if (!clock) {
        for (int i = kFirstClockRow; i < kSetupRows; ++i) {
            lblSetupDesc_[i]->setEnabled(false);
            txtSetup_[i]->setEnabled(false);
        }
    }
    setClockControlsEnabled(clock);
}

bool frmTargetBoard::readItem(int index) {
    if (index < kStatusSteps) return statusStep(index);
    return refreshRow(index - kStatusSteps);
}

// ShowBoardStatus, one read per step: the six status items, the CO-CPU
// slot again, the ten bytes of the ident block, and the close.
bool frmTargetBoard::statusStep(int step) {
    if (statusShown_) return true;
    auto& link = ctx_.link;
    if (step == 0) {
        statusReading_ = true;
        statusReadGeneration_ = statusGeneration_;
        code_.fill(-1);
        enableOnlineControls();
    }
    // A reset asked for while the pass was past the start of the status
    // waits for the next pass.
    if (!statusReading_) return true;
    if (step < kStatusItems) {
        if (!readStatusItem(step)) return false;
        if (step == kStatusItems - 1) showDescriptions();
        return true;
    }
    if (step == kStatusItems) {
        if (lblTargetBoard_[2]->isHidden()) return true;
        const std::string reply = InTransaction(link, [&](RSComm::Transaction& t) {
            return t.read(kStatusItemAddress[kCoCpuSlotItem]);
        });
        if (reply.empty() || link.CommError) return false;
        lblTargetBoard_[2]->setText(QStringLiteral("CO-CPU Slot: ") +
                                    QString::fromStdString(reply));
        return true;
    }
    const int i = step - kStatusItems - 1;
    if (i < kIdentBytes) {
        const std::string reply = InTransaction(link, [&](RSComm::Transaction& t) {
            return t.read("B" + std::to_string(kIdentBase + i));
        });
        if (reply.empty() || link.CommError) return false;
        const int value = std::atoi(reply.c_str());
        QLabel* name = lblRevIdentInPLC_[0];
        if (i < 8) {
            // The ident text ends where the bytes after it hold 0.
            const QString ch = value > 31 ? QString(QChar(value)) : QString();
            name->setText(i == 0 ? ch : name->text() + ch);
        } else {
            lblRevIdentInPLC_[i == 8 ? 2 : 1]->setText(QString::fromStdString(reply));
        }
        if (i == 0) identEmpty_ = value == 0;
        // A download that did not complete leaves the first ident byte 0:
        // no program is known to be loaded, whatever the other bytes hold.
        if (i == kIdentBytes - 1 && identEmpty_) {
            lblRevIdentInPLC_[0]->setText(QString::fromUtf8(kNoIdentText));
            lblRevIdentInPLC_[1]->setText(QStringLiteral("-"));
            lblRevIdentInPLC_[2]->setText(QStringLiteral("-"));
        }
        return true;
    }
    statusReading_ = false;
    if (!link.CommError) cmdGoOnline_->hide();
    statusShown_ = statusReadGeneration_ == statusGeneration_;
    return true;
}

bool frmTargetBoard::readStatusItem(int k) {
    auto& link = ctx_.link;
    const std::string reply =
        InTransaction(link, [&](RSComm::Transaction& t) { return t.read(kStatusItemAddress[k]); });
    // A failed read shows no code: the pass ends and the window turns to
    // its look without the board.
    if (reply.empty() || link.CommError) return false;
    const int value = std::atoi(reply.c_str());
    code_[k] = value;
    const QString code = QString::fromStdString(HexByteText(value));
    if (k != kCoCpuSlotItem && value != 0) cmdResetFaults_->setEnabled(true);
    switch (k) {
        case 0:
            lblTargetBoard_[0]->setText("Current Fault: Code = " + code + "H");
            break;
        case 1:
            lblTargetBoard_[1]->setText("Last Fault: Code = " + code + "H");
            break;
        case kCoCpuSlotItem:
            if (!lblTargetBoard_[2]->isHidden())
                lblTargetBoard_[2]->setText("CO-CPU Slot: " + QString::number(value));
            break;
        case 4:
            lblTargetBoard_[4]->setText("Current Comm Error: Code = " + code + "H");
            break;
        case 5:
            lblTargetBoard_[5]->setText("Last Comm Error: Code = " + code + "H");
            break;
        default:
            break;
    }
    return true;
}

void frmTargetBoard::showDescriptions() {
    auto describe = [this](const std::string& file, std::initializer_list<int> items) {
        for (int k : items) {
            const auto text = CodeDescription(file, HexByteText(code_[k]));
            // Without a record the box keeps its text.
            if (text) txtTargetBoard_[k]->setPlainText(QString::fromStdString(*text));
        }
    };
    describe(SupportFile(ctx_.programFolder, "FaultErrCodes.txt"), {0, 1});
    txtTargetBoard_[3]->setPlainText(
        QString::fromStdString(CorrectiveAction(code_[kCorrectiveItem])));
    describe(SupportFile(ctx_.programFolder, "CommErrCodes.txt"), {4, 5});
}

// The rows shown: the network address rows when visible, the clock rows
// when enabled.
bool frmTargetBoard::rowShown(int i) const {
    if (i < kFirstClockRow) return !txtSetup_[i]->isHidden();
    return txtSetup_[i]->isEnabled();
}

// RefreshSetupValues, one row per step. A row that is not shown is not
// read: nothing would show its value.
bool frmTargetBoard::refreshRow(int i) {
    if (!rowShown(i)) return true;
    auto& link = ctx_.link;
    const std::string reply =
        InTransaction(link, [&](RSComm::Transaction& t) { return t.read(SetupAddress[i]); });
    if (reply.empty() || link.CommError) return false;
    if (!Editing(i)) {
        const std::string text = "00" + reply;
        txtSetup_[i]->setText(text.substr(text.size() - 2));
    }
    return true;
}

// --- Commands ----------------------------------------------------------------

// Writes in order in one transaction, stopping at the first write that did
// not land; true when all did. A write the board did not confirm is told
// (a link fault the link has told).
bool frmTargetBoard::writeAll(const std::vector<std::pair<std::string, std::string>>& writes) {
    auto t = ctx_.link.begin();
    if (!t) return false;
    for (const auto& [address, value] : writes) {
        if (ctx_.link.CommError) return false;
        t->write(address, value);
        if (!t->writeFailed()) continue;
        if (t->echoMismatch() && !ctx_.link.CommError)
            ctx_.messages.show(WriteNotConfirmedText(address), kWriteNotConfirmedTitle,
                               MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

void frmTargetBoard::cmdResetFaults_Click() {
    const auto answer = ctx_.messages.show(
        "Target Board will be reinitialized.\r\n\r\nDo you wish to continue?",
        "WARNING - Fault Code Reset!", MsgButtons::YesNoCancel, MsgIcon::Critical);
    if (answer != MsgResult::Yes) return;
    cmdResetFaults_->setEnabled(false);
    if (!ctx_.link.OnlineMode) return;
    std::vector<std::pair<std::string, std::string>> writes;
    for (const char* item : kResetFaultItems) writes.emplace_back(item, "0");
    writeAll(writes);
    if (!ctx_.link.CommError) {
        // The status is read again by the next pass.
        statusShown_ = false;
        ++statusGeneration_;
    }
}

void frmTargetBoard::cmdSetToCurrTime_Click() {
    if (!ctx_.linkUsable()) return;
    // One reading of the PC's clock for all three values, so the board
    // never gets the hour of one second and the minute of the next.
    writeAll(TimeWrites(ctx_.clock.localDateTime()));
}

void frmTargetBoard::cmdSetToCurrDate_Click() {
    if (!ctx_.linkUsable()) return;
    writeAll(DateWrites(ctx_.clock.localDateTime()));
}

bool frmTargetBoard::acceptRow(int i, std::int64_t value) {
    // A value the board did not take goes back out of the box.
    return !ctx_.linkUsable() || writeAll({{SetupAddress[i], std::to_string(value)}});
}

void frmTargetBoard::spinRow(int i) {
    if (ctx_.linkUsable()) writeAll({{SetupAddress[i], txtSetup_[i]->text().toStdString()}});
}

}  // namespace voran
