#include "data/ItemTable.h"

#include <cctype>

namespace voran::items {

namespace {

// Each row covers a run of items whose addresses follow one rule (kind
// letter, then base + step × (i - first)) and whose default value is
// start + increment × (i - first).
struct ItemRow {
    int first;
    int last;
    char kind;
    int base;
    int step;
    std::int32_t defaultStart;
    std::int32_t defaultIncrement;
};

// clang-format off
constexpr ItemRow kItemTable[] = {
    // items   kind  base  step   default      meaning
    { 0, 11,   'W', 1000,  2,     20, 20 },  // shifts to each station (11 = flanger)
    {12, 23,   'B', 1030,  1,      5,  0 },  // missing cans for transfer jam alarm
    {24, 34,   'W',  632,  2,      0,  0 },  // calibrated shifts, stations 1 .. 11
    {35, 35,   'W',  754,  0,      0,  0 },  // calibrated shifts, flanger
    {36, 36,   'W',  630,  0,      0,  0 },  // calibrated shifts, total
    {37, 37,   'W', 1042,  0,   4095,  0 },  // transfer jam enable mask
    {38, 38,   'D', 1100,  0,      0,  0 },  // current shift: good cans
    {39, 39,   'D', 1104,  0,      0,  0 },  // current shift: total jams
    {40, 51,   'W', 1108,  2,      0,  0 },  // current shift: jams per station
    {52, 52,   'D', 1200,  0,      0,  0 },  // last shift: good cans
    {53, 53,   'D', 1204,  0,      0,  0 },  // last shift: total jams
    {54, 65,   'W', 1208,  2,      0,  0 },  // last shift: jams per station
    {66, 77,   'W', 1050,  2,      0,  0 },  // jams per station (main display)
};
// clang-format on

const ItemRow* rowOf(int i) {
    for (const ItemRow& row : kItemTable)
        if (i >= row.first && i <= row.last) return &row;
    return nullptr;
}

}  // namespace

std::string ItemAddress(int i) {
    const ItemRow* row = rowOf(i);
    if (!row) return {};
    return std::string(1, row->kind) + std::to_string(row->base + row->step * (i - row->first));
}

std::string ItemCaption(int i) {
    // Stations 1 .. 11 as the set-up window numbers them; the twelfth is the
    // flanger.
    const auto station = [](int k) {
        if (k == 11) return std::string("Flanger");
        return std::string(k < 9 ? "Station 0" : "Station ") + std::to_string(k + 1);
    };
    if (kStationShifts.contains(i)) return station(i - kStationShifts.first) + " shifts";
    if (kMissingCans.contains(i)) return station(i - kMissingCans.first) + " missing cans";
    if (kCalibratedShifts.contains(i)) {
        const int k = i - kCalibratedShifts.first;
        return (k == 12 ? std::string("Total") : station(k)) + " calibration count";
    }
    if (i == kJamEnableMask) return "Transfer jam enable mask";
    if (i == kCurrentGoodCans) return "Good Cans, current shift";
    if (i == kCurrentTotalJams) return "Total Jams, current shift";
    if (kCurrentStationJams.contains(i))
        return station(i - kCurrentStationJams.first) + " jams, current shift";
    if (i == kLastGoodCans) return "Good Cans, last shift";
    if (i == kLastTotalJams) return "Total Jams, last shift";
    if (kLastStationJams.contains(i))
        return station(i - kLastStationJams.first) + " jams, last shift";
    if (kStationJams.contains(i)) return station(i - kStationJams.first) + " jams/station";
    return {};
}

std::int32_t ItemDefault(int i) {
    const ItemRow* row = rowOf(i);
    return row ? row->defaultStart + row->defaultIncrement * (i - row->first) : 0;
}

std::optional<EntryLimits> EntryRange(int i) {
    // Station 1 and the flanger always need at least one shift.
    if (i == kStationShifts.first || i == kStationShifts.last) return EntryLimits{1, 319};
    if (kStationShifts.contains(i)) return EntryLimits{0, 319};
    if (kMissingCans.contains(i)) return EntryLimits{0, 255};
    if (i == kJamEnableMask) return EntryLimits{0, (1 << kStationShifts.count()) - 1};
    return std::nullopt;
}

std::string EntryRangeMessage(int minimum, int maximum) {
    return "Only a Number Between " + std::to_string(minimum) + " and " + std::to_string(maximum) +
           " can be Entered";
}

int ItemOfAddress(const std::string& address) {
    std::string upper = address;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int i = kAll.first; i <= kAll.last; ++i)
        if (ItemAddress(i) == upper) return i;
    return -1;
}

}  // namespace voran::items
