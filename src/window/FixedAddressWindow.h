#pragma once

#include <span>
#include <string>

#include "window/LiveWindow.h"

namespace voran {

// A live window whose items are a fixed list of controller addresses, read
// in that order every pass, and whose online and offline looks differ only
// in being enabled (the diagnostic windows: serial communications, I/O
// states). It declares its addresses and one look function; the base reads
// the items and hands each reply to showReply.
class FixedAddressWindow : public LiveWindow {
public:
    FixedAddressWindow(AppContext& ctx, std::span<const char* const> addresses,
                       QWidget* parent = nullptr)
        : LiveWindow(ctx, parent), addresses_(addresses) {}

protected:
    // The look for an online (true) or offline (false) link, with no value
    // read yet.
    virtual void showLook(bool online) = 0;

private:
    void showOnlineLook() final { showLook(true); }
    void showOfflineLook() final { showLook(false); }
    int itemCount() const final { return static_cast<int>(addresses_.size()); }
    std::string itemAddress(int index) const final { return addresses_[index]; }

    std::span<const char* const> addresses_;
};

}  // namespace voran
