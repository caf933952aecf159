#pragma once

namespace voran {

// A sign for the operator that the program is waiting and not hung (the
// wait cursor). Calls come in pairs: busy(true) then busy(false).
class IBusyIndicator {
public:
    virtual ~IBusyIndicator() = default;
    virtual void busy(bool on) = 0;
    // The board let an answer's time run out (true) and answered again or
    // the port closed (false), so the values on screen are not live ones.
    virtual void boardSilent(bool on) { (void)on; }
};

}  // namespace voran
