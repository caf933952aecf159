#pragma once

#include <array>
#include <string>

#include "link/RSComm.h"

// The PLS (programmable limit switch) commands, worked on a link
// transaction. The PLS is addressed only through one-byte command codes
// (PlsCodes.h); every operation here is built from the command transactions
// of the link (readWord, writeWord, channelFrame, blockWrite, configRead,
// recallRead). RSComm's members of the same names begin a transaction and
// call these.
namespace voran::pls {

// The live values as decimal text, or the text of RSComm::kNoWord ("-9999")
// when the read failed. Code that stores a value tests for it first.
std::string PLSScaleFactor(RSComm::Transaction& t);
std::string PLSOffset(RSComm::Transaction& t);
std::string PLSPos(RSComm::Transaction& t);
std::string PLSRpm(RSComm::Transaction& t);

// Programs the ON/OFF setpoints of a channel after checking them against the
// scale factor (one message names the first that does not fit); with
// `clearChan` a clearing frame goes first.
bool SingleSetpoint(RSComm::Transaction& t, int chan, int onSetpoint, int offSetpoint,
                    bool clearChan = false);
bool PulseTrain(RSComm::Transaction& t, int chan, int onDivision, int offDivision,
                int startDivision);
bool ClearPLSChan(RSComm::Transaction& t, int chan);
// One setpoint of a channel; ChannelRecallState/Pos of the link tell which.
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
