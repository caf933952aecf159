// The readers of the installation's code files: FaultDescription (the first
// record of a code) and CodeDescription (the last record), both over the
// comma-separated record reader. Invariants:
// - FaultDescription always starts with "Fault Code (" + code + "H): " and
//   adds at most one line's description, never a line break;
// - CodeDescription gives a description without a line break, and only when
//   some line's first field is the code without regard to case;
// - NextRecordField always moves forward and ends within the line.
#include <cstdint>
#include <fstream>
#include <string>

#include "Harness.h"
#include "platform/FileRead.h"
#include "program/FaultText.h"
#include "program/ProgramFiles.h"
#include "program/RecordText.h"
#include "program/TargetBoardInfo.h"

using namespace voran;
using voran::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 4096) return -1;
    const int code = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string file = voran::fuzz::ProgramFolder() + "/codes.txt";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;

    testing::FakeMessageBox boxes;
    const std::string head = "Fault Code (" + HexByteText(code) + "H): ";
    const std::string described = FaultDescription(code, file, boxes);
    Check(described.compare(0, head.size(), head) == 0, "a description without its head");
    Check(described.find('\n') == std::string::npos, "a description over a line");

    const auto found = CodeDescription(file, HexByteText(code));
    if (found) {
        Check(found->find('\n') == std::string::npos, "a code description over a line");
        // The reader passes over a byte-order mark at the start of the file.
        const std::string body(WithoutByteOrderMark(text));
        bool listed = false;
        std::size_t start = 0;
        while (start <= body.size() && !listed) {
            std::size_t end = body.find('\n', start);
            if (end == std::string::npos) end = body.size();
            std::string line = body.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::size_t pos = 0;
            listed = SameNoCase(NextRecordField(line, pos), HexByteText(code));
            start = end + 1;
        }
        Check(listed, "a description of a code no record lists");
    }

    // The record reader on the text as one line.
    std::size_t pos = 0;
    for (int fields = 0; pos < text.size() && fields < 64; ++fields) {
        const std::size_t before = pos;
        NextRecordField(text, pos);
        Check(pos > before && pos <= text.size(), "the record reader stands still or runs over");
    }
    return 0;
}
