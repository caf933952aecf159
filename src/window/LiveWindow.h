#pragma once

#include <string>

#include "window/ChildWindow.h"
#include "window/MonitorPass.h"

namespace voran {

// A child window that shows live controller data: it runs the one
// monitoring pass from activation to deactivation. A window derived from it
// supplies its looks and its items; for plain data items it names each
// item's address (itemAddress) and shows each reply (showReply), and the
// base reads them.
class LiveWindow : public ChildWindow, protected MonitorPass::Client {
    Q_OBJECT
public:
    explicit LiveWindow(AppContext& ctx, QWidget* parent = nullptr);

    void activate() override;
    void deactivate() override;

    // The pass, for tests: monitor().runPass() runs a whole pass.
    MonitorPass& monitor() { return monitor_; }

protected:
    // Address of item `index` in reading order; an empty address is skipped
    // without a read.
    virtual std::string itemAddress(int index) const;
    // Shows the controller's reply to item `index`. Not called for a read
    // that failed: a failure is never shown as a value.
    virtual void showReply(int index, const std::string& reply);
    // Item `index` could not be read (without a link fault): what it showed
    // is no longer known to be what the board holds, and is shown as
    // unknown until a read succeeds.
    virtual void showUnknown(int index);
    // Reads itemAddress(index) and shows its reply.
    bool readItem(int index) override;

    MonitorPass monitor_;
};

}  // namespace voran
