// The PLS frames on a link transaction (see PlsFrames.h).
#include "timing/PlsFrames.h"

#include <vector>

#include "link/LinkFraming.h"
#include "link/PlsCodes.h"
#include "platform/Logging.h"

namespace voran::pls {

namespace {

constexpr int kAck = 0x55;
constexpr int kReadyQuery = 0x38;
constexpr int kFail = RSComm::kFail;

// Sends `bytes` after the handshake into `mode` with `code`, each to be
// answered 0x55, then waits for the PLS. Values outside 0..255 send nothing.
bool ackedFrame(RSComm::Transaction& t, CommandMode mode, int code, const std::vector<int>& bytes) {
    for (int b : bytes) {
        if (b < 0 || b > 255) {
            qCWarning(lcLink, "refused command %d: %d does not fit a byte", code, b);
            return false;
        }
    }
    t.clearMode();
    bool ok = t.openCommand(mode, code) && !t.failed();
    for (std::size_t i = 0; ok && i < bytes.size(); ++i) {
        ok = t.exchange(bytes[i]) == kAck && !t.resynced();
        // Nothing more of a broken frame goes out.
        if (!ok) t.mustResync();
    }
    ok = ok && !t.failed() && waitPLSReady(t);
    t.clearMode();
    return ok;
}

// Reads `count` bytes, each asked for with an acknowledge; nothing when one
// is lost (the board may be left in the middle of the frame).
template <std::size_t count>
std::optional<std::array<int, count>> readBytes(RSComm::Transaction& t) {
    std::array<int, count> bytes{};
    for (int& b : bytes) {
        b = t.exchange(kAck);
        if (t.failed() || b == kFail || t.resynced()) {
            t.mustResync();
            return std::nullopt;
        }
    }
    return bytes;
}

}  // namespace

bool waitPLSReady(RSComm::Transaction& t) {
    double deadline = t.clock().now() + framing::kReadyPoll;
    for (;;) {
        if (t.clock().now() >= deadline) {
            if (t.alarm("Cannot Determine PLS READY Mode Within Target Board.") !=
                MsgResult::Retry) {
                t.link().CommError = true;
                return false;
            }
            deadline = t.clock().now() + framing::kRetryExtra;
        }
        if (t.failed()) return false;
        const int query = t.exchange(kReadyQuery);
        // After a lost byte the board took the resynchronising 0xFF as
        // attention: it polls no more, so neither does the PC.
        if (t.resynced()) {
            t.mustResync();
            return false;
        }
        if (query != kAck) continue;
        const int state = t.exchange(kAck);
        if (t.resynced()) {
            t.mustResync();
            return false;
        }
        if (state == 0x00) {
            t.exchange(kAck);
            return true;
        }
    }
}

std::optional<int> readWord(RSComm::Transaction& t, int code) {
    t.clearMode();
    std::optional<int> result;
    if (t.openCommand(CommandMode::ReadWord, code) && !t.failed()) {
        if (const auto bytes = readBytes<2>(t)) result = (*bytes)[0] + 256 * (*bytes)[1];
    }
    t.clearMode();
    return result;
}

bool writeWord(RSComm::Transaction& t, int code, int value) {
    if (value < 0 || value > 65535) {
        qCWarning(lcLink, "refused command %d: %d does not fit a word", code, value);
        return false;
    }
    return ackedFrame(t, CommandMode::WriteWord, code, {value % 256, value / 256});
}

bool channelFrame(RSComm::Transaction& t, int code, int chan, int w1, std::int32_t w2, int flag) {
    if (w1 < 0 || w1 > 65535 || w2 < 0 || w2 > 65535) {
        qCWarning(lcLink, "refused command %d: %d/%d does not fit a word", code, w1, w2);
        return false;
    }
    return ackedFrame(
        t, CommandMode::Frame, code,
        {chan, w1 % 256, w1 / 256, static_cast<int>(w2 % 256), static_cast<int>(w2 / 256), flag});
}

bool blockWrite(RSComm::Transaction& t, int code, const std::array<int, 6>& bytes) {
    return ackedFrame(t, CommandMode::Block, code, std::vector<int>(bytes.begin(), bytes.end()));
}

std::optional<std::array<int, 19>> configRead(RSComm::Transaction& t, int code) {
    t.clearMode();
    std::optional<std::array<int, 19>> config;
    if (t.openCommand(CommandMode::Config, code) && !t.failed()) config = readBytes<19>(t);
    t.clearMode();
    return config;
}

std::optional<Recall> recallRead(RSComm::Transaction& t, int chan) {
    if (chan < 0 || chan > 255) {
        qCWarning(lcLink, "refused recall of channel %d", chan);
        return std::nullopt;
    }
    t.clearMode();
    if (!t.openCommand(CommandMode::Recall, kRecall) || t.failed()) return std::nullopt;
    if (t.exchange(chan) != kAck || t.resynced()) {
        t.mustResync();
        return std::nullopt;
    }
    const auto reply = readBytes<3>(t);
    if (!reply) return std::nullopt;
    const auto [state, lo, hi] = *reply;
    if (hi > 16 || lo >= 256) return std::nullopt;
    t.clearMode();
    return Recall{state, hi * 256 + lo};
}

}  // namespace voran::pls
