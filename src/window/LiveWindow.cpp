#include "window/LiveWindow.h"

#include "window/AppContext.h"

namespace voran {

LiveWindow::LiveWindow(AppContext& ctx, QWidget* parent)
    : ChildWindow(ctx, parent), monitor_(ctx, *this, this) {}

void LiveWindow::activate() {
    monitor_.start();
}

void LiveWindow::deactivate() {
    monitor_.stop();
}

std::string LiveWindow::itemAddress(int) const {
    return {};
}

void LiveWindow::showReply(int, const std::string&) {}

void LiveWindow::showUnknown(int) {}

bool LiveWindow::readItem(int index) {
    const std::string address = itemAddress(index);
    if (address.empty()) {
        showReply(index, {});
        return true;
    }
    // An empty reply is a failed read: nothing is shown for it.
    const std::string reply =
        InTransaction(ctx_.link, [&](RSComm::Transaction& t) { return t.read(address); });
    if (ctx_.link.CommError) return false;
    if (reply.empty())
        showUnknown(index);
    else
        showReply(index, reply);
    return true;
}

}  // namespace voran
