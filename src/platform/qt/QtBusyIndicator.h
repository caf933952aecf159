#pragma once

#include "platform/BusyIndicator.h"

namespace voran {

// The wait cursor over all of the program's windows.
class QtBusyIndicator : public IBusyIndicator {
public:
    void busy(bool on) override;
};

}  // namespace voran
