#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/TrafficObserver.h"

namespace voran {

enum class TrafficDirection { Sent, Received, Event };
// What a line is about, for a filter: reads, writes, PLS commands, program
// transfers, faults (time-outs, resyncs, retries, wrong echoes); the
// handshake otherwise.
enum class TrafficKind { Handshake, Read, Write, Pls, Program, Fault };

// One byte on the wire, or one event of the link, decoded.
struct TrafficLine {
    double ms = 0;  // milliseconds since the decoder started
    TrafficDirection direction = TrafficDirection::Sent;
    int byte = -1;  // -1 for an event
    TrafficKind kind = TrafficKind::Handshake;
    std::string text;  // what it means, where that is known; may be empty

    bool operator==(const TrafficLine&) const = default;
};

// Follows the bytes the PC sends to know which frame each byte belongs to,
// and names it: the attention handshake and the command code, the address
// and value of an item read ("R1004 = 61") or written ("W1004 = 61", byte
// addresses in decimal as the item names have them), PLS commands by name
// with the words they read, program records by address. A reply is named
// for the byte it answers. After a time-out or a resync the next byte from
// the PC starts a new frame, as the board sees it.
class TrafficDecoder {
public:
    // `start`: the clock time (seconds) taken as 0 ms.
    explicit TrafficDecoder(double start) : start_(start) {}

    // The link was already in command mode `mode` (RSComm::currentMode(),
    // 0 for none) when decoding began, as when a monitor is opened while
    // the link stays in read mode: the next byte starts an item frame.
    void joinMidway(int mode);

    TrafficLine sent(std::uint8_t byte, double time);
    TrafficLine received(std::uint8_t byte, double time);
    TrafficLine event(LinkEvent event, double time);

private:
    enum class Frame { Idle, Code, Read, Write, Pls, Program };
    TrafficLine line(double time, TrafficDirection d, int byte, TrafficKind kind,
                     std::string text) const;
    void startCommand(std::uint8_t code, TrafficLine& out);

    double start_;
    Frame frame_ = Frame::Idle;
    int position_ = 0;       // bytes of the current frame sent so far
    int code_ = 0;           // the PLS command's code
    int address_ = 0;        // the byte address of the item frame
    int lastSent_ = -1;      // the byte the next reply answers
    int replies_ = 0;        // replies within the PLS frame
    int wordLow_ = 0;        // low byte of a PLS word being read
    int recordLeft_ = 0;     // data bytes of the program record still to come
    int pollStep_ = 0;       // where the PLS ready poll is
    bool codeSent_ = false;  // the last byte sent was a command code
};

// An observer that decodes what it sees and hands on each line (to a trace
// file, the voran.link debug log, a window's model).
class TrafficTap : public ILinkObserver {
public:
    using Sink = std::function<void(const TrafficLine&)>;
    TrafficTap(double start, Sink sink) : decoder_(start), sink_(std::move(sink)) {}

    void byteSent(std::uint8_t byte, double time) override { sink_(decoder_.sent(byte, time)); }
    void byteReceived(std::uint8_t byte, double time) override {
        sink_(decoder_.received(byte, time));
    }
    void linkEvent(LinkEvent event, double time) override { sink_(decoder_.event(event, time)); }
    void joinMidway(int mode) { decoder_.joinMidway(mode); }

private:
    TrafficDecoder decoder_;
    Sink sink_;
};

// "    12.345 ms  ->  FF 255  attention": the time, the direction (-> from
// the PC, <- from the board, !! an event of the link), the byte in hex and
// decimal, the meaning.
std::string FormatTrafficLine(const TrafficLine& line);

}  // namespace voran
