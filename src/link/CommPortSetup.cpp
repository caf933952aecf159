#include "link/CommPortSetup.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "link/PortSettingsFile.h"
#include "platform/FileRead.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace voran {

namespace {
const char* const kToolFolders[] = {"TNX51", "TNX96", "PLS51"};
constexpr const char* kToolSettingsName = "TARNIX.SFG";
// Only the first line matters; a file of any size is not read whole.
constexpr std::size_t kReadLimit = 4096;
}  // namespace

PortSettingsLoad LoadPortSettings(const std::string& settingsFile) {
    PortSettingsLoad r;
    std::error_code ec;
    if (!fs::exists(settingsFile, ec)) return r;
    const FileReadResult read = ReadFileContents(settingsFile, kReadLimit, true);
    if (!read) {
        r.ok = false;
        r.errorNumber = read.errorNumber;
        r.error = read.error;
        return r;
    }
    // The link's own reading of the file: clamps the port to 1 .. 99.
    r.settings = ParsePortSettingsText(std::string(WithoutByteOrderMark(read.bytes))).settings;
    return r;
}

std::vector<std::string> ToolSettingsFiles(const std::string& programFolder) {
    std::vector<std::string> files;
    for (const char* name : kToolFolders) {
        const std::string folder = ResolvePath(programFolder, name);
        std::error_code ec;
        if (fs::is_directory(folder, ec)) files.push_back(ResolvePath(folder, kToolSettingsName));
    }
    return files;
}

std::string ToolSettingsText(const PortSettings& s) {
    return std::to_string(s.port - 1);
}

FileWriteResult SavePortSettings(const std::string& settingsFile, const std::string& programFolder,
                                 const PortSettings& s) {
    std::error_code ec;
    const fs::path folder = fs::path(settingsFile).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) return {false, ec.value(), ec.message() + ": " + folder.string(), ec.message()};
    }
    FileWriteResult r = ReplaceFileContents(settingsFile, FormatPortSettingsText(s) + "\n");
    if (!r) return r;
    // The programming tool is a DOS-era program: its line ends in CR LF.
    for (const std::string& file : ToolSettingsFiles(programFolder)) {
        r = ReplaceFileContents(file, ToolSettingsText(s) + "\r\n");
        if (!r) return r;
    }
    return r;
}

}  // namespace voran
