// The Intel HEX text of controller program images.
#include "program/HexImage.h"

#include <algorithm>

namespace voran {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int HexRecord::sum() const {
    int s = static_cast<int>(data.size()) + addressHigh + addressLow;
    for (std::uint8_t b : data) s += b;
    return s & 0xFF;
}

HexImage ParseHexImage(const std::string& text) {
    HexImage image;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    // The line break after the last record leaves one empty line behind.
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();

    const auto fail = [&image](int line, std::string reason) {
        image.ok = false;
        image.badLine = line;
        image.reason = std::move(reason);
        image.records.clear();
        return image;
    };
    bool ended = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        const int number = static_cast<int>(n) + 1;
        if (line.empty()) return fail(number, "the line is empty");
        if (line[0] != ':') return fail(number, "the line does not begin with \":\"");
        std::vector<int> bytes;
        if (line.size() % 2 == 0) return fail(number, "the line has an odd number of digits");
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            const int hi = hexDigit(line[i]), lo = hexDigit(line[i + 1]);
            if (hi < 0 || lo < 0)
                return fail(number, "the line holds a character that is not a hexadecimal digit");
            bytes.push_back(hi * 16 + lo);
        }
        if (bytes.size() < 5) return fail(number, "the record is too short");
        const int count = bytes[0];
        if (static_cast<int>(bytes.size()) != count + 5)
            return fail(number, "the record's length does not match its byte count");
        int sum = 0;
        for (int b : bytes) sum += b;
        if ((sum & 0xFF) != 0) return fail(number, "the record checksum is wrong");
        if (count == 0xFF)
            return fail(number,
                        "a record of 255 bytes cannot be sent (the board takes FFH as the end of "
                        "the program)");
        if (ended) return fail(number, "a record follows the end record");
        const int type = bytes[3];
        if (type == 1) {
            if (count != 0) return fail(number, "the end record holds data");
            ended = true;
            continue;
        }
        if (type != 0)
            return fail(number, "record type " + std::string(1, "0123456789ABCDEF"[type >> 4]) +
                                    "0123456789ABCDEF"[type & 0xF] +
                                    " is not a data record (only types 00 and 01 are downloaded)");
        if (bytes[1] * 256 + bytes[2] + count > 0x10000)
            return fail(number, "the record runs past address FFFFH");
        if (count == 0) continue;
        HexRecord r;
        r.line = number;
        r.addressHigh = bytes[1];
        r.addressLow = bytes[2];
        r.data.assign(bytes.begin() + 4, bytes.begin() + 4 + count);
        image.records.push_back(std::move(r));
    }
    if (!ended)
        return fail(static_cast<int>(lines.size()),
                    "the image ends without its end record (:00000001FF): it may have been cut "
                    "short");
    image.ok = true;
    return image;
}

std::vector<std::pair<int, int>> BytesOutside(const HexImage& image, const MemoryRange& memory) {
    std::vector<std::pair<int, int>> pieces;
    for (const HexRecord& r : image.records) {
        const int first = r.address(), last = first + static_cast<int>(r.data.size()) - 1;
        if (first < memory.start) pieces.push_back({first, std::min(last, memory.start - 1)});
        if (last > memory.end()) pieces.push_back({std::max(first, memory.end() + 1), last});
    }
    std::sort(pieces.begin(), pieces.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& p : pieces) {
        if (!merged.empty() && p.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, p.second);
        else
            merged.push_back(p);
    }
    return merged;
}

std::string AddressRangeText(const std::pair<int, int>& range) {
    static const char* const kDigits = "0123456789ABCDEF";
    const auto text = [](int a) {
        std::string t = "0000H";
        for (int i = 3; i >= 0; --i, a >>= 4) t[i] = kDigits[a & 0xF];
        return t;
    };
    return text(range.first) + " to " + text(range.second);
}

std::string HexRecordLine(int address, const std::uint8_t* data, int count) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string line;
    line.reserve(13 + 2 * count);
    int sum = 0;
    const auto put = [&](int b) {
        line += kDigits[(b >> 4) & 0xF];
        line += kDigits[b & 0xF];
        sum += b;
    };
    line += ':';
    put(count);
    put((address >> 8) & 0xFF);
    put(address & 0xFF);
    put(0);
    for (int i = 0; i < count; ++i) put(data[i]);
    put((0x100 - (sum & 0xFF)) & 0xFF);
    line += "\r\n";
    return line;
}

}  // namespace voran
