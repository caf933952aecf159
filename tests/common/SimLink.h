#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "FakeMessageBox.h"
#include "ProgramRun.h"
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
};

// The same without Qt's folder: the link and the board of a test that needs
// no window, a fresh one for each row of a table where rows carry state.
struct FreshLink {
    TempFolder folder;
    ManualClock clock;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    FakeMessageBox boxes;
    RSComm link{clock, boxes, folder.path()};

    // Opens the link and forgets the greeting on the wire.
    void goOnline() {
        link.OnlineMode = true;
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
};

}  // namespace voran::testing
