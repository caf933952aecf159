#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "link/AddressCodec.h"
#include "link/PortSettings.h"
#include "link/ReadingListener.h"
#include "link/TrafficObserver.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

namespace voran {

// The command mode the board is in after a handshake: the code that follows
// the attention byte, which decides how the board frames what it hears next.
enum class CommandMode : int {
    None = 0,
    Read = 1,       // address pairs, each answered with a data byte
    Write = 2,      // address/data triples, each byte echoed
    Frame = 3,      // a PLS channel frame
    ReadWord = 4,   // a PLS word read
    WriteWord = 5,  // a PLS word write
    Recall = 6,     // a PLS channel recall
    Block = 7,      // a PLS configuration block
    Config = 8,     // the PLS configuration read
};

// The one link to the controller board. A byte-at-a-time protocol: the PC
// sends one byte and the board answers one byte. Everything is synchronous
// and the link is never re-entered: a caller that arrives while a
// transaction is in progress (for instance a timer that fires inside a
// Retry/Cancel box) fails at once, as a failed exchange would, without
// touching CommError.
class RSComm {
public:
    // Failure value of a byte exchange (outside the byte range).
    static constexpr int kFail = 9999;

    RSComm(IClock& clock, IMessageBox& messages, std::string programFolder);

    // --- Public state ---------------------------------------------------
    // True while the operator has the program online and the link answers.
    bool OnlineMode = false;
    // A link fault stands; every byte exchange fails at once while set.
    bool CommError = false;

    // --- Opening and closing --------------------------------------------
    void OpenRSComm(ISerialPort& commObj);
    void CloseRSComm();
    // Path of Support/RSPort.cfg under the program folder.
    std::string CommSettingsFile() const;
    // Port and speed taken by the last InitializeRSComm.
    PortSettings settings() const { return settings_; }
    // Port and/or speed to use instead of what RSPort.cfg holds (command-line
    // options). Applied in memory by InitializeRSComm; the file is not
    // rewritten with them.
    void overrideSettings(std::optional<int> port, std::optional<int> speed) {
        portOverride_ = port;
        speedOverride_ = speed;
    }

    // --- Data items -----------------------------------------------------
    // The value of an item as decimal text, "0" when the read failed (a
    // caller that must tell a failure from a 0 reads on a transaction).
    std::string RSRead(const std::string& add);
    // Writes an item, once more after an echo fault. True when the board
    // took and echoed every byte; false after a refusal or a link fault.
    bool RSWrite(const std::string& add, const std::string& dataValue);

    // --- Introspection for tests and diagnostics ---------------------------
    CommandMode currentMode() const { return CurrentMode_; }
    bool linkDisabled() const { return LinkDisabled_; }
    bool echoMismatch() const { return EchoMismatch_; }
    // True while a transaction holds the link.
    bool busy() const { return busy_ != 0; }

    IClock& clock() { return clock_; }
    IMessageBox& messages() { return messages_; }
    // Told the time-outs, resyncs and retries (the bytes: TrafficPort).
    void setObserver(ILinkObserver* observer) { observer_ = observer; }
    // Told the bytes of every read that succeeded, the bytes a write is
    // about to change, and every moment after which nothing read before is
    // to be trusted (RecentReadings).
    void setReadingListener(IReadingListener* listener) { readingListener_ = listener; }
    IReadingListener* readingListener() const { return readingListener_; }

    class Transaction;
    // Starts a transaction: empty when the link is already held (a timer
    // inside a Retry/Cancel box, say), in which case the caller fails at once
    // without traffic. The transaction holds the link until it is destroyed;
    // the byte primitives exist only on it.
    std::optional<Transaction> begin();

private:
    friend class Transaction;
    void InitializeRSComm(ISerialPort& commObj);
    MsgResult linkAlarm(const std::string& text);
    // Reads RSPort.cfg into settings_ (false: a platform error, told in
    // `errorNumber`/`errorText`).
    bool readSettingsFile(int* errorNumber, std::string* errorText);
    bool writeSettingsFile(const PortSettings& s, int* errorNumber, std::string* errorText);
    void entryAlert(const std::string& error);
    void logByte(bool sent, int byte);
    // Writes one byte to the port, logs it and notes when it went out.
    void sendByte(int byte);
    // Waits until kResyncQuiet has passed since the last byte sent, so that a
    // board holding half a frame of it has dropped it (see LinkFraming.h).
    // Closing and opening the port does not reset the board, and the box of
    // a lost port may be answered at once.
    void quietAfterLastByte();
    // The port hung up or failed: offers to open it again. True when it is
    // open again (a resynchronising 0xFF has gone out).
    bool recoverLostPort();

    // Set by an exchange whose reply cannot be taken as the answer to the
    // byte sent: it answered a resynchronising 0xFF, or came late.
    bool resynced_ = false;
    // The board may hold a half-received frame: the next handshake keeps
    // quiet first (see LinkFraming.h).
    bool quietFirst_ = false;
    // The last write did not land whole (refused, link fault, echo fault).
    bool writeFailed_ = false;
    // When the last byte went out (clock seconds); none yet when empty.
    std::optional<double> lastSentAt_;
    std::optional<int> portOverride_;
    std::optional<int> speedOverride_;

    IClock& clock_;
    IMessageBox& messages_;
    std::string programFolder_;
    ISerialPort* port_ = nullptr;
    ILinkObserver* observer_ = nullptr;
    void note(LinkEvent e) {
        if (observer_) observer_->linkEvent(e, clock_.now());
    }
    IReadingListener* readingListener_ = nullptr;
    // A fault, the port opened or closed, or bytes the link cannot follow:
    // what was read before may no longer be what the board holds.
    void voidReadings() {
        if (readingListener_) readingListener_->readingsVoid();
    }
    PortSettings settings_;

    CommandMode CurrentMode_ = CommandMode::None;
    bool EchoMismatch_ = false;
    bool LinkDisabled_ = false;
    int busy_ = 0;

    // Decoded address and the read cache.
    DecodedAddress decoded_;
    std::string cachedAdd_;
    int cachedCount_ = 1;
};

// One transaction on the link, holding it from construction to destruction.
// Obtained only through RSComm::begin(), so it exists only while the link was
// free. Carries the byte primitives and the command transactions; failure
// values are those of the RSComm operations of the same name.
class RSComm::Transaction {
    struct Key {};

public:
    Transaction(Key, RSComm& link) : link_(link) { ++link_.busy_; }
    // A transaction that leaves a fault standing or the link offline leaves
    // nothing read behind it to be trusted.
    ~Transaction() {
        if (link_.CommError || !link_.OnlineMode) link_.voidReadings();
        --link_.busy_;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    RSComm& link() { return link_; }
    IClock& clock() { return link_.clock_; }
    IMessageBox& messages() { return link_.messages_; }
    // The open port, or nullptr.
    ISerialPort* port() { return link_.port_; }
    // True when the last exchange's reply cannot be taken as the answer to
    // the byte sent: it answered a resynchronising 0xFF, or came so late
    // that the board may have dropped its frame (see LinkFraming.h).
    bool resynced() const { return link_.resynced_; }
    // Forgets the board's command mode (raw bytes are about to be sent, and
    // what they do to the board's memory the link cannot tell).
    void clearMode() {
        link_.CurrentMode_ = CommandMode::None;
        link_.voidReadings();
    }
    // A link fault stands (CommError).
    bool failed() const { return link_.CommError; }
    // The last operation was cut by a lost or late byte (no link fault, no
    // refusal): the board dropped the broken frame, and an operation that
    // programs the same when sent twice can be sent once more.
    bool interrupted() const { return link_.quietFirst_ && link_.resynced_ && !link_.CommError; }

    // Sends one byte and returns the reply, 0 with noReply, RSComm::kFail on
    // failure. Lost bytes are resynchronised here (see resynced()).
    int exchange(int byte, bool noReply = false, bool flush = false);
    // The 0xFF/0x55 attention handshake and the command code.
    bool openCommand(CommandMode mode, int code);
    // One read of an item; empty text on failure.
    std::string readItem(const std::string& add);
    // readItem tried once more, from a fresh handshake, when a lost or late
    // byte cut it (never after a link fault or a wrong echo).
    std::string read(const std::string& add);
    void writeItem(const std::string& add, const std::string& value);
    // A write retried once after an echo fault or a lost byte, as RSWrite.
    void write(const std::string& add, const std::string& value);
    // The last writeItem/write did not land whole: the entry or address was
    // refused, the link failed, or the echo was still wrong.
    bool writeFailed() const { return link_.writeFailed_; }
    bool echoMismatch() const { return link_.EchoMismatch_; }

    // The board may be in the middle of a frame: the next handshake keeps
    // quiet first, so that it drops it.
    void mustResync();
    // The Retry/Cancel box of a link fault, with `text`.
    MsgResult alarm(const std::string& text) { return link_.linkAlarm(text); }

private:
    void close();

    friend class RSComm;
    RSComm& link_;
};

inline std::optional<RSComm::Transaction> RSComm::begin() {
    if (busy_ != 0) return std::nullopt;
    return std::optional<Transaction>(std::in_place, Transaction::Key{}, *this);
}

// Runs one operation on a transaction of its own: `step(transaction)`, or
// `failed` without traffic when the link is already held.
template <class Step, class Result = std::invoke_result_t<Step, RSComm::Transaction&>>
Result InTransaction(RSComm& link, Step&& step, Result failed = Result{}) {
    auto t = link.begin();
    return t ? step(*t) : failed;
}

}  // namespace voran
