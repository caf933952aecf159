#pragma once

#include <functional>
#include <string>

#include "data/SetupData.h"
#include "link/RSComm.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

namespace voran {

class FileCommands;

// What the frame window shares with every child window: the one link, the
// set-up tables, the platform services and the global flags of the shell.
struct AppContext {
    RSComm& link;
    SetupTables& tables;
    IMessageBox& messages;
    IClock& clock;

    // Edit > Enable Offline Editing is checked.
    bool OfflineEditing = false;
    // The latest system message (alarm texts), shown by the main display.
    std::string StatusMessage{};
    // Brings the link and the MODE panel in line with link.OnlineMode.
    std::function<void()> UpdateOnlineState = [] {};

    // The frame's serial port (the one handed to OpenRSComm), its
    // clipboard and the program folder; set by the frame.
    ISerialPort* port = nullptr;
    IClipboard* clipboard = nullptr;
    std::string programFolder{};
    // The frame's file state and File menu commands (gFileNameCaption etc.).
    FileCommands* files = nullptr;
};

}  // namespace voran
