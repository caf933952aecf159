#pragma once

namespace voran::pls {

// Command codes of the PLS, sent after the 0xFF/0x55 attention handshake:
// the wire's own numbers, so the link and its traffic decoder know them too.
inline constexpr int kReadScaleFactor = 24;
inline constexpr int kWriteScaleFactor = 26;
inline constexpr int kReadOffset = 40;
inline constexpr int kWriteOffset = 42;
inline constexpr int kReadPosition = 72;
inline constexpr int kReadRpm = 88;
// Program (flag 1) or clear (flag 0) the ON/OFF setpoints of one channel.
inline constexpr int kChannelFrame = 27;
inline constexpr int kPulseTrain = 43;
// Configuration blocks 0 to 3, six bytes each.
inline constexpr int kConfigBlock[4] = {59, 75, 91, 107};
// Configuration read: 19 bytes.
inline constexpr int kConfigRead = 12;
inline constexpr int kConfigReadLength = 19;
// Recall one setpoint of a channel.
inline constexpr int kRecall = 9;

}  // namespace voran::pls
