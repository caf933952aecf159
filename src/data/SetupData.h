#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "number/NumberText.h"
#include "platform/Clock.h"

namespace voran {

// Index of the last entry of the item table (78 entries, 0 .. 77).
inline constexpr int LastItemIndex = 77;
inline constexpr int ItemCount = LastItemIndex + 1;

// What the program knows about the machine: the 78 data items (address
// text and value), the PLS configuration and the setpoints of eight
// channels. Fields are in the order of the set-up file.
struct SetupData {
    std::string Version;
    double Stamp = 0.0;  // OLE Automation date: days since 30 Dec 1899
    std::vector<std::string> Address = std::vector<std::string>(ItemCount);
    std::vector<std::int32_t> Value = std::vector<std::int32_t>(ItemCount, 0);
    std::int16_t ChannelCount = 0;
    std::int16_t ScaleFactor = 0;
    std::int16_t ResolverOffset = 0;
    std::int16_t PLSProgram = 0;
    std::array<std::int16_t, 8> SpeedComp{};
    // Setpoint[ch][0] = ON, Setpoint[ch][1] = OFF.
    std::array<std::array<std::int16_t, 2>, 8> Setpoint{};

    bool operator==(const SetupData&) const = default;
};

// "VORAN_R2.0.3", from the build's version.
std::string ProgramVersion();

// Deep copy of every field (the arrays by content).
void CopySetupData(SetupData& destination, const SetupData& source);

// The four records of a run and the flags that go with them. One instance
// lives in the main window for the whole run; windows are handed it.
struct SetupTables {
    SetupData CurrentData;
    SetupData SavedData;
    SetupData DefaultData;
    SetupData FileData;
    // Set by New and Open; the child window on show redisplays when offline.
    bool TablesReplaced = false;
    // The data have no file name yet.
    bool FileUnnamed = true;
    // The PLS configuration was changed by a transfer.
    bool PLSConfigChanged = false;

    // Builds DefaultData (stamped `now`) and copies it to CurrentData and
    // SavedData; marks the data unnamed.
    void BuildDefaults(const DateTime& now);
    // CurrentData differs from SavedData in a value or a setpoint, or was
    // written by another program version.
    bool HasUnsavedChanges() const;
};

// The stamp of data taken now: the OLE date of the whole second (the texts
// that show it, gUploadNOW among them, show whole seconds too).
double StampOf(DateTime now);

// OLE Automation date of a local date-time and back.
double ToOleDate(const DateTime& dt);
DateTime FromOleDate(double ole);

// A date-time as text in the general date form of the current locale: the
// short date with a four-digit year, then the time with seconds ("3/14/2026
// 9:26:53 AM" in the US). The date is left out for the bare time of day
// (30 Dec 1899) and the time for midnight.
std::string GeneralDate(const DateTime& dt);

}  // namespace voran
