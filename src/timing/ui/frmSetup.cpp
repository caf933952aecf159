#include "timing/ui/frmSetup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/ItemTable.h"
#include "window/AppContext.h"
#include "widgets/NumericEntry.h"
#include "window/BoardWrite.h"

namespace voran {

namespace {

constexpr const char* kTitle = "Set-up";
constexpr const char* kCalibrateAddress = "B1044.0";

QString stationCaption(int i) {
    if (i < 11) return QStringLiteral("Station %1:").arg(i + 1, 2, 10, QLatin1Char('0'));
    if (i == 11) return QStringLiteral("Flanger:");
    return QStringLiteral("Total Count:");
}

}  // namespace

frmSetup::frmSetup(AppContext& ctx, QWidget* parent)
    : LiveWindow(ctx, parent), entryMessages_(ctx.link, ctx.messages) {
    setWindowTitle(QStringLiteral("Set-Up"));
    buildControls();
}

void frmSetup::buildControls() {
    // Controls are created in tab order: the shift boxes top to bottom, the
    // missing-cans boxes, the check boxes, the buttons.
    for (int i = 0; i < kBoxes; ++i) {
        auto* box = new NumericEntry(this);
        // The same limits as the command line's write applies.
        const items::EntryLimits limits = *items::EntryRange(i);
        box->setRange(limits.minimum, limits.maximum);
        box->setMessages(&entryMessages_, kTitle);
        box->setText(QStringLiteral("-"));
        box->setAcceptHook([this, i](std::int64_t v) { return acceptValue(i, v); });
        box->setSpinHook([this, i](std::int64_t v) { acceptValue(i, v); });
        box->setObjectName(QStringLiteral("txtSetup%1").arg(i));
        txtSetup_[i] = box;
    }
    for (int k = 0; k < kStations; ++k) {
        auto* c = new QCheckBox(QStringLiteral("Transfer Jam Enable"), this);
        c->setObjectName(QStringLiteral("chkSetup%1").arg(k));
        connect(c, &QCheckBox::clicked, this, &frmSetup::chkSetup_Click);
        chkSetup_[k] = c;
    }

    fraSetup_ = new QGroupBox(QStringLiteral("Number of Shifts to Station"), this);
    cmdCalibrate_ = new QPushButton(QStringLiteral("&Calibrate Number of Shifts"), fraSetup_);
    cmdAutoSet_ = new QPushButton(QStringLiteral("&Auto Set Shifts"), fraSetup_);
    cmdCalibrate_->setAutoDefault(false);
    cmdAutoSet_->setAutoDefault(false);
    cmdCalibrate_->setToolTip(
        QStringLiteral("Puts the controller in calibration mode: it resets the calibration "
                       "counts and counts the shifts each can takes to every station "
                       "(asks first)."));
    cmdAutoSet_->setToolTip(
        QStringLiteral("Copies the calibration counts into the Number of Shifts to Station "
                       "(asks first)."));
    connect(cmdCalibrate_, &QPushButton::clicked, this, &frmSetup::cmdCalibrate_Click);
    connect(cmdAutoSet_, &QPushButton::clicked, this, &frmSetup::cmdAutoSet_Click);
    auto* fraLayout = new QHBoxLayout(fraSetup_);
    fraLayout->addWidget(cmdCalibrate_);
    fraLayout->addWidget(cmdAutoSet_);

    // A button that only takes the focus, so that no box keeps it. It is
    // drawn as a button (not flat) so that the operator sees the focus mark
    // when a second Escape or a spin leaves the focus there.
    cmdDefault_ = new QPushButton(QStringLiteral("-"), this);
    cmdDefault_->setObjectName(QStringLiteral("cmdDefault"));
    cmdDefault_->setAutoDefault(false);
    cmdDefault_->setToolTip(
        QStringLiteral("Does nothing: it holds the focus, so that no box "
                       "keeps it after Escape or a spin."));
    cmdDefault_->setFixedWidth(cmdDefault_->fontMetrics().horizontalAdvance(QStringLiteral("--")) *
                               2);
    for (auto* box : txtSetup_) box->setDefaultTarget(cmdDefault_);

    const char* headings[3] = {"Number of Shifts to Station", "Calibration Count",
                               "Number of Missing Cans for Transfer Jam Alarm"};
    for (int h = 0; h < 3; ++h) {
        auto* l = new QLabel(QString::fromLatin1(headings[h]), this);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        lblHeading_[h] = l;
    }
    for (int i = 0; i < 13; ++i) {
        lblSetup_[i] = new QLabel(stationCaption(i), this);
        lblSetup_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* cal = new QLabel(QStringLiteral("0"), this);
        cal->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        // A border drawn as filled edges: the style's frame line falls half
        // outside the label at fractional scales (1.5) and loses its left edge.
        cal->setStyleSheet(QStringLiteral("QLabel { border: 1px solid palette(mid); }"));
        cal->setMinimumWidth(cal->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        lblCalShift_[i] = cal;
    }

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(fontMetrics().horizontalAdvance(QStringLiteral("M")));
    for (int h = 0; h < 3; ++h) grid->addWidget(lblHeading_[h], 0, 1 + h);
    for (int i = 0; i < 13; ++i) {
        const int row = 1 + i;
        grid->addWidget(lblSetup_[i], row, 0);
        grid->addWidget(lblCalShift_[i], row, 2);
        if (i < kStations) {
            grid->addWidget(txtSetup_[i], row, 1, Qt::AlignHCenter);
            grid->addWidget(txtSetup_[12 + i], row, 3, Qt::AlignHCenter);
            grid->addWidget(chkSetup_[i], row, 4);
        }
    }
    // The headings wrap; each column is at least as wide as the longest
    // word of a heading, so that no word is ever cut.
    const int headingWidth = fontMetrics().horizontalAdvance(QStringLiteral("Calibration"));
    for (int c = 1; c <= 3; ++c) grid->setColumnMinimumWidth(c, headingWidth);
    grid->setColumnStretch(5, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(fraSetup_);
    bottom->addStretch(1);
    bottom->addWidget(cmdDefault_, 0, Qt::AlignBottom);

    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addSpacing(fontMetrics().height());
    page->addLayout(bottom);
    page->addStretch(1);
}

bool frmSetup::Editing(int i) const {
    return txtSetup_.at(i)->editing();
}

// --- Opening and closing ---------------------------------------------------

void frmSetup::activate() {
    const auto& address = ctx_.tables.CurrentData.Address;
    for (int i = 0; i < kItems; ++i)
        AddressList[i] = i < static_cast<int>(address.size()) ? address[i] : std::string();
    LastOfflineEditing = ctx_.OfflineEditing;
    LiveWindow::activate();
}

void frmSetup::deactivate() {
    LiveWindow::deactivate();
    LayoutBusy = false;
}

bool frmSetup::commitPendingEntry() {
    for (NumericEntry* box : txtSetup_)
        if (!box->commit()) return false;
    return true;
}

// --- Monitoring ------------------------------------------------------------

void frmSetup::showOnlineLook() {
    ShowOnlineLayout();
}

void frmSetup::showOfflineLook() {
    ShowOfflineLayout();
    ShowOfflineValues();
}

bool frmSetup::offlineLookStale() {
    if (ctx_.OfflineEditing == LastOfflineEditing) return false;
    LastOfflineEditing = ctx_.OfflineEditing;
    return true;
}

std::string frmSetup::itemAddress(int index) const {
    return AddressList.at(index);
}

void frmSetup::passEnded() {
    LayoutBusy = false;
}

void frmSetup::showReply(int index, const std::string& reply) {
    showRefreshed(index, reply);
}

void frmSetup::showRefreshed(int i, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (i < kStations) {
        // A box the operator is working in keeps the operator's text, and
        // its check box waits for the entry: a half-typed value must not
        // switch the station's transfer jam check off.
        if (Editing(i)) return;
        txtSetup_[i]->setText(t);
        // A check box the refresh changes counts as clicked.
        if (shiftRule(i, ReplyToValue(text))) maskChanged(false);
    } else if (i < kBoxes) {
        if (!Editing(i)) txtSetup_[i]->setText(t);
    } else if (i < kMaskItem) {
        lblCalShift_[i - kBoxes]->setText(t);
    } else if (showMask(ReplyToValue(text))) {
        // Counted as one click once all twelve show the controller's mask,
        // so no half-applied mask is ever written.
        maskChanged(false);
    }
}

bool frmSetup::showMask(std::int64_t mask) {
    bool changed = false;
    for (int k = 0; k < kStations; ++k) {
        const bool on = ((mask >> k) & 1) != 0;
        changed |= chkSetup_[k]->isChecked() != on;
        chkSetup_[k]->setChecked(on);
    }
    return changed;
}

// --- Layouts ---------------------------------------------------------------

void frmSetup::ShowOnlineLayout() {
    showLayout(true, true);
}

void frmSetup::ShowOfflineLayout() {
    showLayout(false, ctx_.OfflineEditing);
}

// Both looks start from "-" everywhere and unchecked enables; the
// calibration commands need the controller, the entries need it or offline
// editing.
void frmSetup::showLayout(bool commands, bool entries) {
    // A value the operator typed but has not left is stored first, as
    // leaving the box would (after a link fault: in the working data only),
    // or refused aloud; the new look must not drop it silently.
    commitPendingEntry();
    LayoutBusy = true;
    fraSetup_->setEnabled(commands);
    cmdAutoSet_->setEnabled(commands);
    cmdCalibrate_->setEnabled(commands);
    for (auto* l : lblHeading_) l->setEnabled(entries);
    for (auto* c : chkSetup_) {
        c->setEnabled(entries);
        c->setChecked(false);
    }
    for (auto* l : lblSetup_) l->setEnabled(entries);
    for (auto* l : lblCalShift_) {
        l->setEnabled(entries);
        l->setText(QStringLiteral("-"));
    }
    // The text goes first: a box that loses the focus by being disabled then
    // has nothing unfinished to check.
    for (auto* box : txtSetup_) {
        box->setText(QStringLiteral("-"));
        box->setEnabled(entries);
    }
}

void frmSetup::ShowOfflineValues() {
    const auto& value = ctx_.tables.CurrentData.Value;
    auto item = [&value](int i) -> std::int64_t {
        return i < static_cast<int>(value.size()) ? value[i] : 0;
    };
    for (int i = 0; i < kBoxes; ++i) txtSetup_[i]->setText(QString::number(item(i)));
    for (int i = kBoxes; i < kMaskItem; ++i)
        lblCalShift_[i - kBoxes]->setText(QString::number(item(i)));
    showMask(item(kMaskItem));
}

// --- Operator's entries ----------------------------------------------------

bool frmSetup::acceptValue(int i, std::int64_t value) {
    auto& data = ctx_.tables.CurrentData;
    const bool held = i < static_cast<int>(data.Value.size());
    const std::int32_t before = held ? data.Value[i] : 0;
    if (held) data.Value[i] = static_cast<std::int32_t>(value);
    if (i < kStations && shiftRule(i, value)) maskChanged(true);
    // A value the board did not take is not the set-up's value: the box goes
    // back to what it showed.
    if (ctx_.linkUsable() && !WriteItemChecked(ctx_, AddressList[i], std::to_string(value))) {
        if (held) data.Value[i] = before;
        return false;
    }
    return true;
}

// A station without shifts has no transfer jam check: its box is disabled
// and unchecked; a station that gets shifts again is enabled and checked.
// True when the box's check changed.
bool frmSetup::shiftRule(int i, std::int64_t value) {
    QCheckBox* c = chkSetup_[i];
    const bool wasChecked = c->isChecked();
    if (value >= 1 && !c->isEnabled()) {
        c->setEnabled(true);
        c->setChecked(true);
    } else if (value < 1 && c->isEnabled()) {
        c->setEnabled(false);
        c->setChecked(false);
    }
    return c->isChecked() != wasChecked;
}

void frmSetup::chkSetup_Click() {
    maskChanged(true);
}

// A change of the transfer jam checks: the mask goes to the controller, and
// a change the operator made is kept in the working data in every mode, so
// that an offline change is saved with the rest. While a layout is being
// built the checks do not show the controller's mask yet; nothing is sent.
void frmSetup::maskChanged(bool byOperator) {
    if (LayoutBusy) return;
    std::int32_t mask = 0;
    for (int j = 0; j < kStations; ++j)
        if (chkSetup_[j]->isChecked()) mask |= 1 << j;
    auto& value = ctx_.tables.CurrentData.Value;
    if (byOperator && kMaskItem < static_cast<int>(value.size())) value[kMaskItem] = mask;
    if (ctx_.linkUsable())
        WriteItemChecked(ctx_, items::ItemAddress(items::kJamEnableMask), std::to_string(mask));
}

// --- Calibration -----------------------------------------------------------

void frmSetup::cmdCalibrate_Click() {
    const auto answer =
        ctx_.messages.show("Enter calibration mode (reset counts).\r\n\r\nDo you wish to continue?",
                           "Calibrate Shifts", MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer != MsgResult::Yes) return;
    if (ctx_.linkUsable()) WriteItemChecked(ctx_, kCalibrateAddress, "1");
}

void frmSetup::cmdAutoSet_Click() {
    const auto answer = ctx_.messages.show(
        "Copy station calibrate counts to station shifts.\r\n\r\nDo you wish to continue?",
        "Auto Set Shifts", MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer != MsgResult::Yes) return;
    auto& link = ctx_.link;
    auto& value = ctx_.tables.CurrentData.Value;
    for (int k = 0; k < kStations; ++k) {
        if (link.CommError || !link.OnlineMode) break;
        // A count that could not be read is not copied, and the copy stops
        // at the first count the board did not take.
        const std::optional<std::string> text = ReadItemChecked(ctx_, AddressList[kBoxes + k]);
        if (!text) {
            if (!link.CommError)
                ctx_.messages.show("The calibrate count of station " + std::to_string(k + 1) +
                                       " could not be read.\r\n\r\nShifts are not set from it.",
                                   "Auto Set Shifts", MsgButtons::Ok, MsgIcon::Exclamation);
            break;
        }
        if (!WriteItemChecked(ctx_, AddressList[k], *text)) break;
        // The working data take the count that was just written, so that a
        // later Save keeps what the controller now holds.
        const std::int32_t count = ReplyToValue(*text);
        if (kBoxes + k < static_cast<int>(value.size())) value[kBoxes + k] = count;
        if (k < static_cast<int>(value.size())) value[k] = count;
        txtSetup_[k]->setText(QStringLiteral("-"));
    }
}

}  // namespace voran
