#pragma once

#include <array>
#include <optional>
#include <string>

#include "link/RSComm.h"

// The PLS (programmable limit switch) commands, worked on a link
// transaction. The PLS is addressed only through one-byte command codes
// (PlsCodes.h); every operation here is built from the command transactions
// of the link (readWord, writeWord, channelFrame, blockWrite, configRead,
// recallRead). A caller that runs one of them alone takes a transaction of
// its own (InTransaction).
namespace voran::pls {

// The live values, or nothing when the read failed.
std::optional<int> PLSScaleFactor(RSComm::Transaction& t);
std::optional<int> PLSOffset(RSComm::Transaction& t);
std::optional<int> PLSPos(RSComm::Transaction& t);
std::optional<int> PLSRpm(RSComm::Transaction& t);

// Programs the ON/OFF setpoints of a channel after checking them against the
// scale factor (one message names the first that does not fit); with
// `clearChan` a clearing frame goes first.
bool SingleSetpoint(RSComm::Transaction& t, int chan, int onSetpoint, int offSetpoint,
                    bool clearChan = false);
bool ClearPLSChan(RSComm::Transaction& t, int chan);
// One setpoint of a channel; recallState()/recallPosition() of the
// transaction tell which.
bool RecallChannel(RSComm::Transaction& t, int chan);
// Writes the offset that makes the machine's present position read
// `position`.
bool SetPLSOffset(RSComm::Transaction& t, int position);
// The four configuration blocks, then the scale factor; stops at the first
// refusal.
bool PLSConfigDownload(RSComm::Transaction& t, const std::array<int, 24>& cfgParam,
                       int scaleFactor);
// Reads the configuration (a message when it cannot) and returns the link's
// buffer as it then stands; `ok`, when given, tells whether the read went
// through.
std::array<int, 19> PLSConfigUpload(RSComm::Transaction& t, bool* ok = nullptr);

}  // namespace voran::pls
