#include "window/MonitorPass.h"

#include <algorithm>
#include <cmath>

#include "window/AppContext.h"

namespace voran {

MonitorPass::MonitorPass(AppContext& ctx, Client& client, QObject* parent)
    : QObject(parent), ctx_(ctx), client_(client) {
    // A child, so that findChildren<QTimer*>() of the window finds it.
    timer_.setParent(this);
    timer_.setObjectName("tmrMonitor");
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

MonitorPass::~MonitorPass() {
    running_ = false;
    index_ = -1;
    timer_.stop();
}

void MonitorPass::setPassInterval(int onlineMs, int offlineMs) {
    onlinePassMs_ = std::max(0, onlineMs);
    offlinePassMs_ = std::max(0, offlineMs);
}

void MonitorPass::setTimerDriven(bool on) {
    timerDriven_ = on;
    if (!on) timer_.stop();
    if (on && running_) schedule(0);
}

void MonitorPass::start() {
    running_ = true;
    index_ = -1;
    onlineShown_ = offlineShown_ = false;
    // The look goes on at once (no link traffic), so the window is never
    // seen empty; the first pass follows from the timer.
    if (ctx_.link.OnlineMode && !ctx_.link.CommError) {
        client_.showOnlineLook();
        onlineShown_ = true;
    } else if (!ctx_.link.OnlineMode) {
        client_.showOfflineLook();
        offlineShown_ = true;
        client_.passEnded();
    }
    if (timerDriven_) schedule(0);
}

void MonitorPass::stop() {
    running_ = false;
    timer_.stop();
    if (index_ >= 0) endPass();
}

bool MonitorPass::canStep() const {
    // The link carries one transaction at a time: a step that finds it held
    // leaves it alone.
    return running_ && !ctx_.link.busy() && !ctx_.monitoringPaused();
}

bool MonitorPass::step() {
    if (!canStep()) return false;
    if (index_ < 0) {
        head();
        return true;
    }
    if (!ctx_.link.OnlineMode || index_ >= client_.itemCount()) {
        endPass();
        return true;
    }
    const int i = index_;
    const bool goOn = client_.readItem(i);
    // The window may have gone while the read waited (a box's event loop).
    if (!running_ || index_ < 0) return true;
    if (!goOn || ctx_.link.CommError || !ctx_.link.OnlineMode || ++index_ >= client_.itemCount())
        endPass();
    return true;
}

bool MonitorPass::runPass() {
    if (!step()) return false;
    while (index_ >= 0 && canStep()) step();
    return true;
}

void MonitorPass::head() {
    passStartedAt_ = ctx_.clock.now();
    if (ctx_.goOfflineAfterFault()) onlineShown_ = false;
    client_.passStarting();
    if (ctx_.link.OnlineMode) {
        if (!onlineShown_) client_.showOnlineLook();
        onlineShown_ = true;
        offlineShown_ = false;
        index_ = 0;
        if (client_.itemCount() == 0) endPass();
        return;
    }
    auto& tables = ctx_.tables;
    if (tables.TablesReplaced) {
        tables.TablesReplaced = false;
        offlineShown_ = false;
    }
    if (client_.offlineLookStale()) offlineShown_ = false;
    if (!offlineShown_) client_.showOfflineLook();
    offlineShown_ = true;
    onlineShown_ = false;
    // Offline a pass is its head alone.
    client_.passEnded();
}

void MonitorPass::endPass() {
    index_ = -1;
    client_.passEnded();
}

void MonitorPass::schedule(int ms) {
    if (running_ && timerDriven_) timer_.start(ms);
}

void MonitorPass::tick() {
    if (!running_ || !timerDriven_) return;
    const double startedAt = ctx_.clock.now();
    if (!step()) {
        schedule(kRetryMs);
        return;
    }
    // After a slow item (a lossy line: seconds of waiting whose event turns
    // held the operator's keys and clicks back) the next step is not due at
    // 0 ms: a zero-time timer fires again before the loop hands that input
    // out, and it would wait for the whole pass. A millisecond lets the loop
    // deliver it first.
    const int least = ctx_.clock.now() - startedAt > kSlowItem ? kItemGapMs : 0;
    if (index_ >= 0) {
        // The items of a pass follow one another once pending events ran.
        schedule(least);
        return;
    }
    // Between passes: a pass that already took longer than the pause
    // starts the next one at once.
    const int period = ctx_.link.OnlineMode ? onlinePassMs_ : offlinePassMs_;
    const double elapsedMs = (ctx_.clock.now() - passStartedAt_) * 1000.0;
    schedule(std::max(least, period - static_cast<int>(std::lround(elapsedMs))));
}

}  // namespace voran
