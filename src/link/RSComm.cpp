// The link session: its alarms, the data-item reads and writes and the
// command transactions of the PLS. The byte exchange and the handshake are in
// LinkExchange.cpp, opening and closing in RSCommPort.cpp.
#include "link/RSComm.h"

#include "link/LinkFraming.h"
#include "number/NumberText.h"
#include "platform/Logging.h"

namespace voran {

namespace {

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

using namespace framing;

const char* const kAlarmTitle = "WARNING - Communication Error!";

// True when an item of `count` bytes at `a` lies inside the 64 KiB memory.
bool addressFits(const DecodedAddress& a) {
    return a.byteAddress <= 65535u && a.byteAddress + a.byteCount() - 1 <= 65535u;
}

// An address whose high byte is 0xFF cannot travel: the board takes 0xFF at
// the start of a pair or triple as attention.
bool inAttentionPage(const DecodedAddress& a) {
    return a.byteAddress + a.byteCount() - 1 >= 0xFF00u;
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
    if (observer_) return;  // it tells the bytes, decoded
    qCDebug(lcLink, "%s 0x%02X  t=%.6f", sent ? "->" : "<-", byte & 0xFF, clock_.now());
}

void RSComm::sendByte(int byte) {
    port_->writeByte(static_cast<std::uint8_t>(byte));
    lastSentAt_ = clock_.now();
    logByte(true, byte);
}

void RSComm::quietAfterLastByte() {
    if (!lastSentAt_) return;
    const double left = *lastSentAt_ + kResyncQuiet - clock_.now();
    if (left > 0) clock_.pause(left);
}

// --- Data items as the windows use them ---------------------------------------

std::string RSComm::RSRead(const std::string& add) {
    auto t = begin();
    const std::string text = t ? t->read(add) : std::string();
    return text.empty() ? "0" : text;
}

bool RSComm::RSWrite(const std::string& add, const std::string& dataValue) {
    auto t = begin();
    if (!t) return false;
    t->write(add, dataValue);
    return !t->writeFailed();
}

// --- Data items --------------------------------------------------------------

std::string RSComm::Transaction::readItem(const std::string& add) {
    RSComm& l = link_;
    // An address that cannot travel is refused before any byte is sent.
    const DecodedAddress fresh = DecodeAddress(add);
    if (!addressFits(fresh)) {
        qCWarning(lcLink, "refused to read %s: no such address", add.c_str());
        return {};
    }
    if (inAttentionPage(fresh)) {
        qCWarning(lcLink, "refused to read %s: FF00H-FFFFH cannot be addressed", add.c_str());
        return {};
    }

    if (l.CurrentMode_ != kModeRead) {
        if (!openCommand(kModeRead, 1)) return {};
        l.decoded_ = fresh;
        l.cachedCount_ = l.decoded_.byteCount();
    } else if (!sameNoCase(add, l.cachedAdd_)) {
        l.decoded_ = fresh;
        l.cachedCount_ = l.decoded_.byteCount();
    }
    l.cachedAdd_ = add;

    std::uint8_t data[4] = {0, 0, 0, 0};
    for (int k = 0; k < l.cachedCount_; ++k) {
        const int a = static_cast<int>(l.decoded_.byteAddress) + k;
        const int hi = a / 256;
        int reply = exchange(hi);
        if (reply == kFail) return {};
        if (reply != hi || l.resynced_) {
            mustResync();
            return {};
        }
        reply = exchange(a % 256);
        if (reply == kFail) return {};
        // After a lost byte the reply answers the resynchronising 0xFF, not
        // the address: it is no data byte.
        if (l.resynced_) {
            mustResync();
            return {};
        }
        data[k] = static_cast<std::uint8_t>(reply);
    }
    return std::to_string(ComposeValue(l.decoded_, data));
}

std::string RSComm::Transaction::read(const std::string& add) {
    const std::string text = readItem(add);
    if (!text.empty() || !link_.resynced_ || link_.CommError) return text;
    qCDebug(lcLink, "read of %s cut by a lost or late byte; once more", add.c_str());
    link_.note(LinkEvent::Retry);
    return readItem(add);
}

void RSComm::Transaction::writeItem(const std::string& add, const std::string& dataValue) {
    RSComm& l = link_;
    l.EchoMismatch_ = false;
    l.writeFailed_ = true;
    const EntryCheck entry = ParseEntryText(dataValue);
    if (!entry.ok) {
        l.entryAlert(entry.error);
        return;
    }
    // The write keeps its own decoded address: the read cache must go on
    // describing the address it was filled for.
    const DecodedAddress a = DecodeAddress(add);
    if (!addressFits(a)) {
        qCWarning(lcLink, "refused to write %s: no such address", add.c_str());
        return;
    }
    if (inAttentionPage(a)) {
        l.entryAlert("Address " + add +
                     " lies in FF00H-FFFFH, which cannot be written: the board takes a high "
                     "address byte of FF as attention.");
        return;
    }

    std::int64_t value = entry.value;
    if (a.bitItem) {
        if (value != 0 && value != 1) {
            l.entryAlert("Enter 0 or 1 Only.");
            return;
        }
        // Rebuild the byte from what the board holds now. Without it the
        // other bits of the byte would be guessed, so nothing is written.
        const std::string current = readItem("B" + std::to_string(a.byteAddress));
        if (current.empty()) {
            // A time-out has already been reported; an echo fault or a lost
            // byte is retried by write() like a fault of the write itself.
            if (!l.CommError) l.EchoMismatch_ = true;
            return;
        }
        const std::int64_t byte = LeadingInteger(current);
        value = value == 1 ? (byte | a.mask) : (byte & ~static_cast<std::int64_t>(a.mask));
    }

    const EntryCheck range = CheckRange(a, value);
    if (!range.ok) {
        l.entryAlert(range.error);
        return;
    }
    const std::vector<std::uint8_t> bytes = SplitValue(a, value);

    if (l.CurrentMode_ != kModeWrite && !openCommand(kModeWrite, 2)) return;

    for (std::size_t k = 0; k < bytes.size() && !l.EchoMismatch_; ++k) {
        const int addr = static_cast<int>(a.byteAddress + k);
        // After a wrong or late echo nothing more of the triple goes out:
        // the board may have heard something else, and a byte sent now could
        // land as address or data of a frame the PC does not know. The
        // handshake of the retry keeps quiet first, so the board drops the
        // half triple.
        for (int b : {addr / 256, addr % 256, static_cast<int>(bytes[k])}) {
            const int reply = exchange(b);
            if (reply == kFail) return;
            if (reply != b || l.resynced_) {
                l.EchoMismatch_ = true;
                break;
            }
        }
    }
    if (l.EchoMismatch_) {
        mustResync();
        return;
    }
    l.writeFailed_ = false;
}

void RSComm::Transaction::write(const std::string& add, const std::string& value) {
    writeItem(add, value);
    if (!link_.EchoMismatch_) return;
    link_.note(LinkEvent::Retry);
    writeItem(add, value);
}

// --- Ready poll and command transactions ------------------------------------

bool RSComm::Transaction::waitPLSReady() {
    RSComm& l = link_;
    bool ready = false;
    double deadline = l.clock_.now() + kReadyPoll;
    while (!ready) {
        if (l.clock_.now() >= deadline) {
            if (l.linkAlarm("Cannot Determine PLS READY Mode Within Target Board.") !=
                MsgResult::Retry) {
                l.CommError = true;
                return false;
            }
            deadline = l.clock_.now() + kRetryExtra;
        }
        if (l.CommError) return false;
        const int query = exchange(kReadyQuery);
        // After a lost byte the board took the resynchronising 0xFF as
        // attention: it polls no more, so neither does the PC.
        if (l.resynced_) {
            mustResync();
            return false;
        }
        if (query != kAck) continue;
        const int state = exchange(kAck);
        if (l.resynced_) {
            mustResync();
            return false;
        }
        if (state == 0x00) {
            ready = true;
            exchange(kAck);
        }
    }
    return ready;
}

std::optional<int> RSComm::Transaction::readWord(int code) {
    RSComm& l = link_;
    l.CurrentMode_ = 0;
    std::optional<int> result;
    if (openCommand(kModeReadWord, code) && !l.CommError) {
        const int lo = exchange(kAck);
        const bool loResynced = l.resynced_;
        const int hi = lo == kFail || loResynced ? kFail : exchange(kAck);
        if (lo != kFail && hi != kFail && !l.CommError && !loResynced && !l.resynced_)
            result = lo + 256 * hi;
        else
            mustResync();
    }
    l.CurrentMode_ = 0;
    return result;
}

bool RSComm::Transaction::ackedFrame(int mode, int code, const std::vector<int>& bytes) {
    RSComm& l = link_;
    for (int b : bytes) {
        if (b < 0 || b > 255) {
            qCWarning(lcLink, "refused command %d: %d does not fit a byte", code, b);
            return false;
        }
    }
    l.CurrentMode_ = 0;
    bool ok = openCommand(mode, code) && !l.CommError;
    for (std::size_t i = 0; ok && i < bytes.size(); ++i) {
        ok = exchange(bytes[i]) == kAck && !l.resynced_;
        // Nothing more of a broken frame goes out.
        if (!ok) mustResync();
    }
    ok = ok && !l.CommError && waitPLSReady();
    l.CurrentMode_ = 0;
    return ok;
}

bool RSComm::Transaction::writeWord(int code, int value) {
    if (value < 0 || value > 65535) {
        qCWarning(lcLink, "refused command %d: %d does not fit a word", code, value);
        return false;
    }
    return ackedFrame(kModeWriteWord, code, {value % 256, value / 256});
}

bool RSComm::Transaction::channelFrame(int code, int chan, int w1, std::int32_t w2, int flag) {
    if (w1 < 0 || w1 > 65535 || w2 < 0 || w2 > 65535) {
        qCWarning(lcLink, "refused command %d: %d/%d does not fit a word", code, w1, w2);
        return false;
    }
    return ackedFrame(
        kModeFrame, code,
        {chan, w1 % 256, w1 / 256, static_cast<int>(w2 % 256), static_cast<int>(w2 / 256), flag});
}

bool RSComm::Transaction::blockWrite(int code, const std::array<int, 6>& bytes) {
    return ackedFrame(kModeBlock, code, std::vector<int>(bytes.begin(), bytes.end()));
}

bool RSComm::Transaction::configRead(int code) {
    RSComm& l = link_;
    l.CurrentMode_ = 0;
    bool ok = openCommand(kModeConfig, code) && !l.CommError;
    for (std::size_t i = 0; ok && i < l.ConfigBuffer_.size(); ++i) {
        const int reply = exchange(kAck);
        if (l.CommError || reply == kFail || l.resynced_) {
            mustResync();
            ok = false;
            break;
        }
        l.ConfigBuffer_[i] = reply;
    }
    l.CurrentMode_ = 0;
    return ok;
}

bool RSComm::Transaction::recallRead(int chan) {
    RSComm& l = link_;
    if (chan < 0 || chan > 255) {
        qCWarning(lcLink, "refused recall of channel %d", chan);
        return false;
    }
    l.CurrentMode_ = 0;
    if (!openCommand(kModeRecall, kCodeRecall)) return false;
    if (l.CommError) {
        l.RecallState_ = 2;
        l.RecallPosition_ = 0;
        return false;
    }
    if (exchange(chan) != kAck || l.resynced_) {
        mustResync();
        return false;
    }
    int reply[3] = {0, 0, 0};
    for (int& r : reply) {
        r = exchange(kAck);
        if (l.CommError || r == kFail || l.resynced_) {
            mustResync();
            l.RecallState_ = 0;
            l.RecallPosition_ = 0;
            return false;
        }
    }
    const int state = reply[0], lo = reply[1], hi = reply[2];
    l.RecallState_ = state;
    if (hi > 16 || lo >= 256) {
        l.RecallState_ = 2;
        l.RecallPosition_ = 0;
        return false;
    }
    l.RecallPosition_ = hi * 256 + lo;
    l.CurrentMode_ = 0;
    return true;
}

}  // namespace voran
