#include "link/TrafficDecoder.h"

#include <cstdio>

#include "link/PlsCodes.h"

namespace voran {

namespace {

constexpr int kAttention = 0xFF;
constexpr int kAck = 0x55;
constexpr int kReadyQuery = 0x38;
constexpr int kReadMode = 1;
constexpr int kWriteMode = 2;
constexpr int kProgramMode = 3;

// A PLS command: its name, the bytes that follow its code, and whether
// those are the board's (the PC sends 0x55 for each: a read) and whether it
// ends with the ready poll (a command that programs the PLS).
struct PlsCommand {
    int code;
    const char* name;
    int bytes;
    bool reads;
    bool polls;
};

constexpr PlsCommand kPlsCommands[] = {
    {pls::kReadScaleFactor, "read scale factor", 2, true, false},
    {pls::kWriteScaleFactor, "write scale factor", 2, false, true},
    {pls::kReadOffset, "read offset", 2, true, false},
    {pls::kWriteOffset, "write offset", 2, false, true},
    {pls::kReadPosition, "read position", 2, true, false},
    {pls::kReadRpm, "read rpm", 2, true, false},
    {pls::kChannelFrame, "channel setpoints", 6, false, true},
    {pls::kPulseTrain, "pulse train", 6, false, true},
    {pls::kConfigBlock[0], "configuration block 0", 6, false, true},
    {pls::kConfigBlock[1], "configuration block 1", 6, false, true},
    {pls::kConfigBlock[2], "configuration block 2", 6, false, true},
    {pls::kConfigBlock[3], "configuration block 3", 6, false, true},
    {pls::kConfigRead, "configuration read", pls::kConfigReadLength, true, false},
    {pls::kRecall, "recall setpoint", 4, false, false},
};

const PlsCommand* plsCommand(int code) {
    for (const PlsCommand& c : kPlsCommands)
        if (c.code == code) return &c;
    return nullptr;
}

std::string hex4(int address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04XH", address & 0xFFFF);
    return text;
}

}  // namespace

TrafficLine TrafficDecoder::line(double time, TrafficDirection d, int byte, TrafficKind kind,
                                 std::string text) const {
    return {(time - start_) * 1000.0, d, byte, kind, std::move(text)};
}

void TrafficDecoder::joinMidway(int mode) {
    position_ = 0;
    frame_ = mode == kReadMode ? Frame::Read : mode == kWriteMode ? Frame::Write : Frame::Idle;
}

void TrafficDecoder::startCommand(std::uint8_t code, TrafficLine& out) {
    position_ = 0;
    replies_ = 0;
    pollStep_ = 0;
    if (code == kReadMode) {
        frame_ = Frame::Read;
        out.text = "read mode";
    } else if (code == kWriteMode) {
        frame_ = Frame::Write;
        out.text = "write mode";
    } else if (code == kProgramMode) {
        frame_ = Frame::Program;
        out.kind = TrafficKind::Program;
        out.text = "program mode";
    } else if (const PlsCommand* c = plsCommand(code)) {
        frame_ = Frame::Pls;
        code_ = code;
        out.kind = TrafficKind::Pls;
        out.text = std::string("PLS ") + c->name;
    } else {
        frame_ = Frame::Idle;
        out.text = "command " + std::to_string(code);
    }
}

TrafficLine TrafficDecoder::sent(std::uint8_t byte, double time) {
    TrafficLine out = line(time, TrafficDirection::Sent, byte, TrafficKind::Handshake, "");
    lastSent_ = byte;
    const bool wasCode = frame_ == Frame::Code && byte != kAttention;
    codeSent_ = wasCode;
    // 0xFF where a frame starts is attention (in program mode: the end of
    // it); inside a frame it is an address or data byte.
    const PlsCommand* pls = frame_ == Frame::Pls ? plsCommand(code_) : nullptr;
    const bool frameStart =
        frame_ == Frame::Idle || frame_ == Frame::Code ||
        ((frame_ == Frame::Read || frame_ == Frame::Write || frame_ == Frame::Program) &&
         position_ == 0) ||
        (frame_ == Frame::Pls && (!pls || position_ >= pls->bytes));
    if (byte == kAttention && frameStart) {
        if (frame_ == Frame::Program) {
            out.kind = TrafficKind::Program;
            out.text = "end of program mode";
        } else {
            out.text = "attention";
        }
        frame_ = Frame::Code;
        return out;
    }
    switch (frame_) {
        case Frame::Idle:
            break;
        case Frame::Code:
            startCommand(byte, out);
            break;
        case Frame::Read:
            out.kind = TrafficKind::Read;
            if (position_ == 0) {
                address_ = byte * 256;
                position_ = 1;
            } else {
                address_ += byte;
                position_ = 0;
            }
            break;
        case Frame::Write:
            out.kind = TrafficKind::Write;
            if (position_ == 0) {
                address_ = byte * 256;
            } else if (position_ == 1) {
                address_ += byte;
            } else {
                out.text = "W" + std::to_string(address_) + " = " + std::to_string(byte);
            }
            position_ = (position_ + 1) % 3;
            break;
        case Frame::Pls: {
            out.kind = TrafficKind::Pls;
            if (pls && pls->polls && position_ >= pls->bytes) {
                // The ready poll: 0x38, then 0x55 for the state, then 0x55
                // to end it once ready.
                pollStep_ = byte == kReadyQuery ? 1 : pollStep_ + 1;
                if (byte == kReadyQuery) out.text = "ready poll";
            }
            ++position_;
            break;
        }
        case Frame::Program:
            out.kind = TrafficKind::Program;
            if (position_ == 0) {
                recordLeft_ = byte;
            } else if (position_ == 1) {
                address_ = byte * 256;
            } else if (position_ == 2) {
                address_ += byte;
                out.text = "record " + hex4(address_) + ", " + std::to_string(recordLeft_) +
                           (recordLeft_ == 1 ? " byte" : " bytes");
            } else {
                --recordLeft_;
            }
            ++position_;
            if (position_ >= 3 && recordLeft_ == 0) position_ = 0;
            break;
    }
    return out;
}

TrafficLine TrafficDecoder::received(std::uint8_t byte, double time) {
    TrafficLine out = line(time, TrafficDirection::Received, byte, TrafficKind::Handshake, "");
    const int asked = lastSent_;
    if (asked == kAttention || codeSent_) {
        out.text = byte == kAck ? "acknowledge" : "no acknowledge";
        return out;
    }
    switch (frame_) {
        case Frame::Idle:
        case Frame::Code:
            break;
        case Frame::Read:
            out.kind = TrafficKind::Read;
            if (position_ == 0) {
                // The reply to the low address byte is the byte's value.
                out.text = "R" + std::to_string(address_) + " = " + std::to_string(byte);
            } else if (byte != asked) {
                out.kind = TrafficKind::Fault;
                out.text = "wrong echo";
            }
            break;
        case Frame::Write:
            out.kind = TrafficKind::Write;
            if (byte != asked) {
                out.kind = TrafficKind::Fault;
                out.text = "wrong echo";
            }
            break;
        case Frame::Pls: {
            out.kind = TrafficKind::Pls;
            const PlsCommand* c = plsCommand(code_);
            if (c && c->polls && position_ > c->bytes) {
                if (pollStep_ == 2) out.text = byte == 0 ? "PLS ready" : "PLS busy";
            } else if (c && c->reads && replies_ < c->bytes) {
                if (c->bytes == 2 && replies_ == 0) wordLow_ = byte;
                if (c->bytes == 2 && replies_ == 1)
                    out.text = std::string(c->name).substr(5) + " = " +
                               std::to_string(wordLow_ + 256 * byte);
                ++replies_;
            }
            break;
        }
        case Frame::Program:
            out.kind = TrafficKind::Program;
            if (position_ == 0) out.text = "record answer";
            break;
    }
    return out;
}

TrafficLine TrafficDecoder::event(LinkEvent e, double time) {
    // Whatever frame was under way, the board drops it: the PC's next byte
    // starts a new one.
    frame_ = Frame::Idle;
    position_ = 0;
    const char* text = e == LinkEvent::TimeOut ? "time-out: no answer from the board"
                       : e == LinkEvent::Resync
                           ? "resync: the frame is given up, the next command starts afresh"
                           : "retry: the operation once more";
    return line(time, TrafficDirection::Event, -1, TrafficKind::Fault, text);
}

std::string FormatTrafficLine(const TrafficLine& l) {
    char head[64];
    const char* arrow = l.direction == TrafficDirection::Sent       ? "->"
                        : l.direction == TrafficDirection::Received ? "<-"
                                                                    : "!!";
    if (l.byte >= 0)
        std::snprintf(head, sizeof head, "%10.3f ms  %s  %02X %3d", l.ms, arrow, l.byte, l.byte);
    else
        std::snprintf(head, sizeof head, "%10.3f ms  %s        ", l.ms, arrow);
    std::string text = head;
    if (!l.text.empty()) text += "  " + l.text;
    return text;
}

}  // namespace voran
