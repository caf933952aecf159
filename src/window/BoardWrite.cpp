#include "window/BoardWrite.h"

#include "window/AppContext.h"

namespace voran {

std::string WriteNotConfirmedText(const std::string& address) {
    return "The Target Board did not confirm the value written to " + address +
           ".\r\n\r\nThe command was not completed.";
}

bool WriteItemChecked(AppContext& ctx, const std::string& address, const std::string& value) {
    auto t = ctx.link.begin();
    if (!t) return false;
    t->write(address, value);
    if (!t->writeFailed()) return true;
    if (t->echoMismatch() && !ctx.link.CommError)
        ctx.messages.show(WriteNotConfirmedText(address), kWriteNotConfirmedTitle, MsgButtons::Ok,
                          MsgIcon::Exclamation);
    return false;
}

std::optional<std::string> ReadItemChecked(AppContext& ctx, const std::string& address) {
    auto t = ctx.link.begin();
    if (!t) return std::nullopt;
    std::string text = t->read(address);
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace voran
