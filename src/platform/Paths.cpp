#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "number/NumberText.h"

namespace fs = std::filesystem;

namespace voran {

std::string ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path().string();
    return exe.parent_path().string();
}

std::string ProgramFolder() {
    return ChooseProgramFolder(ExecutableFolder(), UserProgramFolder());
}

static bool writable(const std::string& folder) {
#ifdef _WIN32
    (void)folder;
    return true;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

// Makes `folder` as a copy of `defaults` (or empty without them). The copy is
// made beside it and renamed into place, so a program starting at the same
// moment (k900-sim beside voran) never sees a half-filled folder; whoever
// renames first wins and the other's copy is dropped.
static bool makeFromDefaults(const fs::path& folder, const fs::path& defaults) {
    std::error_code ec;
    fs::create_directories(folder.parent_path(), ec);
    if (!fs::is_directory(defaults, ec)) {
        fs::create_directories(folder, ec);
        return fs::is_directory(folder, ec);
    }
    fs::path temp = folder;
    temp += ".new-" + std::to_string(::getpid());
    fs::remove_all(temp, ec);
    fs::copy(defaults, temp, fs::copy_options::recursive, ec);
    if (!ec) fs::rename(temp, folder, ec);
    if (ec) fs::remove_all(temp, ec);
    return fs::is_directory(folder, ec);
}

std::string ChooseProgramFolder(const std::string& exeFolder, const std::string& userFolder) {
    std::error_code ec;
    const fs::path defaults = fs::path(exeFolder) / kInstalledDefaults;
    const bool installed = fs::is_directory(defaults, ec);
    if ((!installed && writable(exeFolder)) || userFolder.empty()) return exeFolder;
    if (fs::is_directory(userFolder, ec) || makeFromDefaults(userFolder, defaults))
        return userFolder;
    return exeFolder;
}

std::string UserProgramFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && fs::path(data).is_absolute()) return (fs::path(data) / "voran").string();
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    return (fs::path(home) / ".local/share/voran").string();
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
                if (SameNoCase(name, part)) {
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
