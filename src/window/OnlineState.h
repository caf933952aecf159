#pragma once

#include <functional>

namespace voran {

class IMessageBox;
class ISerialPort;
class RSComm;

// Going online and offline, in one place for the frame, its child windows
// and the tests: the operator's mode (link.OnlineMode) decides whether the
// link holds the port open; a port that cannot be opened, or a link fault,
// leaves the program offline. The frame listens to show the mode (the MODE
// panel and the View menu's marks); nothing here knows a widget.
class OnlineState {
public:
    OnlineState(RSComm& link, ISerialPort& port, IMessageBox& messages);
    OnlineState(const OnlineState&) = delete;
    OnlineState& operator=(const OnlineState&) = delete;

    // The operator's Online Data command: opens the link.
    void goOnline();
    // The operator's Offline Data command: closes the link.
    void goOffline();
    // Brings the port in line with link.OnlineMode (opens or closes it),
    // tells the listener, and leaves the program offline after a fault.
    void follow();
    // Offline, asks whether to go online for a command that needs the board
    // and does so on Yes; true when the program is online (or now goes).
    bool offerToGoOnline();
    // After a link fault the program goes offline; true when it did.
    bool goOfflineAfterFault();
    // The program is online and no link fault stands: reads and writes may go.
    bool linkUsable() const;
    bool online() const;

    // Called after every change with the mode the port was brought to.
    void setListener(std::function<void(bool online)> listener) { listener_ = std::move(listener); }

private:
    RSComm& link_;
    ISerialPort& port_;
    IMessageBox& messages_;
    std::function<void(bool)> listener_;
};

}  // namespace voran
