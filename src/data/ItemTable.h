#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace voran::items {

// A run of consecutive item numbers of the item table.
struct Range {
    int first;
    int last;
    constexpr int count() const { return last - first + 1; }
    constexpr int operator[](int k) const { return first + k; }
    constexpr bool contains(int i) const { return i >= first && i <= last; }
};

// The 78 items of the set-up record, by what they hold. Stations are
// numbered 0 .. 11 here, the flanger being station 11.
inline constexpr Range kStationShifts{0, 11};      // shifts to each station
inline constexpr Range kMissingCans{12, 23};       // missing cans for a transfer jam alarm
inline constexpr Range kCalibratedShifts{24, 36};  // stations 1 .. 11, flanger, total
inline constexpr int kJamEnableMask = 37;          // transfer jam enable, one bit a station
inline constexpr Range kSetupItems{0, 37};
inline constexpr int kCurrentGoodCans = 38;
inline constexpr int kCurrentTotalJams = 39;
inline constexpr Range kCurrentStationJams{40, 51};
inline constexpr int kLastGoodCans = 52;
inline constexpr int kLastTotalJams = 53;
inline constexpr Range kLastStationJams{54, 65};
inline constexpr Range kStationJams{66, 77};  // jams per station, as the main display shows them
inline constexpr Range kShiftData{38, 77};
inline constexpr Range kAll{0, 77};

// The address of item `i` in the program's own item table ("W1000" for item
// 0, "W1042" for the mask), or the empty text outside 0 .. 77.
std::string ItemAddress(int i);
// What item `i` holds, in the words of the set-up window and the main
// display: "Station 03 shifts", "Flanger missing cans", "Good Cans, current
// shift", "Station 12 jams, last shift"; empty outside 0 .. 77.
std::string ItemCaption(int i);
// The default value of item `i` (0 outside the table).
std::int32_t ItemDefault(int i);

// The values the set-up window lets the operator enter for item `i`: the
// station shifts 0 .. 319 (station 1 and the flanger at least 1), the
// missing cans 0 .. 255, the transfer jam enable mask one bit for each of
// the twelve stations; none for the items the window does not edit (the
// calibration counts and the shift data).
struct EntryLimits {
    int minimum;
    int maximum;
};
std::optional<EntryLimits> EntryRange(int i);
// "Only a Number Between <min> and <max> can be Entered", the entry check's
// message.
std::string EntryRangeMessage(int minimum, int maximum);
// The item whose address in the program's item table is `address` (letter
// case ignored); -1 when none is.
int ItemOfAddress(const std::string& address);

}  // namespace voran::items
