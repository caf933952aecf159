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
    switch (buttons) {
        case MsgButtons::RetryCancel:
        case MsgButtons::YesNoCancel:
        case MsgButtons::OkCancel:
            return MsgResult::Cancel;
        case MsgButtons::YesNo:
            return MsgResult::No;
        case MsgButtons::Ok:
            break;
    }
    return MsgResult::Ok;
}

}  // namespace voran::testing
