#pragma once

#include <array>
#include <optional>
#include <string>

#include "link/RSComm.h"
#include "timing/PlsFrames.h"

// The PLS (programmable limit switch) commands, worked on a link
// transaction. The PLS is addressed only through one-byte command codes
// (PlsCodes.h); every operation here is built from the frames of
// PlsFrames.h (readWord, writeWord, channelFrame, blockWrite, configRead,
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
// One setpoint of a channel and which one it is; nothing when the recall
// failed.
std::optional<Recall> RecallChannel(RSComm::Transaction& t, int chan);
// Writes the offset that makes the machine's present position read
// `position`.
bool SetPLSOffset(RSComm::Transaction& t, int position);
// The four configuration blocks, then the scale factor; stops at the first
// refusal.
bool PLSConfigDownload(RSComm::Transaction& t, const std::array<int, 24>& cfgParam,
                       int scaleFactor);
// Reads the configuration; nothing, and a message, when it cannot.
std::optional<std::array<int, 19>> PLSConfigUpload(RSComm::Transaction& t);

}  // namespace voran::pls
