#pragma once

#include <optional>
#include <string>

namespace voran {

// Board-type codes: the character codes of "1" (49) to "E" (69). The code is
// the first character of a controller program file.
inline constexpr int kFirstBoardType = 49;
inline constexpr int kLastBoardType = 69;

// The board's name ("K-900(PLC)"); for a code outside the table the
// character of the code followed by " Is Not Defined.".
std::string TargetboardName(int boardType);
// The configuration index character of the board's .lcf line, or "".
std::string LCFBoardIndex(int boardType);

// What a program file of a board type may be used for.
enum class ProgramClass { Incompatible, Plc, Pls };
ProgramClass ProgramClassOf(int boardType);
// Board types "8" to "A": their program carries three configuration digits
// (the .lcf file) that a download writes and an upload reads back.
bool HasConfigFile(int boardType);

// The program memory an upload reads: first address and byte count.
struct MemoryRange {
    int start = 0;
    int length = 0;
    int end() const { return start + length - 1; }
};
std::optional<MemoryRange> ProgramMemory(int boardType);

}  // namespace voran
