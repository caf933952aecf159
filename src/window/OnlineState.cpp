#include "window/OnlineState.h"

#include "link/RSComm.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

namespace voran {

OnlineState::OnlineState(RSComm& link, ISerialPort& port, IMessageBox& messages)
    : link_(link), port_(port), messages_(messages) {}

void OnlineState::goOnline() {
    link_.OnlineMode = true;
    follow();
}

void OnlineState::goOffline() {
    link_.OnlineMode = false;
    follow();
}

void OnlineState::follow() {
    if (link_.OnlineMode)
        link_.OpenRSComm(port_);
    else
        link_.CloseRSComm();
    // Opening refused (the port missing or taken) has already said why and
    // left the mode offline.
    if (listener_) listener_(link_.OnlineMode);
    if (link_.CommError) link_.OnlineMode = false;
}

bool OnlineState::offerToGoOnline() {
    if (link_.OnlineMode) return true;
    if (messages_.show("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to ONLINE "
                       "MODE to Continue?",
                       "Program Offline", MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return false;
    goOnline();
    return true;
}

bool OnlineState::goOfflineAfterFault() {
    if (!link_.CommError) return false;
    goOffline();
    return true;
}

bool OnlineState::linkUsable() const {
    return link_.OnlineMode && !link_.CommError;
}

bool OnlineState::online() const {
    return link_.OnlineMode;
}

}  // namespace voran
