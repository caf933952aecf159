#pragma once

#include <QObject>

#include "platform/Clock.h"
#include "platform/EventTurn.h"

namespace voran {

// An event turn of the Qt event loop, for the link's long waits. Timers,
// repaints and posted events run; the operator's input waits for the end of
// the exchange (Qt keeps it queued), except in a window that asks for it
// (see TakesInputDuringWaits): a progress window whose only control asks the
// running operation to stop, and which, being modal, keeps input away from
// every other window.
class QtEventTurn : public QObject, public IEventTurn {
    Q_OBJECT
public:
    // The name of the window property that lets input run during turns.
    static constexpr const char* kInputProperty = "takesInputDuringWaits";

    explicit QtEventTurn(IClock& clock, QObject* parent = nullptr);

    void turn() override;
    double lastTurn() const override { return last_; }

private:
    IClock& clock_;
    double last_ = 0;
    bool inTurn_ = false;
};

}  // namespace voran
