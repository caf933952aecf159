#pragma once

#include <QTemporaryDir>
#include <functional>

#include "FakeMessageBox.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "link/RSComm.h"

namespace voran::testing {

// The link on the in-process board, in a fresh program folder, with a manual
// clock and boxes answered through the fake.
struct SimLink {
    QTemporaryDir folder;
    ManualClock clock;
    FakeMessageBox messages;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    RSComm link{clock, messages, folder.path().toStdString()};

    // What the frame does when the program goes online or offline (an
    // AppContext's UpdateOnlineState): the link opened on the board or
    // closed, and offline again when opening failed.
    std::function<void()> followOnlineMode() {
        return [this] {
            if (link.OnlineMode)
                link.OpenRSComm(port);
            else
                link.CloseRSComm();
            if (link.CommError) link.OnlineMode = false;
        };
    }
};

}  // namespace voran::testing
