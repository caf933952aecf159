#pragma once

#include <functional>
#include <string>
#include <utility>

#include "data/SetupData.h"
#include "link/RSComm.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "program/ProgramState.h"

namespace voran {

// What the frame window shares with every child window: the one link, the
// set-up tables, the platform services, the global flags of the shell and
// the operations that take the program online and offline. Built complete
// by the frame (or a test fixture) in one step.
class AppContext {
public:
    AppContext(RSComm& link, SetupTables& tables, IMessageBox& messages, IClock& clock,
               IClipboard& clipboard, std::string programFolder,
               std::function<void()> updateOnlineState)
        : link(link),
          tables(tables),
          messages(messages),
          clock(clock),
          clipboard(clipboard),
          programFolder(std::move(programFolder)),
          updateOnlineState_(std::move(updateOnlineState)) {}
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    RSComm& link;
    SetupTables& tables;
    IMessageBox& messages;
    IClock& clock;
    IClipboard& clipboard;
    const std::string programFolder;

    // Edit > Enable Offline Editing is checked.
    bool OfflineEditing = false;
    // The latest system message (alarm texts), shown by the main display.
    std::string StatusMessage{};
    // The chosen controller program file set and the progress of a program
    // transfer.
    ProgramState program{};

    // Brings the link and the MODE panel in line with link.OnlineMode
    // (opens or closes the port).
    void UpdateOnlineState() { updateOnlineState_(); }
    // The operator's Online Data command: opens the link.
    void goOnline() {
        link.OnlineMode = true;
        UpdateOnlineState();
    }
    // The operator's Offline Data command: closes the link.
    void goOffline() {
        link.OnlineMode = false;
        UpdateOnlineState();
    }
    // Offline, asks whether to go online for a command that needs the board
    // and does so on Yes; true when the program is online (or now goes).
    bool offerToGoOnline() {
        if (link.OnlineMode) return true;
        if (messages.show("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to ONLINE "
                          "MODE to Continue?",
                          "Program Offline", MsgButtons::YesNo,
                          MsgIcon::Question) != MsgResult::Yes)
            return false;
        goOnline();
        return true;
    }
    // After a link fault the program goes offline; true when it did.
    bool goOfflineAfterFault() {
        if (!link.CommError) return false;
        goOffline();
        return true;
    }
    // The program is online and no link fault stands: reads and writes may go.
    bool linkUsable() const { return link.OnlineMode && !link.CommError; }

    // While a modal operation that runs link traffic is on screen (a data
    // transfer, a program download), the child window's monitoring pass
    // waits, so the operation's exchanges are the protocol's minimum. The
    // background alarm poll goes on.
    class ModalOperation {
    public:
        explicit ModalOperation(AppContext& ctx) : ctx_(ctx) { ++ctx_.modalOperations_; }
        ~ModalOperation() { --ctx_.modalOperations_; }
        ModalOperation(const ModalOperation&) = delete;
        ModalOperation& operator=(const ModalOperation&) = delete;

    private:
        AppContext& ctx_;
    };
    bool monitoringPaused() const { return modalOperations_ > 0; }

private:
    std::function<void()> updateOnlineState_;
    int modalOperations_ = 0;
};

}  // namespace voran
