#include "FileBytes.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace filebytes {

std::string FromHex(const char* hex) {
    std::string out;
    for (const char* p = hex; p[0] && p[1]; p += 2)
        out.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
    return out;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string U16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string U32(std::uint32_t v) {
    return U16(static_cast<std::uint16_t>(v & 0xFFFF)) + U16(static_cast<std::uint16_t>(v >> 16));
}

std::string Record(const std::string& version, std::uint32_t addressEntries,
                   std::uint32_t valueEntries) {
    std::string b = U16(static_cast<std::uint16_t>(version.size())) + version;
    b += std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);  // 1.0: 31 Dec 1899
    b += U16(1) + U32(addressEntries) + U32(0);
    for (std::uint32_t i = 0; i < addressEntries; ++i) {
        const std::string text = "W" + std::to_string(i);
        b += U16(static_cast<std::uint16_t>(text.size())) + text;
    }
    b += U16(1) + U32(valueEntries) + U32(0);
    for (std::uint32_t i = 0; i < valueEntries; ++i) b += U32(i);
    b += U16(8) + U16(360) + U16(0) + U16(0);
    for (int i = 0; i < 24; ++i) b += U16(static_cast<std::uint16_t>(i));
    return b;
}

}  // namespace filebytes
