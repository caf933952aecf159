#pragma once

#include <memory>
#include <string>

#include "history/HistorySettings.h"
#include "history/Sampler.h"
#include "link/RecentReadings.h"

namespace voran {

class AppContext;

namespace history {
class HistoryStore;
}

// The desktop program's production history: the sampler of the board on
// the link's port, run from the frame's timer while online. It never runs
// while a modal operation holds the link and never re-enters the link (a
// held link is LinkBusy, tried at the next tick). The history file and the
// interval come from the program folder's settings; the context carries
// them to the Production History window. The recorder keeps the link's
// recent readings, so that a sample asks the board only for what the open
// window and the alarm poll have not just read.
class HistoryRecorder {
public:
    explicit HistoryRecorder(AppContext& ctx);
    ~HistoryRecorder();

    // Takes the settings and the link's port as they are now: the history
    // file and interval in the context; a sampler of another file or
    // interval is given up (the next tick opens the new one).
    void follow();
    // One tick of the frame's timer: while online, one step of a sample
    // that is due or under way (Reading: call again soon).
    history::SampleOutcome tick();
    bool sampling() const { return sampler_ && sampler_->sampling(); }
    // End of Shift was accepted by the board: the next sample marks it.
    void noteEndOfShift();

    const history::HistorySettings& settings() const { return settings_; }
    history::Sampler* sampler() const { return sampler_.get(); }
    const RecentReadings& readings() const { return readings_; }

private:
    bool open();

    AppContext& ctx_;
    history::HistorySettings settings_;
    RecentReadings readings_;
    std::unique_ptr<history::HistoryStore> store_;
    std::unique_ptr<history::Sampler> sampler_;
    // A file that could not be opened is not tried again every tick.
    std::string failedFile_;
    bool endOfShift_ = false;
    history::SampleOutcome lastOutcome_ = history::SampleOutcome::NotDue;
};

}  // namespace voran
