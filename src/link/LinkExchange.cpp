// The byte exchange with its time-outs and resynchronisation after a lost or
// late byte, the recovery of a lost port, and the command handshake.
#include "link/LinkFraming.h"
#include "link/RSComm.h"
#include "platform/Logging.h"

namespace voran {

namespace {
constexpr int kAttention = 0xFF;
constexpr int kAck = 0x55;
}  // namespace

using namespace framing;

// --- Byte exchange ---------------------------------------------------------

bool RSComm::recoverLostPort() {
    // The adapter plugged back in may lead to another board.
    voidReadings();
    PortError why;
    port_->lost(&why);
    for (;;) {
        qCWarning(lcLink, "port lost: %s", why.description.c_str());
        const MsgResult answer =
            messages_.show("Error Number = " + std::to_string(why.number) +
                               "\r\nError Source = " + why.source + "\r\n\r\n" + why.description,
                           "Comm Port Error", MsgButtons::RetryCancel, MsgIcon::Critical);
        if (answer != MsgResult::Retry) return false;
        // Retry opens the device again (the adapter plugged back in).
        port_->close();
        why = PortError{};
        if (port_->open(&why) && !port_->lost(&why)) break;
    }
    // The board did not notice the adapter go: it may still hold the frame
    // the lost byte belonged to, and would take an attention byte sent now
    // as an address or data byte of it.
    quietAfterLastByte();
    port_->discardInput();
    sendByte(kAttention);
    return true;
}

void RSComm::Transaction::mustResync() {
    link_.note(LinkEvent::Resync);
    link_.CurrentMode_ = CommandMode::None;
    link_.quietFirst_ = true;
}

int RSComm::Transaction::exchange(int byte, bool noReply, bool flush) {
    RSComm& l = link_;
    l.resynced_ = false;
    if (l.CommError) return kFail;
    if (byte < 0 || byte > 255) {
        qCWarning(lcLink, "refused to send %d: not a byte", byte);
        return kFail;
    }
    if (flush && l.port_ != nullptr) l.port_->discardInput();
    if (l.port_ == nullptr || !l.port_->isOpen()) {
        l.CurrentMode_ = CommandMode::None;
        l.CommError = true;
        return kFail;
    }

    // A byte already waiting before this one goes out is no answer to it
    // (line noise, or an answer that came after the link stopped waiting):
    // read as the reply it would be taken for a data byte. It is thrown
    // away, and the exchange counts as interrupted so that the caller starts
    // over from a fresh handshake.
    const bool stray = !flush && l.port_->bytesWaiting() > 0;
    if (stray) {
        qCDebug(lcLink, "stray byte waiting before 0x%02X: thrown away", byte);
        l.port_->discardInput();
    }

    double sentAt = l.clock_.now();
    l.sendByte(byte);
    if (noReply) return 0;

    double deadline = sentAt + kFirstReply;
    int count = 0;
    for (;;) {
        if (!l.port_->lost() && l.port_->waitForByte(deadline)) {
            const int reply = l.port_->readByte();
            if (reply >= 0) {
                l.logByte(false, reply);
                // A late reply may come from a board that has dropped its
                // frame meanwhile: not the answer to this byte.
                if (stray || l.clock_.now() - sentAt > kLateReply) {
                    l.resynced_ = true;
                    mustResync();
                }
                return reply;
            }
            // The port said a byte was there but gave none; wait on unless it
            // went away.
            if (!l.port_->lost() && l.clock_.now() < deadline) continue;
        }

        if (l.port_->lost()) {
            // The device is gone: no use waiting for it.
            l.CurrentMode_ = CommandMode::None;
            l.CommError = true;
            if (!l.recoverLostPort()) return kFail;
            l.CommError = false;
            l.resynced_ = true;
            sentAt = l.clock_.now();
            deadline = sentAt + kAfterResend;
            count = 0;
            continue;
        }

        // Nothing within the deadline.
        l.note(LinkEvent::TimeOut);
        l.CurrentMode_ = CommandMode::None;
        l.CommError = true;
        deadline = l.clock_.now() + kAfterResend;
        ++count;
        if (count < 3) {
            // Resynchronise: after this long a silence the board has dropped
            // any half-received frame and answers this byte; the caller,
            // seeing resynced(), starts over.
            l.CommError = false;
            l.resynced_ = true;
            l.port_->discardInput();
            sentAt = l.clock_.now();
            l.sendByte(kAttention);
            continue;
        }
        qCWarning(lcLink, "no answer from the board");
        if (l.linkAlarm("Cannot Communicate with Target Board.\rVerify RS-232 Cable is Connected "
                        "Between\rCOMM Port and PROG Port.") != MsgResult::Retry)
            return kFail;
        count = 0;
    }
}

// --- Command handshake -----------------------------------------------------

bool RSComm::Transaction::openCommand(CommandMode mode, int code) {
    RSComm& l = link_;
    // The item commands tell what they read and write; the PLS commands
    // change the board's memory in ways the link does not follow.
    if (mode != CommandMode::Read && mode != CommandMode::Write) l.voidReadings();
    l.CurrentMode_ = CommandMode::None;
    bool ok = false;
    double deadline = l.clock_.now() + kHandshake;
    while (l.CurrentMode_ != mode) {
        if (l.quietFirst_ && !l.CommError && l.port_ != nullptr && l.port_->isOpen()) {
            // The board may hold half a frame: let it drop it, and throw
            // away any late answer, before the attention byte.
            l.clock_.pause(kResyncQuiet);
            l.port_->discardInput();
            l.quietFirst_ = false;
            deadline += kResyncQuiet;
        }
        if (l.clock_.now() >= deadline) {
            if (l.linkAlarm("Cannot Set PLC Mode Within Target Board.") != MsgResult::Retry) {
                l.CommError = true;
                l.OnlineMode = false;
                close();
                return false;
            }
            deadline = l.clock_.now() + kRetryExtra;
        }
        int reply = exchange(kAttention, false, true);
        if (reply == kFail) return false;
        if (reply != kAck || l.resynced_) {
            // The 0xFF may have landed inside a frame, or the answer was a
            // late one with another still on its way: quiet before the next.
            l.quietFirst_ = true;
            continue;
        }
        reply = exchange(code);
        if (reply == kFail) return false;
        // An acknowledge that answers a resynchronising 0xFF did not take
        // the code: the board waits for one still.
        if (reply == kAck && !l.resynced_) {
            ok = true;
            l.CurrentMode_ = mode;
        } else {
            l.CurrentMode_ = CommandMode::None;
            if (l.resynced_) l.quietFirst_ = true;
        }
    }
    return ok;
}

}  // namespace voran
