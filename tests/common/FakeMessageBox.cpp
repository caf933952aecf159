#include "FakeMessageBox.h"

namespace voran::testing {

MsgResult FakeMessageBox::show(const std::string& text, const std::string& title,
                               MsgButtons buttons, MsgIcon icon) {
    shown.push_back({text, title, buttons, icon});
    if (whileOpen) whileOpen();
    if (!answers.empty()) {
        const MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return EscapeAnswer(buttons);
}

}  // namespace voran::testing
