#include "shell/BackgroundUpdate.h"

#include "data/SetupData.h"
#include "number/NumberText.h"
#include "window/AppContext.h"
#include "window/BoardWrite.h"

namespace voran {

void InitAlarmTables(AlarmTables& tables) {
    tables.AlarmAddress = {"B111.4", "B111.6", "B121.7"};
    tables.AlarmText = {" Transfer Jam Alarm ", " Timing Signal Fail Alarm ", " Infeed Jam Alarm "};
}

BackgroundUpdate::BackgroundUpdate(AppContext& ctx) : ctx_(ctx) {
    InitAlarmTables(alarms_);
}

bool BackgroundUpdate::Tick() {
    RSComm& link = ctx_.link;
    if (link.busy()) return false;

    if (!link.OnlineMode) {
        ctx_.StatusMessage = texts::kStatusOffline;
        panel_ = link.CommError ? texts::kPanelCommFault : texts::kPanelOffline;
        return true;
    }

    alarmIndex_ = alarmIndex_ + 1 > 2 ? 0 : alarmIndex_ + 1;
    std::optional<std::string> reply;
    if (!link.CommError) reply = ReadItemChecked(ctx_, alarms_.AlarmAddress[alarmIndex_]);
    // A fault freezes the message, the panel and the alarm states as they
    // were; the frame shows the fault once it has gone offline. A read cut
    // by a lost byte leaves this alarm as it was shown until its next turn.
    if (link.CommError) return true;
    if (reply) active_[alarmIndex_] = ReplyToValue(*reply) >= 1;

    std::string message;
    for (int i = 0; i < 3; ++i) {
        if (!active_[i]) continue;
        message += texts::kAlarmHeading;
        message += "\r\n";
        message += alarms_.AlarmText[i];
        message += "\r\n\r\n";
    }
    if (!message.empty()) {
        ctx_.StatusMessage = message;
        panel_ = texts::kPanelFaults;
    } else {
        ctx_.StatusMessage = texts::kStatusNormal;
        panel_ = texts::kPanelNormal;
    }
    return true;
}

}  // namespace voran
