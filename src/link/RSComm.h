#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/AddressCodec.h"
#include "link/PortSettings.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

namespace voran {

struct ProgramState;

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
    std::string RSRead(const std::string& add);
    void RSWrite(const std::string& add, const std::string& dataValue);

    // --- Address operations (no link traffic) ----------------------------
    // Result of Dec2Octal/Octal2Dec when the argument or the result does not
    // fit a 16-bit integer (no valid argument gives it).
    static constexpr int kOctalOverflow = -32768;
    static int Dec2Octal(int decNum);
    static int Octal2Dec(int octNum);
    static std::string EquateAdd(const std::string& var, int targetBoardIndex);
    static bool ValidAdd(const std::string& var, int targetBoardIndex);

    // --- PLS commands (src/timing/RSCommPLS.cpp) --------------------------
    std::string PLSScaleFactor();
    std::string PLSOffset();
    std::string PLSPos();
    std::string PLSRpm();
    int ChannelRecallPos() const { return RecallPosition_; }
    int ChannelRecallState() const { return RecallState_; }
    bool SingleSetpoint(int chan, int onSetpoint, int offSetpoint, bool clearChan = false);
    bool PulseTrain(int chan, int onDivision, int offDivision, int startDivision);
    bool ClearPLSChan(int chan);
    bool RecallChannel(int chan);
    bool SetPLSOffset(int position);
    bool PLSConfigDownload(const std::array<int, 24>& cfgParam, int scaleFactor);
    std::array<int, 19> PLSConfigUpload();

    // --- Byte primitives and command transactions --------------------------
    // Public so that the PLS commands and the program transfers build on
    // them; windows never call these.
    int ExchangeByte(int byte, bool noReply = false, bool flush = false);
    bool OpenCommand(int mode, int code);
    std::string ReadItem(const std::string& add);
    void WriteItem(const std::string& add, const std::string& dataValue);
    bool WaitPLSReady();
    int ReadWord(int code);
    bool WriteWord(int code, int value);
    bool ChannelFrame(int code, int chan, int w1, std::int32_t w2, int flag);
    bool BlockWrite(int code, const std::array<int, 6>& bytes);
    bool ConfigRead(int code);
    bool RecallRead(int chan);

    // --- Introspection for tests and diagnostics ---------------------------
    int currentMode() const { return CurrentMode_; }
    bool linkDisabled() const { return LinkDisabled_; }
    bool echoMismatch() const { return EchoMismatch_; }
    // True while a transaction holds the link.
    bool busy() const { return busy_ != 0; }
    const std::array<int, 19>& configBuffer() const { return ConfigBuffer_; }

    IClock& clock() { return clock_; }
    IMessageBox& messages() { return messages_; }

    class Transaction;
    // Starts a transaction: empty when the link is already held (a timer
    // inside a Retry/Cancel box, say), in which case the caller fails at once
    // without traffic. The transaction holds the link until it is destroyed;
    // code outside the link (PLS commands, program transfers) does its byte
    // work through it.
    std::optional<Transaction> begin();

    // Holds the link for one transaction. `acquired()` is false when the link
    // was already held; the caller must then fail at once.
    class Hold {
    public:
        explicit Hold(RSComm& link) : link_(link), acquired_(link.busy_ == 0) { ++link_.busy_; }
        ~Hold() { --link_.busy_; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        bool acquired() const { return acquired_; }

    private:
        RSComm& link_;
        bool acquired_;
    };

private:
    friend class Transaction;
    void InitializeRSComm(ISerialPort& commObj);
    // Runs `op` holding the link; a caller that finds it held gets `failed`.
    template <class R, class Op>
    R whileHeld(R failed, Op op) {
        Hold hold(*this);
        return hold.acquired() ? op() : failed;
    }
    MsgResult linkAlarm(const std::string& text);

    // The operations without their Hold, for code inside RSComm that already
    // holds the link (a public operation calling another one would find the
    // link busy and fail). src/timing may build on these too.
    int exchangeHeld(int byte, bool noReply = false, bool flush = false);
    bool openCommandHeld(int mode, int code);
    std::string readItemHeld(const std::string& add);
    void writeItemHeld(const std::string& add, const std::string& dataValue);
    bool waitPLSReadyHeld();
    int readWordHeld(int code);
    bool writeWordHeld(int code, int value);
    bool channelFrameHeld(int code, int chan, int w1, std::int32_t w2, int flag);
    bool blockWriteHeld(int code, const std::array<int, 6>& bytes);
    bool configReadHeld(int code);
    bool recallReadHeld(int chan);
    void closeHeld();
    // Reads RSPort.cfg into settings_ (false: a platform error, told in
    // `errorNumber`/`errorText`).
    bool readSettingsFile(int* errorNumber, std::string* errorText);
    bool writeSettingsFile(const PortSettings& s, int* errorNumber, std::string* errorText);
    // Sends `bytes` after an OpenCommand(mode, code), each to be answered
    // 0x55, then waits for the PLS. Values outside 0..255 send nothing.
    bool ackedFrameHeld(int mode, int code, const std::vector<int>& bytes);
    void entryAlert(const std::string& error);
    void logByte(bool sent, int byte);

    // Set by an exchange whose reply answers a resynchronising 0xFF rather
    // than the byte sent: the caller must take it as unexpected.
    bool resynced_ = false;
    std::optional<int> portOverride_;
    std::optional<int> speedOverride_;

    IClock& clock_;
    IMessageBox& messages_;
    std::string programFolder_;
    ISerialPort* port_ = nullptr;
    PortSettings settings_;

    int CurrentMode_ = 0;
    bool EchoMismatch_ = false;
    bool LinkDisabled_ = false;
    int busy_ = 0;

    // Decoded address and the read cache.
    DecodedAddress decoded_;
    std::string cachedAdd_;
    int cachedCount_ = 1;

    // PLS state.
    int RecallPosition_ = 0;
    int RecallState_ = 0;
    std::array<int, 19> ConfigBuffer_{};

    // === Controller program and board identity ================================
    // Thin members over src/program (RSCommProgram.cpp), where the work is
    // done on a transaction of this link.
public:
    static std::string TargetboardName(int boardType);
    static std::string LCFBoardIndex(int boardType);
    // B8159; -1 offline, with a link fault (nothing sent) or on a failed read.
    int FirmwareRev();
    // B8176; -1 on a failed read.
    int FaultCode();
    // "Fault Code (0AH): " and the description from Support/FaultErrCodes.txt.
    std::string FaultDescription(int fltCode);
    void DownloadFile(const std::string& tnxFileName);
    void UploadFile(const std::string& tnxFileName);
    bool ValidProgram() const;
    static std::string MarkHex2HEX(std::string& markHex);
    static std::string HEX2MarkHEX(std::string& hexCode);
    void DumpProgram();
    void UploadProgram();
    bool InProgramMode() const;
    bool InUploadMode() const;
    void setInUploadMode(bool on);
    bool WritingIdent() const;
    bool ReadingIdent() const;
    std::string CurrentProgramAdd() const;
    // The selected program set, the transfer progress and its hooks.
    ProgramState& program();

private:
    std::shared_ptr<ProgramState> program_;
    // === end of the controller program block ==================================
};

// One transaction on the link, holding it from construction to destruction.
// Obtained only through RSComm::begin(), so it exists only while the link was
// free. Carries the byte primitives and the command transactions; failure
// values are those of the RSComm operations of the same name.
class RSComm::Transaction {
    struct Key {};

public:
    Transaction(Key, RSComm& link) : link_(link) { ++link_.busy_; }
    ~Transaction() { --link_.busy_; }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    RSComm& link() { return link_; }
    IClock& clock() { return link_.clock_; }
    IMessageBox& messages() { return link_.messages_; }
    // The open port, or nullptr.
    ISerialPort* port() { return link_.port_; }
    // True when the last exchange's reply answered a resynchronising 0xFF
    // rather than the byte sent.
    bool resynced() const { return link_.resynced_; }
    // Forgets the board's command mode (raw bytes are about to be sent).
    void clearMode() { link_.CurrentMode_ = 0; }

    int exchange(int byte, bool noReply = false, bool flush = false) {
        return link_.exchangeHeld(byte, noReply, flush);
    }
    bool openCommand(int mode, int code) { return link_.openCommandHeld(mode, code); }
    // Empty text on failure.
    std::string readItem(const std::string& add) { return link_.readItemHeld(add); }
    void writeItem(const std::string& add, const std::string& value) {
        link_.writeItemHeld(add, value);
    }
    // A write retried once after an echo fault, as RSWrite.
    void write(const std::string& add, const std::string& value) {
        link_.writeItemHeld(add, value);
        if (link_.EchoMismatch_) link_.writeItemHeld(add, value);
    }
    bool waitPLSReady() { return link_.waitPLSReadyHeld(); }
    int readWord(int code) { return link_.readWordHeld(code); }
    bool writeWord(int code, int value) { return link_.writeWordHeld(code, value); }
    bool channelFrame(int code, int chan, int w1, std::int32_t w2, int flag) {
        return link_.channelFrameHeld(code, chan, w1, w2, flag);
    }
    bool blockWrite(int code, const std::array<int, 6>& bytes) {
        return link_.blockWriteHeld(code, bytes);
    }
    bool configRead(int code) { return link_.configReadHeld(code); }
    bool recallRead(int chan) { return link_.recallReadHeld(chan); }

private:
    friend class RSComm;
    RSComm& link_;
};

inline std::optional<RSComm::Transaction> RSComm::begin() {
    if (busy_ != 0) return std::nullopt;
    return std::optional<Transaction>(std::in_place, Transaction::Key{}, *this);
}

}  // namespace voran
