#pragma once

#include <string>
#include <vector>

#include "history/HistorySample.h"

namespace voran::history {

// The samples as CSV: a header row naming each column, then one row a
// sample, times in ISO 8601, alarms 0 or 1, lines ended CR LF as the shift
// data export's.
std::string HistoryCsv(const std::vector<Sample>& samples);

}  // namespace voran::history
