#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

namespace voran::testing {

// Records every box shown and answers from a queue of scripted answers; when
// the queue is empty it answers the box's default (Cancel for Retry/Cancel
// and Yes/No/Cancel, No for Yes/No, Ok otherwise).
class FakeMessageBox : public IMessageBox {
public:
    struct Shown {
        std::string text;
        std::string title;
        MsgButtons buttons;
        MsgIcon icon;
        bool operator==(const Shown&) const = default;
        friend std::ostream& operator<<(std::ostream& os, const Shown& s) {
            return os << '"' << s.title << "\": \"" << s.text << "\" buttons "
                      << static_cast<int>(s.buttons) << " icon " << static_cast<int>(s.icon);
        }
    };

    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon icon) override {
        shown.push_back({text, title, buttons, icon});
        if (whileOpen) whileOpen();
        if (answers.empty()) return EscapeAnswer(buttons);
        const MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }

    // Answers given to the next boxes, in order.
    std::deque<MsgResult> answers;
    // Called while the box is "open" (before it answers), as a modal box's
    // event loop would run timers.
    std::function<void()> whileOpen;
    std::vector<Shown> shown;
};

using Box = FakeMessageBox::Shown;

// A box as the program shows it: text, title, icon and buttons, in the
// order IMessageBox::show takes them.
inline Box box(const std::string& text, const std::string& title,
               MsgIcon icon = MsgIcon::Exclamation, MsgButtons buttons = MsgButtons::Ok) {
    return {text, title, buttons, icon};
}

}  // namespace voran::testing
