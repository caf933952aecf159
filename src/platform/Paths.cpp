#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace voran {

std::string ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path().string();
    return exe.parent_path().string();
}

static bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string ResolvePath(const std::string& folder, const std::string& relative) {
    std::string rel = relative;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    fs::path result(folder);
    std::stringstream parts(rel);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        std::string chosen = part;
        std::error_code ec;
        if (!fs::exists(result / part, ec)) {
            for (fs::directory_iterator it(result, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string name = it->path().filename().string();
                if (sameNoCase(name, part)) {
                    chosen = name;
                    break;
                }
            }
        }
        result /= chosen;
    }
    return result.string();
}

std::string ComPortDevice(const std::string& folder, int port) {
    const std::string link = ResolvePath(folder, "Support/COM" + std::to_string(port));
    std::error_code ec;
    if (fs::is_symlink(link, ec) || fs::exists(link, ec)) return link;
    return "/dev/ttyS" + std::to_string(port - 1);
}

ComPortMapping DescribeComPort(const std::string& folder, int port) {
    ComPortMapping m;
    m.name = "COM" + std::to_string(port);
    m.link = ResolvePath(folder, "Support/" + m.name);
    std::error_code ec;
    m.device = ComPortDevice(folder, port);
    m.linked = m.device == m.link;
    if (m.linked && fs::is_symlink(m.link, ec)) {
        fs::path target = fs::read_symlink(m.link, ec);
        if (!ec && target.is_relative()) target = fs::path(m.link).parent_path() / target;
        if (!ec) m.device = target.lexically_normal().string();
    }
    // exists() follows links: a link to a missing device is not present.
    m.present = fs::exists(m.device, ec);
    return m;
}

}  // namespace voran
