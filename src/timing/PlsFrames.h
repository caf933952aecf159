#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "link/RSComm.h"

// The frames in which the PC and the PLS talk, each worked on a transaction
// of the link: after the attention handshake and a command code, a fixed run
// of bytes the board acknowledges one by one (0x55), then a ready poll until
// the PLS has done what it was told. The PLS commands (PlsCommands.h) are
// built from these.
namespace voran::pls {

// Polls the PLS (0x38/0x55) until it reports ready; after 3 s without it, the
// Retry/Cancel box of a link fault (Cancel: a link fault stands).
bool waitPLSReady(RSComm::Transaction& t);

// Two bytes after the handshake, low first; nothing when the read failed.
std::optional<int> readWord(RSComm::Transaction& t, int code);
// A word, low byte first, then the ready poll. A value outside 0..65535 is
// refused without traffic.
bool writeWord(RSComm::Transaction& t, int code, int value);
// A channel, two words and a flag (the channel's programming frame).
bool channelFrame(RSComm::Transaction& t, int code, int chan, int w1, std::int32_t w2, int flag);
// Six configuration bytes.
bool blockWrite(RSComm::Transaction& t, int code, const std::array<int, 6>& bytes);

// The configuration as the board holds it (19 bytes), or nothing when the
// read did not complete.
std::optional<std::array<int, 19>> configRead(RSComm::Transaction& t, int code);

// What one recall of a channel gave: one setpoint and which one it is.
struct Recall {
    int state = 0;     // 1: the ON setpoint, 0: the OFF setpoint, else none
    int position = 0;  // the setpoint
    bool operator==(const Recall&) const = default;
};
// One setpoint of a channel; nothing when the recall failed or the board's
// answer is no position (a high byte above 16).
std::optional<Recall> recallRead(RSComm::Transaction& t, int chan);

}  // namespace voran::pls
