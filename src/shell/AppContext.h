#pragma once

#include <functional>
#include <string>

#include "data/SetupData.h"
#include "link/RSComm.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"

namespace voran {

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
    std::string StatusMessage;
    // Brings the link and the MODE panel in line with link.OnlineMode.
    std::function<void()> UpdateOnlineState = [] {};
};

}  // namespace voran
