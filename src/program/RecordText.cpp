#include "program/RecordText.h"

#include <algorithm>
#include <cctype>

namespace voran {

std::string NextRecordField(const std::string& line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::string field;
    if (pos < line.size() && line[pos] == '"') {
        const std::size_t close = line.find('"', pos + 1);
        field =
            line.substr(pos + 1, close == std::string::npos ? std::string::npos : close - pos - 1);
        pos = close == std::string::npos ? line.size() : close + 1;
        const std::size_t comma = line.find(',', pos);
        pos = comma == std::string::npos ? line.size() : comma + 1;
        return field;
    }
    pos = std::min(pos, line.size());
    const std::size_t comma = line.find(',', pos);
    field = line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    pos = comma == std::string::npos ? line.size() : comma + 1;
    field.erase(field.find_last_not_of(" \t") + 1);
    return field;
}

}  // namespace voran
