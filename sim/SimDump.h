#pragma once

#include <string>

#include "SimBoard.h"

namespace voran::sim {

// Everything the board holds, for a soak or a test to compare before and
// after a transfer: the 64 KiB memory as it is, then the PLS state as text
// lines ("scale 360", "offset 0", "config" and 24 hexadecimal bytes, then
// "channel N programmed on off pulse-train on-width off-width start" for
// each channel). The moving resolver position is left out.
std::string BoardDump(const SimBoard& board);

// Writes BoardDump to `path` whole (a temporary file renamed over it), so a
// reader that sees the file sees all of it. False with the reason.
bool WriteBoardDump(const SimBoard& board, const std::string& path, std::string* error);

}  // namespace voran::sim
