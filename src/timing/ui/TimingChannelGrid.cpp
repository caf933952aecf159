#include "timing/ui/TimingChannelGrid.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/SetupData.h"
#include "link/RSComm.h"
#include "timing/PlsCommands.h"
#include "timing/ui/TimingDiagram.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"

namespace voran {

namespace {

const QString kNoSetpoint = QStringLiteral("****");
const QString kFailed = QStringLiteral("---");
const QString kNotRead = QStringLiteral("-");

}  // namespace

TimingChannelGrid::TimingChannelGrid(AppContext& ctx, TimingDiagram& diagram,
                                     QPushButton& defaultButton, QWidget* parent)
    : QGroupBox(QStringLiteral("Timing Channels"), parent),
      ctx_(ctx),
      diagram_(diagram),
      cmdDefault_(defaultButton) {
    buildControls();
}

void TimingChannelGrid::buildControls() {
    // Created in tab order: the ON boxes top to bottom, then the OFF boxes.
    for (int i = 0; i < kGridBoxes; ++i) {
        if (i >= kChannels && i < kOffBase) continue;
        auto* box = new NumericEntry(this);
        box->setObjectName(QStringLiteral("txtChannel%1").arg(i));
        box->setRange(0, 359);
        box->setMessages(&ctx_.messages, "Set-up");
        box->setDefaultTarget(&cmdDefault_);
        box->setText(QStringLiteral("-"));
        box->setAcceptHook([this, i](std::int64_t v) { return txtChannel_Validate(i, v); });
        box->setSpinHook([this, i](std::int64_t v) { updChannel_Change(i, v); });
        txtChannel_[i] = box;
    }
    const char* rows[2] = {"Transfer Timing (CH0&0):", "PC Clock Timing (CH0&1):"};
    for (int ch = 0; ch < kChannels; ++ch) {
        const QString caption =
            ch < 2 ? QString::fromLatin1(rows[ch]) : QStringLiteral("Spare (CH0&%1):").arg(ch);
        auto* l = new QLabel(caption, this);
        l->setBuddy(txtChannel_[ch]);
        lblChannel_[ch] = l;
    }
    lblChannel_[8] = new QLabel(QStringLiteral("ON"), this);
    lblChannel_[9] = new QLabel(QStringLiteral("OFF"), this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(lblChannel_[8], 0, 1, Qt::AlignHCenter);
    grid->addWidget(lblChannel_[9], 0, 2, Qt::AlignHCenter);
    for (int ch = 0; ch < kChannels; ++ch) {
        grid->addWidget(lblChannel_[ch], 1 + ch, 0, Qt::AlignRight);
        grid->addWidget(txtChannel_[ch], 1 + ch, 1);
        grid->addWidget(txtChannel_[kOffBase + ch], 1 + ch, 2);
    }
    grid->setRowStretch(1 + kChannels, 1);
}

NumericEntry* TimingChannelGrid::boxBeingEdited() const {
    for (NumericEntry* box : txtChannel_)
        if (box && box->editing()) return box;
    return nullptr;
}

void TimingChannelGrid::showOnlineLook() {
    for (QLabel* l : lblChannel_) l->setEnabled(true);
    // The text goes first: a box that loses the focus by being disabled then
    // has nothing unfinished to check.
    for (NumericEntry* box : txtChannel_) {
        if (!box) continue;
        box->setText(QStringLiteral("-"));
        box->setEnabled(true);
    }
    recallChannel_ = kChannels;
}

void TimingChannelGrid::showSetpoints(const SetupData& data, bool editable) {
    recallChannel_ = kChannels;
    for (QLabel* l : lblChannel_) l->setEnabled(editable);
    for (int ch = 0; ch < kChannels; ++ch) {
        txtChannel_[ch]->setText(QString::number(data.Setpoint[ch][0]));
        txtChannel_[kOffBase + ch]->setText(QString::number(data.Setpoint[ch][1]));
    }
    for (NumericEntry* box : txtChannel_)
        if (box) box->setEnabled(editable);
}

// --- Channel recall --------------------------------------------------------

std::optional<pls::Recall> TimingChannelGrid::RecallOneSetpoint(int ch) {
    RSComm& link = ctx_.link;
    if (!link.OnlineMode) return std::nullopt;
    auto t = link.begin();
    if (!t) return std::nullopt;
    return pls::RecallChannel(*t, ch);
}

// One recall of channel ch into its boxes: the PLS answers one setpoint a
// recall and says whether it is the ON or the OFF setpoint.
TimingChannelGrid::Recalled TimingChannelGrid::recallSetpointInto(int ch, bool store) {
    const std::optional<pls::Recall> recall = RecallOneSetpoint(ch);
    if (!recall) {
        if (ctx_.link.CommError) return Recalled::Fault;
        ctx_.messages.show("Unable to Recall Channel ch" + std::to_string(ch), "Channel Recall",
                           MsgButtons::Ok, MsgIcon::Information);
        showChannelMark(ch, kFailed);
        return Recalled::ChannelDone;
    }
    auto& setpoint = ctx_.tables.CurrentData.Setpoint[ch];
    if (recall->state == 1 || recall->state == 0) {
        const int which = recall->state == 1 ? 0 : 1;
        txtChannel_[ch + which * kOffBase]->setText(QString::number(recall->position));
        if (store) setpoint[which] = static_cast<std::int16_t>(recall->position);
        showInDiagram(ch);
        return Recalled::More;
    }
    // The channel holds no setpoint.
    showChannelMark(ch, kNoSetpoint);
    if (store) setpoint = {0, 0};
    return Recalled::ChannelDone;
}

void TimingChannelGrid::RecallChannelSetpoints(int ch, bool store) {
    for (int n = 0; n < 2; ++n)
        if (recallSetpointInto(ch, store) != Recalled::More) return;
}

void TimingChannelGrid::startRecallAll() {
    recallChannel_ = 0;
    recallsOfChannel_ = 0;
    cmdDefault_.setFocus(Qt::OtherFocusReason);
}

// One recall of the recall of all channels, as a step of the pass; false on
// a link fault, which ends the recall.
bool TimingChannelGrid::recallAllStep() {
    if (!recallAllUnderWay()) return true;
    const Recalled r = recallSetpointInto(recallChannel_, false);
    if (r == Recalled::Fault) {
        recallChannel_ = kChannels;
        return false;
    }
    if (r == Recalled::ChannelDone || ++recallsOfChannel_ == 2) {
        ++recallChannel_;
        recallsOfChannel_ = 0;
    }
    return true;
}

// --- Setpoint entry ----------------------------------------------------------

// A typed setpoint that passed the range check (the box shows it as a whole
// number). False refuses it: the box gets its saved value back.
bool TimingChannelGrid::txtChannel_Validate(int i, std::int64_t value) {
    NumericEntry* box = txtChannel_[i];
    if (box->text() == box->savedText()) return true;
    const int ch = i % kOffBase;
    const auto on = LeadingWholeNumber(txtChannel_[ch]->text());
    const auto off = LeadingWholeNumber(txtChannel_[ch + kOffBase]->text());
    if (on == off) {
        ctx_.messages.show("ON Setpoint cannot Equal OFF Setpoint", "Set-up", MsgButtons::Ok,
                           MsgIcon::Information);
        return false;
    }
    storeSetpoint(ch, i < kOffBase ? 0 : 1, value);
    if (ctx_.link.OnlineMode) {
        AppContext::ModalOperation command(ctx_);
        if (!programChannel(ch) && !ctx_.link.CommError)
            ctx_.messages.show("Unable to Successfully Program Setpoint for Channel CH0" +
                                   std::to_string(ch) + ".",
                               "Channel Setpoint", MsgButtons::Ok, MsgIcon::Critical);
    } else {
        showInDiagram(ch);
    }
    return true;
}

// A spun setpoint: the spinner has put the value into the box and given the
// focus to cmdDefault. No equality test on this path.
void TimingChannelGrid::updChannel_Change(int i, std::int64_t value) {
    const int ch = i % kOffBase;
    storeSetpoint(ch, i < kOffBase ? 0 : 1, value);
    if (ctx_.link.OnlineMode) {
        AppContext::ModalOperation command(ctx_);
        if (!programChannel(ch) && !ctx_.link.CommError)
            ctx_.messages.show(
                "Unable to Successfully Program Setpoint for Channel CH" + std::to_string(ch) + ".",
                "Channel Setpoint", MsgButtons::Ok, MsgIcon::Critical);
    } else {
        showInDiagram(ch);
    }
}

void TimingChannelGrid::storeSetpoint(int ch, int which, std::int64_t value) {
    ctx_.tables.CurrentData.Setpoint[ch][which] = static_cast<std::int16_t>(value);
}

// Clears channel ch and programs it with what its two boxes hold. A box
// that shows a mark counts as 0.
bool TimingChannelGrid::programChannel(int ch) {
    const int on = static_cast<int>(LeadingWholeNumber(txtChannel_[ch]->text()));
    const int off = static_cast<int>(LeadingWholeNumber(txtChannel_[ch + kOffBase]->text()));
    // A link held by another transaction (a box of the link still open)
    // programs nothing: SingleSetpoint fails at once without a fault, and
    // the operator is told the setpoint did not go.
    const bool ok = InTransaction(ctx_.link, [&](RSComm::Transaction& t) {
        return pls::SingleSetpoint(t, ch, on, off, true);
    });
    if (ok) {
        // The PLS now holds both values: a box that showed a mark shows the
        // 0 that was programmed for it, and the working data keep it.
        settlePartner(ch, ch);
        settlePartner(ch, ch + kOffBase);
        showInDiagram(ch);
    } else {
        // Cleared, unchanged or half done: what the PLS holds is not known.
        diagram_.setChannel(ch, {TimingDiagram::Mark::Unknown, 0, 0});
    }
    return ok;
}

void TimingChannelGrid::settlePartner(int ch, int i) {
    NumericEntry* box = txtChannel_[i];
    if (EntryNumber(box->text())) return;
    box->setText(QStringLiteral("0"));
    storeSetpoint(ch, i < kOffBase ? 0 : 1, 0);
}

// --- Clear Channel -------------------------------------------------------------

void TimingChannelGrid::ClearChannel(const std::function<int()>& channel) {
    for (;;) {
        const int ch = channel();
        const auto answer =
            ctx_.messages.show("You are about to Clear Channel CH0" + std::to_string(ch) +
                                   ".\r\n\r\nDo you wish to continue?",
                               "Clear Channel", MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer != MsgResult::Yes) return;
        if (ctx_.link.OnlineMode) {
            const bool ok = InTransaction(
                ctx_.link, [&](RSComm::Transaction& t) { return pls::ClearPLSChan(t, ch); });
            if (ctx_.link.CommError) return;
            if (ok) {
                // The boxes and the working data follow what the PLS holds now.
                RecallChannelSetpoints(ch, true);
                return;
            }
            const auto again = ctx_.messages.show("Unable to Clear Channel", "Clear Channel",
                                                  MsgButtons::RetryCancel, MsgIcon::Exclamation);
            if (again == MsgResult::Retry) continue;
            showChannelMark(ch, kFailed);
            return;
        }
        if (ctx_.OfflineEditing) {
            showChannelMark(ch, kNoSetpoint);
            ctx_.tables.CurrentData.Setpoint[ch] = {0, 0};
        }
        return;
    }
}

// --- Marks and the diagram ---------------------------------------------------

void TimingChannelGrid::showChannelMark(int ch, const QString& mark) {
    txtChannel_[ch]->setText(mark);
    txtChannel_[ch + kOffBase]->setText(mark);
    showInDiagram(ch);
}

void TimingChannelGrid::showInDiagram(int ch) {
    const QString on = txtChannel_[ch]->text();
    const QString off = txtChannel_[ch + kOffBase]->text();
    using Mark = TimingDiagram::Mark;
    if (on == kNoSetpoint || off == kNoSetpoint) {
        diagram_.setChannel(ch, {Mark::Empty, 0, 0});
        return;
    }
    const auto onValue = EntryNumber(on);
    const auto offValue = EntryNumber(off);
    if (onValue && offValue) {
        diagram_.setChannel(ch, {Mark::Programmed, static_cast<int>(RoundHalfEven(*onValue)),
                                 static_cast<int>(RoundHalfEven(*offValue))});
        return;
    }
    const bool pending = on == kNotRead || off == kNotRead;
    diagram_.setChannel(ch, {pending ? Mark::Pending : Mark::Unknown, 0, 0});
}

void TimingChannelGrid::showAllInDiagram() {
    for (int ch = 0; ch < kChannels; ++ch) showInDiagram(ch);
}

}  // namespace voran
