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
#include "window/OnlineState.h"

namespace voran {

class IFileDialog;
class IPrintSetup;
class TrafficHub;

// What the frame window shares with every child window: the one link, the
// set-up tables, the platform services, the global flags of the shell and
// the operations that take the program online and offline. Built complete
// by the frame (or a test fixture) in one step.
class AppContext {
public:
    AppContext(RSComm& link, SetupTables& tables, IMessageBox& messages, IClock& clock,
               IClipboard& clipboard, std::string programFolder, OnlineState& online)
        : link(link),
          tables(tables),
          messages(messages),
          clock(clock),
          clipboard(clipboard),
          programFolder(std::move(programFolder)),
          online(online) {}
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    RSComm& link;
    SetupTables& tables;
    IMessageBox& messages;
    IClock& clock;
    IClipboard& clipboard;
    const std::string programFolder;
    // Going online and offline (the port, the offer, the mode shown).
    OnlineState& online;

    // Edit > Enable Offline Editing is checked.
    bool OfflineEditing = false;
    // The latest system message (alarm texts), shown by the main display.
    std::string StatusMessage{};
    // The chosen controller program file set and the progress of a program
    // transfer.
    ProgramState program{};
    // The frame's file dialogs and print set-up, for a window's own export
    // and print commands; none where the context has none (the window then
    // offers neither).
    IFileDialog* dialogs = nullptr;
    IPrintSetup* printSetup = nullptr;
    // The production history of the board on the port (History/<name>.sqlite
    // in the program folder; empty before the program first went online)
    // and the sampling interval in seconds.
    std::string historyFile{};
    double historyInterval = 60;
    // How many samples the frame has stored so far: a window showing the
    // history reads it again when this changes.
    int historySamplesStored = 0;
    // End of Shift was accepted by the board (the frame marks the shift
    // change in the production history).
    std::function<void()> onEndOfShift{};
    // Where a window attaches an observer of the link's bytes and events
    // (the traffic monitor); none where the context has none.
    TrafficHub* traffic = nullptr;

    // Brings the port in line with link.OnlineMode (opens or closes it).
    void UpdateOnlineState() { online.follow(); }
    void goOnline() { online.goOnline(); }
    void goOffline() { online.goOffline(); }
    bool offerToGoOnline() { return online.offerToGoOnline(); }
    bool goOfflineAfterFault() { return online.goOfflineAfterFault(); }
    bool linkUsable() const { return online.linkUsable(); }

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
    int modalOperations_ = 0;
};

}  // namespace voran
