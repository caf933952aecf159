#include "platform/PortMap.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace voran {

namespace {
// A mapping file has a line or two; a file of any size is not read whole.
constexpr std::size_t kReadLimit = 64 * 1024;
}  // namespace

std::map<int, PortName> ParsePortMap(const std::string& content) {
    std::map<int, PortName> map;
    std::stringstream in(content);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        const PortNameParse number = ParsePortName(line.substr(0, comma));
        const PortNameParse name = ParsePortName(line.substr(comma + 1));
        if (!number.name || number.name->kind != PortName::Kind::Number || !name.name ||
            name.name->kind == PortName::Kind::Number)
            continue;
        map[number.name->number] = *name.name;
    }
    return map;
}

std::string FormatPortMap(const std::map<int, PortName>& map) {
    std::string text;
    for (const auto& [number, name] : map)
        text += std::to_string(number) + "," + name.text() + "\n";
    return text;
}

std::map<int, PortName> LoadPortMap(const std::string& folder) {
    std::ifstream in(ResolvePath(folder, kPortMapFile), std::ios::binary);
    if (!in) return {};
    std::string content(kReadLimit, '\0');
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(in.gcount()));
    return ParsePortMap(content);
}

std::optional<PortName> MappedPort(const std::string& folder, int number) {
    const auto map = LoadPortMap(folder);
    const auto it = map.find(number);
    if (it == map.end()) return std::nullopt;
    return it->second;
}

FileWriteResult SavePortMapping(const std::string& folder, int number,
                                const std::optional<PortName>& name) {
    std::map<int, PortName> map = LoadPortMap(folder);
    if (name && name->kind != PortName::Kind::Number)
        map[number] = *name;
    else if (map.erase(number) == 0)
        return {true, 0, {}, {}};  // nothing to change: no file is made for nothing
    const std::string path = ResolvePath(folder, kPortMapFile);
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (ec) return {false, ec.value(), ec.message() + ": " + path, ec.message()};
    return ReplaceFileContents(path, FormatPortMap(map));
}

}  // namespace voran
