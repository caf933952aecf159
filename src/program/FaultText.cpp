// Fault descriptions from the installation's fault-text file.
#include "program/FaultText.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Paths.h"
#include "program/ProgramFiles.h"
#include "program/RecordText.h"

namespace voran {

namespace {

// Only this much of a line is looked at.
constexpr std::size_t kLineLimit = 4096;

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
        const std::string field = NextRecordField(line, pos);
        if (!SameNoCase(field, code)) continue;
        return result + NextRecordField(line, pos);
    }
    return result;
}

}  // namespace voran
