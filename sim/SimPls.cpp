#include "SimPls.h"

#include <cmath>

#include "link/PlsCodes.h"

namespace voran::sim {

namespace {
constexpr std::uint8_t kAck = 0x55;

bool isConfigBlock(int code) {
    for (int c : pls::kConfigBlock)
        if (code == c) return true;
    return false;
}
}  // namespace

SimPls::SimPls() {
    // Eight channels in use, as the board leaves the factory.
    config[18] = 8;
}

int SimPls::position() const {
    if (scaleFactor <= 0) return 0;
    const long long r = static_cast<long long>(std::floor(raw));
    long long p = (r - offset) % scaleFactor;
    if (p < 0) p += scaleFactor;
    return static_cast<int>(p);
}

void SimPls::tick(double seconds) {
    if (scaleFactor <= 0 || seconds <= 0) return;
    raw = std::fmod(raw + rpm / 60.0 * scaleFactor * seconds, scaleFactor);
    if (raw < 0) raw += scaleFactor;
}

void SimPls::program(int chan, int on, int off) {
    if (chan < 0 || chan >= 8) return;
    channels[chan] = Channel{true, on, off};
    recallOff_[chan] = false;
}

std::array<std::uint8_t, 19> SimPls::configRead() const {
    std::array<std::uint8_t, 19> out{};
    out[0] = config[18];  // channel count
    out[1] = config[0];   // program number
    for (int k = 0; k < 4; ++k) out[2 + k] = config[1 + k];
    for (int k = 4; k < 8; ++k) out[2 + k] = config[2 + k];
    // The rest of the block, carried along.
    const int rest[] = {5, 10, 11, 12, 13, 14, 15, 16, 17};
    for (int k = 0; k < 9; ++k) out[10 + k] = config[rest[k]];
    return out;
}

bool SimPls::begin(std::uint8_t code) {
    switch (code) {
        case pls::kReadScaleFactor:
        case pls::kWriteScaleFactor:
        case pls::kReadOffset:
        case pls::kWriteOffset:
        case pls::kReadPosition:
        case pls::kReadRpm:
        case pls::kChannelFrame:
        case pls::kPulseTrain:
        case pls::kConfigRead:
        case pls::kRecall:
            break;
        default:
            if (!isConfigBlock(code)) return false;
    }
    code_ = code;
    index_ = 0;
    if (code == pls::kConfigRead) readOut_ = configRead();
    ++commandsTaken[code];
    return true;
}

// Two 0x55 requests clock out the low, then the high byte.
SimCommand::Answer SimPls::word(int value) {
    const auto v = static_cast<unsigned>(value) & 0xFFFFu;
    if (index_++ == 0) return {static_cast<std::uint8_t>(v % 256), Next::Continue};
    return {static_cast<std::uint8_t>(v / 256), Next::Idle};
}

// Bytes of a write, each acknowledged; the last one takes effect and the PC
// then polls for ready.
SimCommand::Answer SimPls::frameByte(std::uint8_t byte, int length) {
    frame_[index_++] = byte;
    if (index_ < length) return {kAck, Next::Continue};
    applyFrame();
    return {kAck, Next::ReadyPoll};
}

void SimPls::applyFrame() {
    const auto& f = frame_;
    switch (code_) {
        case pls::kWriteScaleFactor:
            scaleFactor = f[0] + 256 * f[1];
            if (scaleFactor > 0) raw = std::fmod(raw, scaleFactor);
            break;
        case pls::kWriteOffset:
            offset = f[0] + 256 * f[1];
            break;
        case pls::kChannelFrame:
            if (f[0] < 8) {
                if (f[5] == 1)
                    program(f[0], f[1] + 256 * f[2], f[3] + 256 * f[4]);
                else
                    channels[f[0]] = Channel{};
                recallOff_[f[0]] = false;
            }
            break;
        case pls::kPulseTrain:
            if (f[0] < 8) {
                Channel c;
                c.pulseTrain = true;
                c.start = f[1] + 256 * f[2];
                c.onWidth = f[3];
                c.offWidth = f[4];
                channels[f[0]] = c;
            }
            break;
        default:
            for (int b = 0; b < 4; ++b)
                if (code_ == pls::kConfigBlock[b])
                    for (int k = 0; k < 6; ++k) config[6 * b + k] = f[k];
            break;
    }
}

SimCommand::Answer SimPls::receive(std::uint8_t byte) {
    switch (code_) {
        case pls::kReadScaleFactor:
            return word(scaleFactor);
        case pls::kReadOffset:
            return word(offset);
        case pls::kReadPosition:
            return word(position());
        case pls::kReadRpm:
            return word(rpm);
        case pls::kWriteScaleFactor:
        case pls::kWriteOffset:
            return frameByte(byte, 2);
        case pls::kConfigRead: {
            const std::uint8_t out = readOut_[index_++];
            return {out, index_ < pls::kConfigReadLength ? Next::Continue : Next::Idle};
        }
        case pls::kRecall: {
            // The channel number, then state, low and high byte of one
            // setpoint: ON and OFF in turn.
            if (index_ == 0) {
                frame_[0] = byte;
                index_ = 1;
                return {kAck, Next::Continue};
            }
            const int chan = frame_[0];
            const bool valid = chan < 8 && channels[chan].programmed;
            const bool off = valid && recallOff_[chan];
            const int value = !valid ? 0 : off ? channels[chan].off : channels[chan].on;
            const int part = index_++;
            if (part == 1)
                return {static_cast<std::uint8_t>(!valid ? 2 : off ? 0 : 1), Next::Continue};
            if (part == 2) return {static_cast<std::uint8_t>(value % 256), Next::Continue};
            if (valid) recallOff_[chan] = !recallOff_[chan];
            return {static_cast<std::uint8_t>(value / 256), Next::Idle};
        }
        default:
            return frameByte(byte, 6);
    }
}

}  // namespace voran::sim
