// The link session: its alarms and the data-item reads and writes. The byte exchange and the
// handshake are in LinkExchange.cpp, opening and closing in RSCommPort.cpp.
#include "link/RSComm.h"

#include "link/LinkFraming.h"
#include "number/NumberText.h"
#include "platform/Logging.h"

namespace voran {

namespace {

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

}  // namespace

RSComm::RSComm(IClock& clock, IMessageBox& messages, std::string programFolder)
    : clock_(clock), messages_(messages), programFolder_(std::move(programFolder)) {}

MsgResult RSComm::linkAlarm(const std::string& text) {
    voidReadings();
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

    if (l.CurrentMode_ != CommandMode::Read) {
        if (!openCommand(CommandMode::Read, 1)) return {};
        l.decoded_ = fresh;
        l.cachedCount_ = l.decoded_.byteCount();
    } else if (!SameNoCase(add, l.cachedAdd_)) {
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
    if (l.readingListener_)
        l.readingListener_->bytesRead(l.decoded_.byteAddress, data, l.cachedCount_, l.clock_.now());
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
    if (l.readingListener_)
        l.readingListener_->bytesWritten(a.byteAddress, static_cast<int>(bytes.size()));

    if (l.CurrentMode_ != CommandMode::Write && !openCommand(CommandMode::Write, 2)) return;

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

}  // namespace voran
