#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "SimBoard.h"

namespace voran::sim {

// The board's program mode. Writing 86 to byte 8181 asks for it; after the
// attention handshake the command code 03H enters it. In program mode the PC
// sends records back to back: a byte count, the address high and low bytes
// and the data bytes; the board stores the data in its memory and answers
// the low byte of the sum of everything it heard of the record. FFH where a
// record would begin leaves program mode and is answered 55H.
//
// Every command code other than 03H goes to the next command object (the
// PLS), so this sits in front of it on the board.
class SimProgram : public SimCommand {
public:
    static constexpr std::uint8_t kProgramMode = 0x03;
    static constexpr int kRequestAddress = 8181;
    static constexpr std::uint8_t kRequest = 86;

    SimProgram(SimBoard& board, SimCommand* next) : board_(board), next_(next) {}

    // --- SimCommand ---
    bool begin(std::uint8_t code) override;
    Answer receive(std::uint8_t byte) override;
    int busyPolls() const override { return next_ ? next_->busyPolls() : 0; }
    // Between two records program mode waits for the next one however long
    // the PC pauses; a record cut short is dropped with program mode.
    bool midFrame() const override { return mine_ ? position_ != 0 : !next_ || next_->midFrame(); }

    // --- Misbehaviour on request ---------------------------------------
    // The answer to record number n (1-based, counted from entering program
    // mode) is the sum plus one; 0: never.
    int wrongSumAt = 0;
    // No answer at all after record number n; 0: never.
    int silentAfter = 0;
    // The closing FFH is answered 00H and the board stays in program mode.
    bool refuseExit = false;

    // --- Program memory ---------------------------------------------------
    // The loader writes only the board's program memory: a record byte aimed
    // anywhere else (as when a lost count or address byte shifts the record)
    // is heard and summed but not stored, so the data memory and the ident
    // block survive a garbled record. By default the whole 64 KiB.
    int programFrom = 0;
    int programTo = 0xFFFF;
    // "2000-3FFF" (hexadecimal, inclusive) as {from, to}; nothing for a bad text.
    static std::optional<std::pair<int, int>> parseProgramMemory(const std::string& text);

    // --- State ------------------------------------------------------------
    bool inProgramMode() const { return active_; }
    // Records taken since program mode was last entered.
    int records() const { return records_; }
    // Times program mode was entered and left.
    int entered = 0;
    int left = 0;

    // Loads an Intel HEX image into the board's memory. Checks every line
    // (":", digits, length, record checksum) first and stores nothing when
    // one is wrong; `error` then names it.
    static bool loadHexFile(SimBoard& board, const std::string& path, std::string* error);
    // Writes the ident block (EFF0H: eight ident characters, the checksum and
    // the revision) from a program set's revision file, as a completed
    // download of that set leaves it: the first line's text without its last
    // four characters, then two pairs of MarkHEX digits (code 30H + digit).
    static bool loadRevisionFile(SimBoard& board, const std::string& path, std::string* error);
    static constexpr int kIdentAddress = 0xEFF0;

private:
    SimBoard& board_;
    SimCommand* next_;
    bool mine_ = false;    // the running transaction is program mode
    bool active_ = false;  // in program mode
    int position_ = 0;     // bytes of the present record heard so far
    int count_ = 0;
    int address_ = 0;
    int sum_ = 0;
    int records_ = 0;
};

}  // namespace voran::sim
