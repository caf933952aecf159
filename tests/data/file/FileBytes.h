#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

// Helpers that assemble and inspect set-up file bytes by hand.
namespace filebytes {

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

// Little-endian pieces.
inline std::string U16(std::uint16_t v) {
    return {char(v & 0xFF), char(v >> 8)};
}
inline std::string U32(std::uint32_t v) {
    return U16(v & 0xFFFF) + U16(v >> 16);
}

// Offsets in a file of the standard table with a 12-byte version text.
inline constexpr std::size_t kStampAt = 14;
inline constexpr std::size_t kAddressTableAt = 22;  // dims, count, lowest
inline constexpr std::size_t kFirstAddressAt = 32;
inline constexpr std::size_t kValueTableAt = 565;

// The set-up file of the default data, tagged VORAN_R2.0.3 and stamped
// 14 Mar 2026 09:26:53 (943 bytes), kept as hex text beside this file.
inline std::string GoldenDefault() {
    const std::string hex = ReadAll(VORAN_SOURCE_DIR "/tests/data/file/golden-default.hex");
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += hex[i] == '\n' ? 1 : 2)
        if (hex[i] != '\n') out.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace filebytes
