#include "platform/FileDialog.h"

namespace voran {

std::vector<FileFilter> ParseFilterList(const std::string& list) {
    std::vector<std::string> parts;
    std::string::size_type from = 0;
    while (from <= list.size()) {
        const auto bar = list.find('|', from);
        if (bar == std::string::npos) {
            if (from < list.size()) parts.push_back(list.substr(from));
            break;
        }
        parts.push_back(list.substr(from, bar - from));
        from = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i + 1].empty()) continue;
        filters.push_back({parts[i], parts[i + 1]});
    }
    return filters;
}

}  // namespace voran
