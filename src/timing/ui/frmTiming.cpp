#include "timing/ui/frmTiming.h"

#include <algorithm>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "link/RSComm.h"
#include "timing/PlsCommands.h"
#include "timing/PlsConfigRead.h"
#include "timing/ui/TimingDiagram.h"
#include "widgets/NumericEntry.h"
#include "window/AppContext.h"

namespace voran {

// --- Opening and closing ---------------------------------------------------

void frmTiming::activate() {
    tbsTiming_->setCurrentIndex(0);
    LastOfflineEditing = ctx_.OfflineEditing;
    LiveWindow::activate();
}

void frmTiming::deactivate() {
    LiveWindow::deactivate();
    plan_.clear();
    grid_->stopRecallAll();
}

bool frmTiming::commitPendingEntry() {
    // The box being worked in is left as the operator would leave it; its
    // check decides, with its one message when it refuses.
    if (NumericEntry* box = grid_->boxBeingEdited()) {
        cmdDefault_->setFocus(Qt::OtherFocusReason);
        return !box->lineEdit()->hasFocus();
    }
    for (NumericEntry* box : txtTmg_)
        if (box->editing()) {
            cmdDefault_->setFocus(Qt::OtherFocusReason);
            return !box->lineEdit()->hasFocus();
        }
    return true;
}

bool frmTiming::linkHeld() const {
    return ctx_.link.busy();
}

// --- Monitoring pass -------------------------------------------------------

void frmTiming::passStarting() {
    planPass();
}

// An online pass: what the online look left to do (the configuration, the
// recall of all channels), then the four live panels.
void frmTiming::planPass() {
    plan_.clear();
    if (configPending_) plan_.push_back(Step::Config);
    if (recallPending_ || grid_->recallAllUnderWay())
        plan_.insert(plan_.end(), 2 * kChannels, Step::Recall);
    for (Step s : {Step::Speed, Step::SpeedAgain, Step::Position, Step::Offset, Step::Scale})
        plan_.push_back(s);
}

void frmTiming::showOnlineLook() {
    ShowOnlineLayout();
    cmdDefault_->setFocus(Qt::OtherFocusReason);
    planPass();
}

void frmTiming::showOfflineLook() {
    ShowOfflineLayout();
    cmdDefault_->setFocus(Qt::OtherFocusReason);
}

bool frmTiming::offlineLookStale() {
    if (ctx_.OfflineEditing == LastOfflineEditing) return false;
    LastOfflineEditing = ctx_.OfflineEditing;
    return true;
}

bool frmTiming::readItem(int index) {
    if (index < 0 || index >= static_cast<int>(plan_.size())) return true;
    Step step = plan_[index];
    if (step == Step::Config) {
        configPending_ = false;
        return ShowPLSConfig();
    }
    if (step == Step::Recall) {
        if (recallPending_) startRecallAll();
        return grid_->recallAllStep();
    }
    // A timing-channel download finished: the grid shows what the PLS now
    // holds before the panels go on. Position is one step with its speed.
    if (step != Step::Position && ctx_.tables.PLSConfigChanged) {
        ctx_.tables.PLSConfigChanged = false;
        startRecallAll();
        plan_.insert(plan_.begin() + index, 2 * kChannels, Step::Recall);
        return grid_->recallAllStep();
    }
    return refreshStep(step);
}

bool frmTiming::refreshStep(Step step) {
    RSComm& link = ctx_.link;
    auto show = [this](int k, const std::string& text) {
        panels_[k]->setText(QString::fromLatin1(kPanelCaption[k]) + QString::fromStdString(text));
    };
    // A failed read is no value: its panel says so and nothing follows
    // from it.
    auto read = [&link](std::optional<int> (*op)(RSComm::Transaction&)) -> std::optional<int> {
        const std::optional<int> value = InTransaction(link, op);
        if (link.CommError) return std::nullopt;
        return value;
    };
    switch (step) {
        case Step::Speed: {
            const auto rpm = read(&pls::PLSRpm);
            if (link.CommError) return false;
            if (!rpm) {
                show(0, "---");
                return true;
            }
            show(0, std::to_string(*rpm));
            MachineStopped = *rpm == 0;
            JustStopped = MachineStopped && !WasStopped;
            JustStarted = WasStopped && !MachineStopped;
            WasStopped = MachineStopped;
            // The resolver offset can be set only while the machine stands.
            if (JustStopped) setOffsetControlsEnabled(true);
            if (JustStarted) setOffsetControlsEnabled(false);
            return true;
        }
        case Step::SpeedAgain:
            positionRpm_ = read(&pls::PLSRpm);
            if (link.CommError) return false;
            if (!positionRpm_) {
                show(1, "---");
                diagram_->setPosition(std::nullopt);
            } else if (*positionRpm_ > kPositionRpmLimit) {
                show(1, "888");
                diagram_->setPosition(std::nullopt);
            }
            return true;
        case Step::Position: {
            if (!positionRpm_ || *positionRpm_ > kPositionRpmLimit) return true;
            const auto pos = read(&pls::PLSPos);
            if (link.CommError) return false;
            show(1, pos ? std::to_string(*pos) : "---");
            diagram_->setPosition(pos);
            return true;
        }
        case Step::Offset: {
            const auto offset = read(&pls::PLSOffset);
            if (link.CommError) return false;
            show(2, offset ? std::to_string(*offset) : "---");
            return true;
        }
        case Step::Scale:
            return scaleRead();
        default:
            return true;
    }
}

bool frmTiming::scaleRead() {
    RSComm& link = ctx_.link;
    const std::optional<int> scale = InTransaction(link, &pls::PLSScaleFactor);
    if (link.CommError) return false;
    panels_[3]->setText(QString::fromLatin1(kPanelCaption[3]) +
                        (scale ? QString::number(*scale) : QStringLiteral("---")));
    if (scale) diagram_->setScale(*scale);
    return true;
}

// --- Layouts ---------------------------------------------------------------

void frmTiming::ShowOnlineLayout() {
    MachineStopped = WasStopped = JustStopped = JustStarted = false;
    sbrMachineTiming_->setEnabled(true);
    for (int k : {0, 2, 3, 4}) fraTmg_[k]->setEnabled(true);
    grid_->showOnlineLook();
    for (int i = 0; i < 10; ++i) {
        lblCfgDescription_[i]->setEnabled(true);
        lblPLSCfg_[i]->setEnabled(true);
    }
    txtTmg_[1]->setEnabled(true);
    cmdRecallChan_->setEnabled(true);
    cmdClearChan_->setEnabled(true);
    cmdResetPLSConfig_->setEnabled(true);
    // The offset becomes settable once the machine is seen standing.
    setOffsetControlsEnabled(false);
    positionRpm_.reset();
    diagram_->setScale(std::nullopt);
    diagram_->setPosition(std::nullopt);
    grid_->showAllInDiagram();
    // The configuration and the channels come from the PLS in the passes.
    configPending_ = true;
    recallPending_ = true;
}

void frmTiming::ShowOfflineLayout() {
    const SetupData& data = ctx_.tables.CurrentData;
    const bool e = ctx_.OfflineEditing;
    MachineStopped = WasStopped = JustStopped = JustStarted = false;
    configPending_ = recallPending_ = false;
    plan_.clear();
    sbrMachineTiming_->setEnabled(false);
    panels_[0]->setText(QStringLiteral("RPM: -"));
    panels_[1]->setText(QStringLiteral("Position: -"));
    panels_[2]->setText(QStringLiteral("Offset: %1").arg(data.ResolverOffset));
    panels_[3]->setText(QStringLiteral("Scale: %1").arg(data.ScaleFactor));

    for (QGroupBox* f : fraTmg_) f->setEnabled(false);
    fraTmg_[0]->setEnabled(e);
    fraTmg_[2]->setEnabled(e);
    grid_->showSetpoints(data, e);

    for (int i = 0; i < 10; ++i) {
        lblCfgDescription_[i]->setEnabled(false);
        lblPLSCfg_[i]->setEnabled(false);
    }
    cmdResetPLSConfig_->setEnabled(false);
    lblPLSCfg_[0]->setText(QString::number(data.ChannelCount));
    lblPLSCfg_[1]->setText(QString::number(data.PLSProgram));
    for (int k = 0; k < kChannels; ++k)
        lblPLSCfg_[2 + k]->setText(QString::number(data.SpeedComp[k]));

    cmdSetOffset_->setEnabled(false);
    txtTmg_[0]->setEnabled(false);
    cmdRecallChan_->setEnabled(false);
    cmdClearChan_->setEnabled(e);
    txtTmg_[1]->setEnabled(e);

    diagram_->setScale(data.ScaleFactor > 0 ? std::optional<int>(data.ScaleFactor) : std::nullopt);
    diagram_->setPosition(std::nullopt);
    grid_->showAllInDiagram();
}

void frmTiming::setOffsetControlsEnabled(bool on) {
    fraTmg_[1]->setEnabled(on);
    txtTmg_[0]->setEnabled(on);
    cmdSetOffset_->setEnabled(on);
}

bool frmTiming::ShowPLSConfig() {
    if (!ctx_.link.OnlineMode) return true;
    const auto cfg = ReadPLSConfig(ctx_.link);
    if (ctx_.link.CommError) return false;
    for (int i = 0; i < 10; ++i)
        lblPLSCfg_[i]->setText(cfg ? QString::number((*cfg)[i]) : QStringLiteral("---"));
    return true;
}

// --- PLS configuration -----------------------------------------------------

void frmTiming::cmdResetPLSConfig_Click() {
    if (linkHeld()) return;
    const SetupData& data = ctx_.tables.CurrentData;
    // The download layout of the configuration blocks.
    std::array<int, 24> cfg{};
    cfg[0] = data.PLSProgram;
    for (int k = 0; k < 4; ++k) cfg[1 + k] = data.SpeedComp[k];
    for (int k = 4; k < 8; ++k) cfg[2 + k] = data.SpeedComp[k];
    cfg[18] = data.ChannelCount;
    if (!ctx_.link.OnlineMode) return;
    AppContext::ModalOperation command(ctx_);
    for (;;) {
        const bool ok = InTransaction(ctx_.link, [&](RSComm::Transaction& t) {
            return pls::PLSConfigDownload(t, cfg, data.ScaleFactor);
        });
        if (ctx_.link.CommError) return;
        if (ok) {
            ShowPLSConfig();
            return;
        }
        const auto answer = ctx_.messages.show("Unable to Reset PLS Configuration Parameters",
                                               "PLS Config Download", MsgButtons::RetryCancel,
                                               MsgIcon::Exclamation);
        if (answer == MsgResult::Retry) continue;
        for (QLabel* l : lblPLSCfg_) l->setText(QStringLiteral("---"));
        return;
    }
}

// --- Resolver offset -------------------------------------------------------

void frmTiming::cmdSetOffset_Click() {
    if (linkHeld()) return;
    const int pos = static_cast<int>(LeadingWholeNumber(txtTmg_[0]->text()));
    txtTmg_[0]->setText(QString::number(pos));
    if (!ctx_.link.OnlineMode) return;
    AppContext::ModalOperation command(ctx_);
    const auto answer = ctx_.messages.show(
        "You are about to Change the Resolver Offset.\r\n\r\nDo you wish to continue?",
        "Set Offset", MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer != MsgResult::Yes) {
        txtTmg_[0]->setText(QStringLiteral("0"));
        return;
    }
    RSComm& link = ctx_.link;
    const bool ok =
        InTransaction(link, [&](RSComm::Transaction& t) { return pls::SetPLSOffset(t, pos); });
    if (link.CommError) return;
    if (!ok) {
        ctx_.messages.show("Unable to Successfully Set the Resolver Offset", kOffsetTitle,
                           MsgButtons::Ok, MsgIcon::Critical);
        txtTmg_[0]->setText(QStringLiteral("0"));
        return;
    }
    // The working data keep the offset the PLS now holds (the offset that
    // makes the present position read `pos`, not `pos` itself); when it
    // cannot be read back they keep what they had.
    const std::optional<int> offset = InTransaction(link, &pls::PLSOffset);
    if (!link.CommError && offset) {
        ctx_.tables.CurrentData.ResolverOffset = static_cast<std::int16_t>(*offset);
        panels_[2]->setText(QString::fromLatin1(kPanelCaption[2]) + QString::number(*offset));
    }
}

// --- Channel commands --------------------------------------------------------

void frmTiming::startRecallAll() {
    recallPending_ = false;
    grid_->startRecallAll();
}

void frmTiming::cmdRecallChan_Click() {
    if (linkHeld()) return;
    const int ch = channelBoxValue();
    AppContext::ModalOperation command(ctx_);
    grid_->RecallChannelSetpoints(ch, false);
}

void frmTiming::cmdClearChan_Click() {
    if (linkHeld()) return;
    AppContext::ModalOperation command(ctx_);
    grid_->ClearChannel([this] { return channelBoxValue(); });
}

// The channel box's value as a whole number, written back into the box.
int frmTiming::channelBoxValue() {
    const int ch = static_cast<int>(
        std::clamp<std::int64_t>(LeadingWholeNumber(txtTmg_[1]->text()), 0, kChannels - 1));
    txtTmg_[1]->setText(QString::number(ch));
    return ch;
}

}  // namespace voran
