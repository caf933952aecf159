#pragma once

#include "link/RSComm.h"
#include "platform/MessageBox.h"

namespace voran {

// The message boxes of a window's entry checks ("Only a Number Between ...").
// A box is shown while holding the link: a monitoring pass or the alarm poll
// that comes due while the operator reads it finds the link held and waits,
// so no link fault box opens over the entry's box. Should the link already
// be held (a box of the link is open), the entry's box is shown all the same.
class EntryMessages : public IMessageBox {
public:
    EntryMessages(RSComm& link, IMessageBox& messages) : link_(link), messages_(messages) {}

    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon icon) override {
        const auto hold = link_.begin();
        return messages_.show(text, title, buttons, icon);
    }

private:
    RSComm& link_;
    IMessageBox& messages_;
};

}  // namespace voran
