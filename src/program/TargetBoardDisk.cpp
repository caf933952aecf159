// The program set on disk as the target board window shows it.
#include <filesystem>

#include "program/ProgramFiles.h"
#include "program/TargetBoardInfo.h"

namespace voran {

namespace {

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// Two MarkHEX digits as a number.
int markHexValue(const std::string& field, std::size_t at) {
    return static_cast<int>(std::stol(MarkHexToText(field.substr(at, 2))));
}

}  // namespace

int ProgramFileBoardType(const std::string& path) {
    std::string field;
    if (ReadFirstField(SiblingFile(path, "TNX"), &field) != FieldRead::Ok || field.empty())
        return kDefaultBoardType;
    return static_cast<unsigned char>(field[0]);
}

ProgramOnDisk ReadProgramOnDisk(const std::string& tarnixFile) {
    ProgramOnDisk disk;
    if (!isFile(tarnixFile)) return disk;
    disk.DiskBoardType = ProgramFileBoardType(tarnixFile);
    disk.DiskIdent.assign(1, '-');
    std::string field;
    if (ReadFirstField(SiblingFile(tarnixFile, "rev"), &field) == FieldRead::Ok) {
        // The ident, then the checksum and the revision as two MarkHEX
        // digits each. A line too short to hold both pairs has no ident.
        if (field.size() >= 4) {
            disk.DiskIdent = field.substr(0, field.size() - 4);
            disk.DiskRevision = markHexValue(field, field.size() - 2);
            disk.DiskChecksum = markHexValue(field, field.size() - 4);
        }
        disk.DiskHexFile = SiblingFile(tarnixFile, "hex");
    }
    return disk;
}

}  // namespace voran
