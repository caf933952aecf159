#pragma once

#include <string>

namespace voran {

// The question before a download: YesSetUpOnlyNo has Yes, "Set-up Only"
// (answers SetUpOnly) and No; YesSetUpOnlyNoShowChanges also "Show
// Changes..." (answers ShowChanges).
enum class MsgButtons {
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
    RetryCancel,
    YesSetUpOnlyNo,
    YesSetUpOnlyNoShowChanges
};
enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, ShowChanges, SetUpOnly };

// Modal message boxes. Texts are the system's own: "\r" (CR) and "\r\n"
// (CR LF) break lines, as the program has always written them.
// The answer of a box closed without a button (Escape or its close box):
// Cancel where there is one, No for Yes/No, OK for a lone OK.
inline MsgResult EscapeAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesSetUpOnlyNo:
        case MsgButtons::YesSetUpOnlyNoShowChanges:
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
