// The program file set: names derived from the program file, the revision
// and configuration files, and the MarkHEX notation of the revision line.
#include "program/ProgramFiles.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/FileRead.h"
#include "program/BoardTable.h"
#include "program/RecordText.h"
#include "number/NumberText.h"

namespace voran {

namespace fs = std::filesystem;

namespace {

// The first line is read up to this many characters: the fields the program
// uses lie at its start, and a huge file costs no more than this.
constexpr std::size_t kFirstLineLimit = 4096;

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string baseName(const std::string& path) {
    const fs::path p(path);
    return p.stem().string();
}

std::string failureText(int number, const std::string& description) {
    return "Error Number = " + std::to_string(number) + "\r\n\r\n" + description;
}

// The first field of a file of the set; nothing when the file is missing
// or empty, and a box with the platform's words when it cannot be read.
std::optional<std::string> firstFieldOrSay(const std::string& path, IMessageBox& messages,
                                           const char* title, MsgIcon icon) {
    std::string field, error;
    int number = 0;
    switch (ReadFirstField(path, &field, &number, &error)) {
        case FieldRead::Missing:
        case FieldRead::Empty:
            return std::nullopt;
        case FieldRead::Unreadable:
            messages.show(failureText(number, error), title, MsgButtons::Ok, icon);
            return std::nullopt;
        case FieldRead::Ok:
            break;
    }
    return field;
}

std::string replaceAll(std::string text, const char* from, const char* to) {
    for (char& c : text) {
        const char* hit = std::strchr(from, c);
        if (c != '\0' && hit) c = to[hit - from];
    }
    return text;
}

}  // namespace

std::string MarkHex2HEX(std::string& markHex) {
    markHex = replaceAll(markHex, ":;<=>?", "ABCDEF");
    return markHex;
}

std::string HEX2MarkHEX(std::string& hexCode) {
    hexCode = replaceAll(hexCode, "ABCDEF", ":;<=>?");
    return hexCode;
}

std::string MarkHexToText(const std::string& markHex) {
    std::string digits = markHex;
    return std::to_string(LeadingHex(MarkHex2HEX(digits)));
}

std::string HexByteText(int value) {
    static const char* const kDigits = "0123456789ABCDEF";
    unsigned v = static_cast<unsigned>(value < 0 ? value & 0xFFFF : value);
    std::string text;
    do {
        text.insert(text.begin(), kDigits[v % 16]);
        v /= 16;
    } while (v != 0);
    if (text.size() < 2) text.insert(text.begin(), '0');
    return text;
}

FieldRead ReadFirstField(const std::string& path, std::string* field, int* errorNumber,
                         std::string* error) {
    field->clear();
    if (!isFile(path)) return FieldRead::Missing;
    const FileReadResult read = ReadFileContents(path, kFirstLineLimit, true);
    if (!read) {
        if (errorNumber) *errorNumber = read.errorNumber;
        if (error) *error = read.error;
        return FieldRead::Unreadable;
    }
    const std::string_view text = WithoutByteOrderMark(read.bytes);
    if (text.empty()) return FieldRead::Empty;
    std::string line(text.substr(0, text.find_first_of("\r\n")));

    std::size_t i = line.find_first_not_of(' ');
    if (i == std::string::npos) return FieldRead::Ok;
    if (line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        *field = line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
    } else {
        std::string text = line.substr(i, line.find(',', i) - i);
        // An unquoted field ends before the blanks that precede its comma.
        text.erase(text.find_last_not_of(" \t") + 1);
        *field = text;
    }
    return FieldRead::Ok;
}

std::string SiblingFile(const std::string& path, const std::string& ext) {
    const std::string base = path.size() >= 3 ? path.substr(0, path.size() - 3) : std::string();
    const std::string wanted = base + ext;
    std::error_code ec;
    if (fs::exists(wanted, ec)) return wanted;
    const fs::path p(wanted);
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string name = p.filename().string();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (SameNoCase(it->path().filename().string(), name))
            return p.has_parent_path() ? (folder / it->path().filename()).string()
                                       : it->path().filename().string();
    }
    return wanted;
}

bool SetProgramIdent(ProgramSet& set, const std::string& path, IMessageBox& messages) {
    set.ProgramIdent = set.ProgramRevision = set.ProgramChecksum = "Unknown";
    const std::optional<std::string> read =
        firstFieldOrSay(path, messages, "RSComm-Set Program Ident", MsgIcon::Critical);
    if (!read) return false;
    const std::string& f = *read;
    if (f.size() < 4) {
        messages.show(failureText(5, "The revision line \"" + f +
                                         "\" is shorter than four characters: " + path),
                      "RSComm-Set Program Ident", MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    set.ProgramIdent = f.substr(0, f.size() - 4);
    set.ProgramChecksum = MarkHexToText(f.substr(f.size() - 4, 2));
    set.ProgramRevision = MarkHexToText(f.substr(f.size() - 2, 2));
    return true;
}

bool SetProgramConfig(ProgramSet& set, const std::string& path, IMessageBox& messages) {
    set.LCFCode36 = 3;
    set.LCFCode39 = 0;
    set.LCFCode40 = 3;
    const std::optional<std::string> read =
        firstFieldOrSay(path, messages, "RSComm-Set Program Config", MsgIcon::Critical);
    if (!read) return false;
    const std::string& f = *read;
    const auto digit = [&f](std::size_t position) {
        if (position > f.size()) return 0;
        const char c = f[position - 1];
        return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : 0;
    };
    set.LCFCode36 = digit(36);
    set.LCFCode39 = digit(39);
    set.LCFCode40 = digit(40);
    return true;
}

namespace {

// Steps shared by both selections: the names of the set and the board type.
// False when the program file is missing or empty (no message).
bool selectSet(ProgramSet& set, const std::string& tnxFileName, IMessageBox& messages,
               const char* failureTitle) {
    if (!isFile(tnxFileName)) return false;
    set.ProgramFileName = SiblingFile(tnxFileName, "tnx");
    set.RevisionFileName = SiblingFile(tnxFileName, "rev");
    set.HexFileName = SiblingFile(tnxFileName, "hex");
    set.ConfigFileName = SiblingFile(tnxFileName, "lcf");
    const std::optional<std::string> read =
        firstFieldOrSay(tnxFileName, messages, failureTitle, MsgIcon::Information);
    if (!read) return false;
    const std::string& field = *read;
    set.ProgramBoardType = field.empty() ? 0 : static_cast<unsigned char>(field[0]);
    set.ProgramBoardName = TargetboardName(set.ProgramBoardType);
    return true;
}

}  // namespace

void DownloadFile(ProgramSet& set, const std::string& tnxFileName, IMessageBox& messages) {
    set.ValidProgram = false;
    if (!selectSet(set, tnxFileName, messages, "RSComm-Download File")) return;

    const std::string name = baseName(tnxFileName);
    switch (ProgramClassOf(set.ProgramBoardType)) {
        case ProgramClass::Plc: {
            const bool ident = SetProgramIdent(set, set.RevisionFileName, messages);
            if (!ident)
                messages.show(set.RevisionFileName +
                                  " Revision File is Not Valid\r\n\r\nProgram Downloaded Halted!",
                              "Program Download", MsgButtons::Ok, MsgIcon::Exclamation);
            bool config = true;
            if (HasConfigFile(set.ProgramBoardType)) {
                config = SetProgramConfig(set, set.ConfigFileName, messages);
                if (!config)
                    messages.show(
                        set.ConfigFileName +
                            " Configuration File is Not Valid\r\n\r\nProgram Downloaded Halted!",
                        "Program Download", MsgButtons::Ok, MsgIcon::Exclamation);
            }
            set.ValidProgram = ident && config;
            break;
        }
        case ProgramClass::Pls:
            messages.show(name +
                              " file is a PLS target board program.\r\nOpen PLS program to "
                              "download to target board.\r\n\r\nProgram Downloaded Halted.",
                          "PLS Program Download", MsgButtons::Ok, MsgIcon::Information);
            break;
        case ProgramClass::Incompatible:
            messages.show(
                name + " file is incompatible with target board.\r\n\r\nProgram Downloaded Halted!",
                "Program Download", MsgButtons::Ok, MsgIcon::Critical);
            break;
    }
}

void UploadFile(ProgramSet& set, const std::string& tnxFileName, IMessageBox& messages) {
    selectSet(set, tnxFileName, messages, "RSComm UploadFile");
}

std::string RevisionLine(const std::string& identBytes, int checksum, int revision) {
    std::string chk = HexByteText(checksum), rev = HexByteText(revision);
    return identBytes + HEX2MarkHEX(chk) + HEX2MarkHEX(rev) + "\r\n";
}

std::string ConfigLine(int boardType, int code36, int code39, int code40) {
    return LCFBoardIndex(boardType) + std::string(34, '0') + std::to_string(code36) + "00" +
           std::to_string(code39) + std::to_string(code40) + "000%\r\n";
}

}  // namespace voran
