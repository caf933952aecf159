// Fault descriptions from the installation's fault-text file.
#include "program/FaultText.h"

#include <optional>

#include "platform/FileRead.h"
#include "platform/Paths.h"
#include "program/ProgramFiles.h"
#include "program/RecordText.h"

namespace voran {

std::string FaultFile(const std::string& programFolder) {
    return ResolvePath(programFolder, "Support/FaultErrCodes.txt");
}

std::optional<std::string> FindCodeRecord(std::string_view text, const std::string& code) {
    text = WithoutByteOrderMark(text);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t pos = 0;
        // A code listed twice: the first record counts.
        if (SameNoCase(NextRecordField(line, pos), code)) return NextRecordField(line, pos);
    }
    return std::nullopt;
}

std::string FaultDescription(int fltCode, const std::string& faultFile, IMessageBox& messages) {
    const std::string code = HexByteText(fltCode);
    std::string result = "Fault Code (" + code + "H): ";
    const FileReadResult read = ReadFileContents(faultFile);
    if (read.missing) return result + "--- Fault File Not Found ---";
    if (!read) {
        messages.show(
            "Error Number = " + std::to_string(read.errorNumber) + "\r\n\r\n" + read.error,
            "RSComm FaultDescription", MsgButtons::Ok, MsgIcon::Information);
        return result;
    }
    if (const auto found = FindCodeRecord(read.bytes, code)) result += *found;
    return result;
}

}  // namespace voran
