// The readers of the program file set: the first field of a .tnx, the
// revision line of a .rev and the configuration line of a .lcf, through the
// selection that a download makes (DownloadFile). Invariants:
// - the first field never holds a line break and is never longer than the
//   first line;
// - a revision file is taken only when its field holds at least four
//   characters: ident = the field without them, checksum and revision the
//   MarkHEX values of the two pairs (0..255); otherwise all three "Unknown";
// - the configuration digits are 0..9;
// - ValidProgram only for a PLC board type with a revision file read (and,
//   for the configuration boards, a configuration file read).
#include <cstdint>
#include <fstream>
#include <string>

#include "Harness.h"
#include "program/BoardTable.h"
#include "program/ProgramFiles.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool isNumberUpTo255(const std::string& text) {
    if (text.empty() || text.size() > 3) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return std::stoi(text) <= 255;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 2048) return -1;
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The input cut in three at its first two 0x01 bytes: .tnx, .rev, .lcf.
    const std::size_t a = input.find('\x01');
    const std::size_t b = a == std::string::npos ? a : input.find('\x01', a + 1);
    const std::string tnx = input.substr(0, a);
    const std::string rev = a == std::string::npos ? "" : input.substr(a + 1, b - a - 1);
    const std::string lcf = b == std::string::npos ? "" : input.substr(b + 1);

    const std::string base = voran::fuzz::ProgramFolder() + "/set";
    writeFile(base + ".tnx", tnx);
    writeFile(base + ".rev", rev);
    writeFile(base + ".lcf", lcf);

    std::string field;
    if (ReadFirstField(base + ".tnx", &field) == FieldRead::Ok) {
        Check(field.find_first_of("\r\n") == std::string::npos, "a first field over a line");
        Check(field.size() <= tnx.size(), "a first field longer than the file");
    }

    testing::FakeMessageBox boxes;
    ProgramSet set;
    DownloadFile(set, base + ".tnx", boxes);
    // Only a PLC program's revision file is read; "Unknown" until it is.
    const bool identRead = !set.ProgramChecksum.empty() && set.ProgramChecksum != "Unknown";
    if (identRead) {
        Check(isNumberUpTo255(set.ProgramChecksum) && isNumberUpTo255(set.ProgramRevision),
              "checksum or revision out of 0..255: " + set.ProgramChecksum + " " +
                  set.ProgramRevision);
    }
    for (int d : {set.LCFCode36, set.LCFCode39, set.LCFCode40})
        Check(d >= 0 && d <= 9, "a configuration digit out of 0..9");
    if (set.ValidProgram) {
        Check(ProgramClassOf(set.ProgramBoardType) == ProgramClass::Plc,
              "a program of a board it cannot go to accepted");
        Check(identRead && set.ProgramRevision != "Unknown", "accepted without its revision file");
    }
    return 0;
}
