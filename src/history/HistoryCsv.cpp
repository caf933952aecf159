#include "history/HistoryCsv.h"

namespace voran::history {

std::string HistoryCsv(const std::vector<Sample>& samples) {
    std::string csv = "time,good_cans,total_jams";
    for (int k = 1; k <= 12; ++k) csv += (k < 10 ? ",jams_0" : ",jams_") + std::to_string(k);
    csv += ",cpm,transfer_jam_alarm,timing_signal_fail_alarm,infeed_jam_alarm\r\n";
    for (const Sample& s : samples) {
        csv += s.time + "," + std::to_string(s.goodCans) + "," + std::to_string(s.totalJams);
        for (const std::int64_t j : s.stationJams) csv += "," + std::to_string(j);
        csv += "," + std::to_string(s.cpm);
        for (const bool a : s.alarms) csv += a ? ",1" : ",0";
        csv += "\r\n";
    }
    return csv;
}

}  // namespace voran::history
