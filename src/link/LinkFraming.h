#pragma once

// How the PC and the board keep in step: every wait of the link and the
// board's framing rule, in one place. The simulated board (sim/) takes its
// frame gap from here, so both sides follow the same rule.
//
// The board frames what it hears by position: a read is an address pair, a
// write an address/data triple, a PLS command a fixed run of bytes after its
// code, a ready poll a 0x38/0x55 pair. 0xFF is attention only where a new
// frame starts. A frame that stops in the middle for longer than
// kFrameGap is dropped by the board: it then waits for the start of a new
// frame (in a PLS command: for attention), so the PC's next 0xFF is heard
// as attention and never as an address or data byte.
//
// The PC keeps to that rule from its side:
// - it never pauses inside a frame except while waiting for a reply;
// - a reply that took longer than kLateReply is not trusted: by the time
//   the PC's next byte reaches the board the board may have dropped its
//   frame, so the exchange counts as interrupted, like one that needed the
//   resynchronising 0xFF;
// - after an interrupted exchange or an unexpected reply, the PC keeps
//   quiet for kResyncQuiet (longer than kFrameGap) and empties its input
//   before its next handshake, so the board has dropped whatever it had
//   half-received and late answers are thrown away;
// - a first reply is awaited kFirstReply, longer than kFrameGap, so the
//   resynchronising 0xFF after a lost byte always lands at a frame start;
// - closing and opening the port does not reset the board, which may hold
//   half a frame of the last bytes sent (an adapter lost in the middle of
//   one): once the port is open again, the first 0xFF waits until
//   kResyncQuiet has passed since the last byte sent, however soon the
//   operator answered; a greeting 0xFF not acknowledged makes the next
//   handshake keep quiet first.
namespace voran::framing {

// Silence after which the board drops a half-received frame.
inline constexpr double kFrameGap = 0.5;
// A reply later than this (after its byte went out) is not trusted.
inline constexpr double kLateReply = 0.4;
// Quiet kept before a handshake that follows an interrupted frame.
inline constexpr double kResyncQuiet = 0.6;

// Time-outs of the exchange and the handshakes.
inline constexpr double kFirstReply = 1.0;
inline constexpr double kAfterResend = 2.0;
inline constexpr double kHandshake = 2.0;
inline constexpr double kReadyPoll = 3.0;
inline constexpr double kRetryExtra = 2.0;

static_assert(kLateReply < kFrameGap && kFrameGap < kResyncQuiet && kFrameGap < kFirstReply);

}  // namespace voran::framing
