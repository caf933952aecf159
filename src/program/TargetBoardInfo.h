#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"

namespace voran {

// What the target board window reads from the board and the files beside
// the program: the fault and comm-error codes, their texts and the advice
// that goes with them, the network addresses, the board's real-time clock
// and the program set on disk. No widgets here.

// The status items in reading order: current fault, last fault, CO-CPU
// slot, last fault again (for the corrective action), current comm error,
// last comm error.
inline constexpr int kStatusItems = 6;
inline constexpr std::array<const char*, kStatusItems> kStatusItemAddress = {
    "B8176", "B8177", "B8175", "B8177", "B8179", "B8178"};
inline constexpr int kCoCpuSlotItem = 2;
inline constexpr int kCorrectiveItem = 3;

// Reset Faults writes 0 to these, in this order.
inline constexpr std::array<const char*, 4> kResetFaultItems = {"B8178", "B8179", "B8177", "B8176"};

// The value rows: two network addresses, then the board's clock.
struct SetupRow {
    const char* caption;
    const char* address;
    int minimum;
    int maximum;
};
inline constexpr int kSetupRows = 8;
inline constexpr std::array<SetupRow, kSetupRows> kSetupRow = {{
    {"Current Network Address 1:", "B8180", 1, 32},
    {"Current Network Address 2:", "B8191", 1, 32},
    {"Hr.", "B43012", 0, 23},
    {"Min.", "B43010", 0, 59},
    {"Sec.", "B43008", 0, 59},
    {"Mo.", "B43016", 1, 12},
    {"Day", "B43015", 1, 31},
    {"Yr.", "B43017", 0, 99},
}};
inline constexpr int kFirstClockRow = 2;

// Board types with their own layout: "2" has a CO-CPU slot, "6" and "A"
// have a real-time clock, "A" a second network address.
inline constexpr int kBoardN22 = 50;
inline constexpr int kBoardN24 = 54;
inline constexpr int kBoardJ700 = 65;
inline constexpr int kDefaultBoardType = 68;  // "D", the K-900
bool HasRealTimeClock(int boardType);

// The advice for the last fault code `code`.
std::string CorrectiveAction(int code);

// The description of `code` (hexadecimal text) in a code file
// (FaultErrCodes.txt, CommErrCodes.txt): the first record whose code field
// equals it without regard to case (the rule of FindCodeRecord).
// Nothing when the file is missing, unreadable, not a regular file, past
// the reading limit or has no such record. A record is one line: the code, a
// comma, the description; either field may be in double quotes so that it
// can hold commas.
std::optional<std::string> CodeDescription(const std::string& file, const std::string& code);

// Support/<name> under the program folder, letters in any case.
std::string SupportFile(const std::string& programFolder, const std::string& name);

// The program set on disk that the window shows beside the program in the
// board.
struct ProgramOnDisk {
    int DiskBoardType = 0;
    std::string DiskIdent;
    int DiskRevision = 0;
    int DiskChecksum = 0;
    std::string DiskHexFile;
};
// The board type of the set `path` belongs to: the first character of its
// program file; "D" when that file is missing or empty.
int ProgramFileBoardType(const std::string& path);
// Reads the set `tarnixFile` belongs to. Without a program file everything
// stays empty; without a revision file the ident is "-" and the numbers 0.
ProgramOnDisk ReadProgramOnDisk(const std::string& tarnixFile);
// The program image's last change as the window shows it, or "-".
std::string RevisionDate(const std::string& hexFile);

// What Set to Current Time and Set to Current Date write, in order, from
// one reading of the PC's clock: hour, minute, second; month, day, year of
// the century.
std::vector<std::pair<std::string, std::string>> TimeWrites(const DateTime& now);
std::vector<std::pair<std::string, std::string>> DateWrites(const DateTime& now);

// The PC clock labels: "HH : MM : SS" and "MM - DD - YYYY".
std::string ClockTimeText(const DateTime& now);
std::string ClockDateText(const DateTime& now);

}  // namespace voran
