#pragma once

#include <functional>

#include "platform/BusyIndicator.h"

namespace voran {

// The wait cursor over all of the program's windows; a silent board is
// told to whoever shows it (the frame's status bar).
class QtBusyIndicator : public IBusyIndicator {
public:
    void busy(bool on) override;
    void boardSilent(bool on) override {
        if (onBoardSilent) onBoardSilent(on);
    }
    std::function<void(bool on)> onBoardSilent;
};

}  // namespace voran
