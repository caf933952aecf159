#include "shell/HistoryRecorder.h"

#include "history/HistoryStore.h"
#include "platform/Logging.h"
#include "window/AppContext.h"

namespace voran {

using history::SampleOutcome;

HistoryRecorder::HistoryRecorder(AppContext& ctx) : ctx_(ctx) {
    ctx_.link.setReadingListener(&readings_);
    follow();
}

HistoryRecorder::~HistoryRecorder() {
    if (ctx_.link.readingListener() == &readings_) ctx_.link.setReadingListener(nullptr);
}

void HistoryRecorder::follow() {
    settings_ = history::LoadHistorySettings(ctx_.programFolder);
    const std::string file = history::HistoryFileFor(
        ctx_.programFolder, settings_, "COM" + std::to_string(ctx_.link.settings().port));
    const bool changed = file != ctx_.historyFile || settings_.interval != ctx_.historyInterval;
    ctx_.historyFile = file;
    ctx_.historyInterval = settings_.interval;
    if (changed) {
        sampler_.reset();
        store_.reset();
        failedFile_.clear();
    }
}

bool HistoryRecorder::open() {
    if (sampler_) return true;
    if (failedFile_ == ctx_.historyFile) return false;
    std::string error;
    store_ = history::HistoryStore::OpenFile(ctx_.historyFile, &error);
    if (!store_) {
        failedFile_ = ctx_.historyFile;
        qCWarning(lcShell) << "production history not recorded:" << error.c_str();
        return false;
    }
    sampler_ = std::make_unique<history::Sampler>(ctx_.link, *store_, ctx_.clock,
                                                  ctx_.historyInterval, &readings_);
    if (endOfShift_) sampler_->noteEndOfShift();
    endOfShift_ = false;
    return true;
}

SampleOutcome HistoryRecorder::tick() {
    // Offline, while a modal operation owns the link, or while a fault
    // stands: nothing is sent; the sampler tries again at the next tick.
    if (!ctx_.link.OnlineMode || ctx_.link.CommError || ctx_.monitoringPaused())
        return SampleOutcome::LinkBusy;
    if (!open()) return SampleOutcome::StoreFailed;
    // One item a tick, so the operator's input is never held back for a
    // whole sample (a lossy line can stretch one to many seconds).
    const SampleOutcome outcome = sampler_->step();
    if (outcome != lastOutcome_ &&
        (outcome == SampleOutcome::StoreFailed || outcome == SampleOutcome::ReadFailed))
        qCWarning(lcShell) << "production history sample not stored:"
                           << sampler_->lastError().c_str();
    if (outcome != SampleOutcome::NotDue && outcome != SampleOutcome::Reading)
        lastOutcome_ = outcome;
    if (outcome == SampleOutcome::Stored) ++ctx_.historySamplesStored;
    return outcome;
}

void HistoryRecorder::noteEndOfShift() {
    if (sampler_)
        sampler_->noteEndOfShift();
    else
        endOfShift_ = true;
}

}  // namespace voran
