#pragma once

#include <string>

namespace voran {

// YesNoShowChanges: Yes, No and a third button, "Show Changes...", which
// answers ShowChanges (the question before a download).
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, YesNoShowChanges };
enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, ShowChanges };

// Modal message boxes. Texts are the system's own: "\r" (CR) and "\r\n"
// (CR LF) break lines, as the program has always written them.
// The answer of a box closed without a button (Escape or its close box):
// Cancel where there is one, No for Yes/No, OK for a lone OK.
inline MsgResult EscapeAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoShowChanges:
            return MsgResult::No;
        default:
            return MsgResult::Cancel;
    }
}

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                           MsgIcon icon) = 0;
};

}  // namespace voran
