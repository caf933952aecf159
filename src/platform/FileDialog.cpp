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

std::string FilterExtension(const FileFilter& filter) {
    const std::string first = filter.patterns.substr(0, filter.patterns.find(';'));
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0) return {};
    const std::string ext = first.substr(1);
    if (ext.find_first_of("*?") != std::string::npos) return {};
    return ext;
}

FileDialogResult ChooseSaveFile(IFileDialog& dialogs, const FileDialogRequest& request) {
    FileDialogResult chosen = dialogs.saveFile(request);
    if (chosen.cancelled || request.filters.empty()) return chosen;
    const int count = static_cast<int>(request.filters.size());
    int index = chosen.filterIndex >= 1 && chosen.filterIndex <= count ? chosen.filterIndex
                                                                       : request.filterIndex;
    if (index < 1 || index > count) index = 1;
    const std::string ext = FilterExtension(request.filters[static_cast<std::size_t>(index - 1)]);
    const auto slash = chosen.name.find_last_of("/\\");
    const std::string bare =
        slash == std::string::npos ? chosen.name : chosen.name.substr(slash + 1);
    if (ext.empty() || bare.empty() || bare.find('.') != std::string::npos) return chosen;
    chosen.path += ext;
    chosen.name += ext;
    return chosen;
}

}  // namespace voran
