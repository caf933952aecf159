#pragma once

#include <array>
#include <string>

namespace voran {

class AppContext;

// The three alarm bits the frame polls while online, and their texts.
struct AlarmTables {
    std::array<std::string, 3> AlarmAddress;
    std::array<std::string, 3> AlarmText;
};
// Fills the tables: transfer jam, timing signal fail, infeed jam.
void InitAlarmTables(AlarmTables& tables);

// Texts of the system message and of status panel 1.
namespace texts {
inline constexpr const char* kStatusOffline = "Set-up Program is Currently OFFLINE";
inline constexpr const char* kPanelCommFault = "System Message:  Comm Fault with K-900";
inline constexpr const char* kPanelOffline = "System Message:  Program is Currently OFFLINE";
inline constexpr const char* kAlarmHeading = "***** SYSTEM ALARM *****";
inline constexpr const char* kPanelFaults = "System Message:  Faults Active in PLC";
inline constexpr const char* kStatusNormal =
    "-- System Normal --\r\nSet-up Program is Currently ONLINE";
inline constexpr const char* kPanelNormal = "System Message:  All Faults Normal";
inline constexpr const char* kPanelInitial = "System Message:";
// While the board lets its answers' time run out (before the cable message).
inline constexpr const char* kPanelWaiting = "System Message:  Waiting for the K-900 to Answer ...";
}  // namespace texts

// The frame's 500 ms background update: offline it tells whether a link
// fault stands; online it reads one alarm bit per tick, in turn, and keeps
// the system message and status panel 1 current.
class BackgroundUpdate {
public:
    explicit BackgroundUpdate(AppContext& ctx);

    // One tick. Does nothing and returns false while another transaction
    // holds the link (for instance while its Retry/Cancel box is open).
    bool Tick();

    const std::string& panelText() const { return panel_; }
    int alarmIndex() const { return alarmIndex_; }
    const std::array<bool, 3>& AlarmActive() const { return active_; }
    const AlarmTables& alarms() const { return alarms_; }

private:
    AppContext& ctx_;
    AlarmTables alarms_;
    int alarmIndex_ = 0;
    std::array<bool, 3> active_{};
    std::string panel_ = texts::kPanelInitial;
};

}  // namespace voran
