#pragma once

#include <QTemporaryDir>

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
};

}  // namespace voran::testing
