// The byte exchange with its time-outs, the command handshake, data-item
// reads and writes and the command transactions of the PLS.
#include "link/RSComm.h"

#include "platform/Logging.h"

namespace voran {

namespace {

constexpr int kAttention = 0xFF;
constexpr int kAck = 0x55;
constexpr int kReadyQuery = 0x38;

constexpr int kModeRead = 1;
constexpr int kModeWrite = 2;
constexpr int kModeFrame = 3;
constexpr int kModeReadWord = 4;
constexpr int kModeWriteWord = 5;
constexpr int kModeRecall = 6;
constexpr int kModeBlock = 7;
constexpr int kModeConfig = 8;
constexpr int kCodeRecall = 9;

// Time-outs in seconds.
constexpr double kFirstReply = 1.0;
constexpr double kAfterResend = 2.0;
constexpr double kHandshake = 2.0;
constexpr double kReadyPoll = 3.0;
constexpr double kRetryExtra = 2.0;

const char* const kAlarmTitle = "WARNING - Communication Error!";

// True when an item of `count` bytes at `a` lies inside the 64 KiB memory.
bool addressFits(const DecodedAddress& a) {
    return a.byteAddress <= 65535u && a.byteAddress + a.byteCount() - 1 <= 65535u;
}

bool sameNoCase(const std::string& x, const std::string& y) {
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(x[i])) !=
            std::tolower(static_cast<unsigned char>(y[i])))
            return false;
    return true;
}

}  // namespace

RSComm::RSComm(IClock& clock, IMessageBox& messages, std::string programFolder)
    : clock_(clock), messages_(messages), programFolder_(std::move(programFolder)) {}

MsgResult RSComm::linkAlarm(const std::string& text) {
    return messages_.show(text, kAlarmTitle, MsgButtons::RetryCancel, MsgIcon::Critical);
}

void RSComm::entryAlert(const std::string& error) {
    messages_.show("Error:\r" + error, "ENTRY ALERT", MsgButtons::Ok, MsgIcon::Critical);
}

void RSComm::logByte(bool sent, int byte) {
    qCDebug(lcLink, "%s 0x%02X  t=%.6f", sent ? "->" : "<-", byte & 0xFF, clock_.now());
}

// --- Byte exchange ---------------------------------------------------------

int RSComm::ExchangeByte(int byte, bool noReply, bool flush) {
    return whileHeld(kFail, [&] { return exchangeHeld(byte, noReply, flush); });
}

int RSComm::exchangeHeld(int byte, bool noReply, bool flush) {
    resynced_ = false;
    if (CommError) return kFail;
    if (byte < 0 || byte > 255) {
        qCWarning(lcLink, "refused to send %d: not a byte", byte);
        return kFail;
    }
    if (flush && port_ != nullptr) port_->discardInput();
    if (port_ == nullptr || !port_->isOpen()) {
        CurrentMode_ = 0;
        CommError = true;
        return kFail;
    }

    port_->writeByte(static_cast<std::uint8_t>(byte));
    logByte(true, byte);
    if (noReply) return 0;

    double deadline = clock_.now() + kFirstReply;
    int count = 0;
    for (;;) {
        if (port_->waitForByte(deadline)) {
            const int reply = port_->readByte();
            if (reply >= 0) {
                logByte(false, reply);
                return reply;
            }
            // The port said a byte was there but gave none; wait on.
            if (clock_.now() < deadline) continue;
        }

        // Nothing within the deadline.
        CurrentMode_ = 0;
        CommError = true;
        deadline = clock_.now() + kAfterResend;
        ++count;
        if (count < 3) {
            // Resynchronise: the board answers this byte, and the caller,
            // seeing an unexpected reply, starts over.
            CommError = false;
            resynced_ = true;
            port_->discardInput();
            port_->writeByte(kAttention);
            logByte(true, kAttention);
            continue;
        }
        qCWarning(lcLink, "no answer from the board");
        if (linkAlarm("Cannot Communicate with Target Board.\rVerify RS-232 Cable is Connected "
                      "Between\rCOMM Port and PROG Port.") != MsgResult::Retry)
            return kFail;
        count = 0;
    }
}

// --- Command handshake -----------------------------------------------------

bool RSComm::OpenCommand(int mode, int code) {
    return whileHeld(false, [&] { return openCommandHeld(mode, code); });
}

bool RSComm::openCommandHeld(int mode, int code) {
    CurrentMode_ = 0;
    bool ok = false;
    double deadline = clock_.now() + kHandshake;
    while (CurrentMode_ != mode) {
        if (clock_.now() >= deadline) {
            if (linkAlarm("Cannot Set PLC Mode Within Target Board.") != MsgResult::Retry) {
                CommError = true;
                OnlineMode = false;
                closeHeld();
                return false;
            }
            deadline = clock_.now() + kRetryExtra;
        }
        int reply = exchangeHeld(kAttention, false, true);
        if (reply == kFail) return false;
        if (reply != kAck) continue;
        reply = exchangeHeld(code);
        if (reply == kFail) return false;
        // An acknowledge that answers a resynchronising 0xFF did not take
        // the code: the board waits for one still.
        if (reply == kAck && !resynced_) {
            ok = true;
            CurrentMode_ = mode;
        } else {
            CurrentMode_ = 0;
        }
    }
    return ok;
}

// --- Data items --------------------------------------------------------------

std::string RSComm::ReadItem(const std::string& add) {
    return whileHeld(std::string(), [&] { return readItemHeld(add); });
}

std::string RSComm::readItemHeld(const std::string& add) {
    // An address that cannot travel is refused before any byte is sent.
    const DecodedAddress fresh = DecodeAddress(add);
    if (!addressFits(fresh)) {
        qCWarning(lcLink, "refused to read %s: no such address", add.c_str());
        return {};
    }

    if (CurrentMode_ != kModeRead) {
        if (!openCommandHeld(kModeRead, 1)) return {};
        decoded_ = fresh;
        cachedCount_ = decoded_.byteCount();
    } else if (!sameNoCase(add, cachedAdd_)) {
        decoded_ = fresh;
        cachedCount_ = decoded_.byteCount();
    }
    cachedAdd_ = add;

    std::uint8_t data[4] = {0, 0, 0, 0};
    for (int k = 0; k < cachedCount_; ++k) {
        const int a = static_cast<int>(decoded_.byteAddress) + k;
        const int hi = a / 256;
        int reply = exchangeHeld(hi);
        if (reply == kFail) return {};
        if (reply != hi || resynced_) {
            CurrentMode_ = 0;
            return {};
        }
        reply = exchangeHeld(a % 256);
        if (reply == kFail) return {};
        // After a lost byte the reply answers the resynchronising 0xFF, not
        // the address: it is no data byte.
        if (resynced_) {
            CurrentMode_ = 0;
            return {};
        }
        data[k] = static_cast<std::uint8_t>(reply);
    }
    return std::to_string(ComposeValue(decoded_, data));
}

void RSComm::WriteItem(const std::string& add, const std::string& dataValue) {
    Hold hold(*this);
    if (!hold.acquired()) return;
    writeItemHeld(add, dataValue);
}

void RSComm::writeItemHeld(const std::string& add, const std::string& dataValue) {
    EchoMismatch_ = false;
    const EntryCheck entry = ParseEntryText(dataValue);
    if (!entry.ok) {
        entryAlert(entry.error);
        return;
    }
    // The write keeps its own decoded address: the read cache must go on
    // describing the address it was filled for.
    const DecodedAddress a = DecodeAddress(add);
    if (!addressFits(a)) {
        qCWarning(lcLink, "refused to write %s: no such address", add.c_str());
        return;
    }

    std::int64_t value = entry.value;
    if (a.bitItem) {
        if (value != 0 && value != 1) {
            entryAlert("Enter 0 or 1 Only.");
            return;
        }
        // Rebuild the byte from what the board holds now. Without it the
        // other bits of the byte would be guessed, so nothing is written.
        const std::string current = readItemHeld("B" + std::to_string(a.byteAddress));
        if (current.empty()) {
            // A time-out has already been reported; an echo fault is
            // retried by RSWrite like a fault of the write itself.
            if (!CommError) EchoMismatch_ = true;
            return;
        }
        const std::int64_t byte = std::stoll(current);
        value = value == 1 ? (byte | a.mask) : (byte & ~static_cast<std::int64_t>(a.mask));
    }

    const EntryCheck range = CheckRange(a, value);
    if (!range.ok) {
        entryAlert(range.error);
        return;
    }
    const std::vector<std::uint8_t> bytes = SplitValue(a, value);

    if (CurrentMode_ != kModeWrite && !openCommandHeld(kModeWrite, 2)) return;

    for (std::size_t k = 0; k < bytes.size() && !EchoMismatch_; ++k) {
        const int addr = static_cast<int>(a.byteAddress + k);
        // After a wrong echo the rest of the triple still goes out: the
        // board frames by position and heard the byte right, so it must be
        // left at the start of a triple. After a lost byte, though, the
        // board has answered the resynchronising 0xFF and waits for a
        // command code: nothing more may follow.
        for (int b : {addr / 256, addr % 256, static_cast<int>(bytes[k])}) {
            const int reply = exchangeHeld(b);
            if (reply == kFail) return;
            if (reply != b || resynced_) EchoMismatch_ = true;
            if (resynced_) break;
        }
    }
    if (EchoMismatch_) CurrentMode_ = 0;
}

std::string RSComm::RSRead(const std::string& add) {
    Hold hold(*this);
    if (!hold.acquired()) return "0";
    const std::string text = readItemHeld(add);
    return text.empty() ? "0" : text;
}

void RSComm::RSWrite(const std::string& add, const std::string& dataValue) {
    Hold hold(*this);
    if (!hold.acquired()) return;
    writeItemHeld(add, dataValue);
    if (EchoMismatch_) writeItemHeld(add, dataValue);
}

// --- Ready poll and command transactions ------------------------------------

bool RSComm::WaitPLSReady() {
    return whileHeld(false, [&] { return waitPLSReadyHeld(); });
}

bool RSComm::waitPLSReadyHeld() {
    bool ready = false;
    double deadline = clock_.now() + kReadyPoll;
    while (!ready) {
        if (clock_.now() >= deadline) {
            if (linkAlarm("Cannot Determine PLS READY Mode Within Target Board.") !=
                MsgResult::Retry) {
                CommError = true;
                return false;
            }
            deadline = clock_.now() + kRetryExtra;
        }
        if (CommError) return false;
        if (exchangeHeld(kReadyQuery) != kAck || resynced_) continue;
        const int state = exchangeHeld(kAck);
        if (state == 0x00 && !resynced_) {
            ready = true;
            exchangeHeld(kAck);
        }
    }
    return ready;
}

int RSComm::ReadWord(int code) {
    return whileHeld(-9999, [&] { return readWordHeld(code); });
}

int RSComm::readWordHeld(int code) {
    CurrentMode_ = 0;
    int result = -9999;
    if (openCommandHeld(kModeReadWord, code) && !CommError) {
        const int lo = exchangeHeld(kAck);
        const bool loResynced = resynced_;
        const int hi = lo == kFail ? kFail : exchangeHeld(kAck);
        if (lo != kFail && hi != kFail && !CommError && !loResynced && !resynced_)
            result = lo + 256 * hi;
    }
    CurrentMode_ = 0;
    return result;
}

bool RSComm::ackedFrameHeld(int mode, int code, const std::vector<int>& bytes) {
    for (int b : bytes) {
        if (b < 0 || b > 255) {
            qCWarning(lcLink, "refused command %d: %d does not fit a byte", code, b);
            return false;
        }
    }
    CurrentMode_ = 0;
    bool ok = openCommandHeld(mode, code) && !CommError;
    for (std::size_t i = 0; ok && i < bytes.size(); ++i)
        ok = exchangeHeld(bytes[i]) == kAck && !resynced_;
    ok = ok && !CommError && waitPLSReadyHeld();
    CurrentMode_ = 0;
    return ok;
}

bool RSComm::WriteWord(int code, int value) {
    return whileHeld(false, [&] { return writeWordHeld(code, value); });
}

bool RSComm::writeWordHeld(int code, int value) {
    if (value < 0 || value > 65535) {
        qCWarning(lcLink, "refused command %d: %d does not fit a word", code, value);
        return false;
    }
    return ackedFrameHeld(kModeWriteWord, code, {value % 256, value / 256});
}

bool RSComm::ChannelFrame(int code, int chan, int w1, std::int32_t w2, int flag) {
    return whileHeld(false, [&] { return channelFrameHeld(code, chan, w1, w2, flag); });
}

bool RSComm::channelFrameHeld(int code, int chan, int w1, std::int32_t w2, int flag) {
    if (w1 < 0 || w1 > 65535 || w2 < 0 || w2 > 65535) {
        qCWarning(lcLink, "refused command %d: %d/%d does not fit a word", code, w1, w2);
        return false;
    }
    return ackedFrameHeld(
        kModeFrame, code,
        {chan, w1 % 256, w1 / 256, static_cast<int>(w2 % 256), static_cast<int>(w2 / 256), flag});
}

bool RSComm::BlockWrite(int code, const std::array<int, 6>& bytes) {
    return whileHeld(false, [&] { return blockWriteHeld(code, bytes); });
}

bool RSComm::blockWriteHeld(int code, const std::array<int, 6>& bytes) {
    return ackedFrameHeld(kModeBlock, code, std::vector<int>(bytes.begin(), bytes.end()));
}

bool RSComm::ConfigRead(int code) {
    return whileHeld(false, [&] { return configReadHeld(code); });
}

bool RSComm::configReadHeld(int code) {
    CurrentMode_ = 0;
    bool ok = openCommandHeld(kModeConfig, code) && !CommError;
    for (std::size_t i = 0; ok && i < ConfigBuffer_.size(); ++i) {
        const int reply = exchangeHeld(kAck);
        if (CommError || reply == kFail || resynced_) {
            ok = false;
            break;
        }
        ConfigBuffer_[i] = reply;
    }
    CurrentMode_ = 0;
    return ok;
}

bool RSComm::RecallRead(int chan) {
    return whileHeld(false, [&] { return recallReadHeld(chan); });
}

bool RSComm::recallReadHeld(int chan) {
    if (chan < 0 || chan > 255) {
        qCWarning(lcLink, "refused recall of channel %d", chan);
        return false;
    }
    CurrentMode_ = 0;
    if (!openCommandHeld(kModeRecall, kCodeRecall)) return false;
    if (CommError) {
        RecallState_ = 2;
        RecallPosition_ = 0;
        return false;
    }
    if (exchangeHeld(chan) != kAck || resynced_) return false;
    int reply[3] = {0, 0, 0};
    for (int& r : reply) {
        r = exchangeHeld(kAck);
        if (CommError || r == kFail || resynced_) {
            RecallState_ = 0;
            RecallPosition_ = 0;
            return false;
        }
    }
    const int state = reply[0], lo = reply[1], hi = reply[2];
    RecallState_ = state;
    if (hi > 16 || lo >= 256) {
        RecallState_ = 2;
        RecallPosition_ = 0;
        return false;
    }
    RecallPosition_ = hi * 256 + lo;
    CurrentMode_ = 0;
    return true;
}

}  // namespace voran
