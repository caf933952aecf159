// The image checker (ParseHexImage) and the program-memory check of a
// download. Invariants:
// - a refused image names its line (within the file) and says why, and
//   carries no records;
// - an accepted image ends with its end record and has one record for each
//   data record of the file, in order, none of them empty, none running past
//   FFFFH, none of 255 bytes; each record written back as a line reads back
//   as the same record;
// - the stretches outside a program memory are in order, apart, each outside
//   the memory and made only of record bytes, and every record byte outside
//   the memory lies in one of them.
#include <cstdint>
#include <set>
#include <string>

#include "Harness.h"
#include "program/HexImage.h"

using namespace voran;
using voran::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const HexImage image = ParseHexImage(text);
    int lines = 1;
    for (char c : text) lines += c == '\n';
    if (!image.ok) {
        Check(!image.reason.empty(), "an image refused without a reason");
        Check(image.badLine >= 1 && image.badLine <= lines, "an image refused at line " +
                                                                std::to_string(image.badLine) +
                                                                " of " + std::to_string(lines));
        Check(image.records.empty(), "a refused image keeps records");
        return 0;
    }
    // The last line (but for one empty line after it) is an end record.
    std::string last = text;
    if (!last.empty() && last.back() == '\n') last.pop_back();
    last = last.substr(last.rfind('\n') == std::string::npos ? 0 : last.rfind('\n') + 1);
    if (!last.empty() && last.back() == '\r') last.pop_back();
    Check(last.size() == 11 && last.compare(0, 3, ":00") == 0 && last.compare(7, 2, "01") == 0,
          "an image accepted without an end record as its last line: " + last);
    int lastLine = 0;
    std::set<int> bytes;
    for (const HexRecord& r : image.records) {
        Check(r.line > lastLine, "records out of file order");
        lastLine = r.line;
        Check(!r.data.empty() && r.data.size() < 255, "a record of a count that cannot be sent");
        Check(r.address() + static_cast<int>(r.data.size()) <= 0x10000,
              "a record past FFFFH accepted");
        const std::string line =
            HexRecordLine(r.address(), r.data.data(), static_cast<int>(r.data.size()));
        const HexImage again = ParseHexImage(line + ":00000001FF\r\n");
        Check(again.ok && again.records.size() == 1 && again.records[0].data == r.data &&
                  again.records[0].address() == r.address(),
              "a record written back reads back as another");
        for (std::size_t k = 0; k < r.data.size(); ++k)
            bytes.insert(r.address() + static_cast<int>(k));
    }
    const MemoryRange memory{0x4000, 0x8000};
    const auto outside = BytesOutside(image, memory);
    int previousEnd = -2;
    std::size_t counted = 0;
    for (const auto& [first, last] : outside) {
        Check(first <= last && first > previousEnd + 1, "stretches out of order or touching");
        previousEnd = last;
        for (int a = first; a <= last; ++a) {
            Check(a < memory.start || a > memory.end(), "a stretch inside the memory");
            Check(bytes.count(a) == 1, "a stretch over an address no record holds");
            ++counted;
        }
    }
    std::size_t expected = 0;
    for (int a : bytes) expected += (a < memory.start || a > memory.end()) ? 1 : 0;
    Check(counted == expected, "a record byte outside the memory left out of the stretches");
    return 0;
}
