// Fault descriptions from the installation's fault-text file.
#include "program/FaultText.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Paths.h"
#include "program/ProgramFiles.h"

namespace voran {

namespace {

// Only this much of a line is looked at.
constexpr std::size_t kLineLimit = 4096;

bool sameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// One comma-separated field from `pos`: blanks before it skipped, quoted
// text kept whole, unquoted text cut before the blanks that end it.
std::string nextField(const std::string& line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::string field;
    if (pos < line.size() && line[pos] == '"') {
        const std::size_t close = line.find('"', pos + 1);
        field =
            line.substr(pos + 1, close == std::string::npos ? std::string::npos : close - pos - 1);
        pos = close == std::string::npos ? line.size() : close + 1;
        pos = line.find(',', pos);
    } else {
        const std::size_t comma = line.find(',', pos);
        field = line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        field.erase(field.find_last_not_of(" \t") + 1);
        pos = comma;
    }
    if (pos != std::string::npos) ++pos;
    return field;
}

}  // namespace

std::string FaultFile(const std::string& programFolder) {
    return ResolvePath(programFolder, "Support/FaultErrCodes.txt");
}

std::string FaultDescription(int fltCode, const std::string& faultFile, IMessageBox& messages) {
    const std::string code = HexByteText(fltCode);
    std::string result = "Fault Code (" + code + "H): ";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(faultFile, ec))
        return result + "--- Fault File Not Found ---";

    std::ifstream in(faultFile, std::ios::binary);
    if (!in) {
        const int number = errno;
        messages.show("Error Number = " + std::to_string(number) + "\r\n\r\n" +
                          std::strerror(number) + ": " + faultFile,
                      "RSComm FaultDescription", MsgButtons::Ok, MsgIcon::Information);
        return result;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > kLineLimit) line.resize(kLineLimit);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t pos = 0;
        const std::string field = nextField(line, pos);
        if (!sameNoCase(field, code)) continue;
        return result + (pos == std::string::npos || pos > line.size() ? std::string()
                                                                       : nextField(line, pos));
    }
    return result;
}

}  // namespace voran
