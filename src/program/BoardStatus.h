#pragma once

#include <array>
#include <optional>
#include <string>

#include "link/RSComm.h"

namespace voran {

// Controller data items of the board's identity and faults.
inline constexpr const char* kFirmwareRevItem = "B8159";
inline constexpr const char* kFaultCodeItem = "B8176";
inline constexpr const char* kLastFaultItem = "B8177";

// A byte item read on a transaction; nothing when the read failed (with or
// without a standing link fault).
std::optional<int> ReadByteItem(RSComm::Transaction& t, const std::string& item);
// The same on a transaction of its own; nothing when the link is held.
std::optional<int> ReadByteItem(RSComm& link, const std::string& item);

// The board's firmware revision; -1 when offline or a link fault stands
// (nothing sent) or when the read failed.
int FirmwareRev(RSComm& link);
// The board's current fault code; -1 when the read failed (a failed read is
// never taken for "no fault").
int FaultCode(RSComm& link);

// A program byte (an ident byte, a byte of program memory) read on a
// transaction, once more from a fresh handshake when a lost or late byte cut
// the first read; nothing when it failed.
std::optional<int> ReadProgramByte(RSComm::Transaction& t, int address);

// What is shown for the board's program when its ident block holds no ident.
inline constexpr const char* kNoIdentText = "(none: the last program download did not complete)";

// The ident block as the board holds it.
struct IdentBlock {
    std::array<int, 10> bytes{};
    // A download clears the first ident byte before it sends the first
    // record and sets it last, after every record went in and every other
    // byte of the block was written: a 0 there means that no whole program
    // is known to be loaded.
    bool holdsIdent() const { return bytes[0] != 0; }
    // The ident characters: the first eight bytes, those of code 32 and
    // above (bytes after the text are 0).
    std::string identText() const;
    // All eight ident bytes as characters, 0 included.
    std::string identBytes() const;
    int checksum() const { return bytes[8]; }
    int revision() const { return bytes[9]; }
};
// Reads the ten bytes in order; nothing when any read failed.
std::optional<IdentBlock> ReadIdentBlock(RSComm::Transaction& t);

}  // namespace voran
