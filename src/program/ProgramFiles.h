#pragma once

#include <string>

#include "platform/MessageBox.h"

namespace voran {

// The program file set chosen for a download or an upload: four files of
// one base name (.tnx, .rev, .hex, .lcf) and what was read from them.
struct ProgramSet {
    std::string ProgramFileName;
    std::string RevisionFileName;
    std::string HexFileName;
    std::string ConfigFileName;
    int ProgramBoardType = 0;
    std::string ProgramBoardName;
    std::string ProgramIdent;
    std::string ProgramRevision;
    std::string ProgramChecksum;
    int LCFCode36 = 0;
    int LCFCode39 = 0;
    int LCFCode40 = 0;
    bool ValidProgram = false;
};

// --- MarkHEX and hexadecimal text ------------------------------------------
// MarkHEX writes the digits 10 to 15 as ":" to "?" (30H + value). Both
// conversions change their argument too and return the result.
std::string MarkHex2HEX(std::string& markHex);
std::string HEX2MarkHEX(std::string& hexCode);
// MarkHEX digits read as a number, as decimal text ("4?" -> "79").
std::string MarkHexToText(const std::string& markHex);
// `value` as upper-case hexadecimal, at least two digits ("0A", "100").
std::string HexByteText(int value);

// --- Files -----------------------------------------------------------------
enum class FieldRead { Ok, Missing, Empty, Unreadable };
// The first field of a file: its first line up to the first comma or the end;
// spaces before it are skipped, and a field that begins with a double quote
// runs to the next one (quotes not kept). `error` gets the platform's
// number and words when the file cannot be read.
FieldRead ReadFirstField(const std::string& path, std::string* field, int* errorNumber = nullptr,
                         std::string* error = nullptr);
// The file of the set `path` belongs to with extension `ext` ("rev"): the
// path without its last three characters followed by `ext`. A file of that
// name in any case of letters is taken when one exists (PLANT.TNX finds
// PLANT.REV); otherwise the name is spelt as given.
std::string SiblingFile(const std::string& path, const std::string& ext);

// Reads a revision file into ProgramIdent, ProgramChecksum and
// ProgramRevision ("Unknown" each until the read succeeds). False when the
// file is missing, empty, unreadable or too short (the last two with a box).
bool SetProgramIdent(ProgramSet& set, const std::string& path, IMessageBox& messages);
// Reads the configuration digits at positions 36, 39 and 40 of a
// configuration file (3, 0, 3 until the read succeeds).
bool SetProgramConfig(ProgramSet& set, const std::string& path, IMessageBox& messages);

// Selects the set of `tnxFileName` for a download and checks it: board type,
// revision file and, for configuration boards, configuration file. Sets
// ValidProgram; tells the operator why a program cannot be downloaded.
void DownloadFile(ProgramSet& set, const std::string& tnxFileName, IMessageBox& messages);
// Selects the set an upload writes: the names and the board type only.
void UploadFile(ProgramSet& set, const std::string& tnxFileName, IMessageBox& messages);

// The revision line an upload writes: the eight ident bytes as read, then
// the checksum pair and the revision pair in MarkHEX, CR LF.
std::string RevisionLine(const std::string& identBytes, int checksum, int revision);
// The configuration line an upload writes for `boardType`.
std::string ConfigLine(int boardType, int code36, int code39, int code40);

}  // namespace voran
