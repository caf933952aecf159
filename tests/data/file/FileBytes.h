#pragma once

#include <cstdint>
#include <string>

// Helpers that assemble and inspect set-up file bytes by hand.
namespace filebytes {

std::string FromHex(const char* hex);
std::string ToHex(const std::string& bytes);
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// Little-endian pieces.
std::string U16(std::uint16_t v);
std::string U32(std::uint32_t v);

// Offsets in a file of the standard table with a 12-byte version text.
inline constexpr std::size_t kStampAt = 14;
inline constexpr std::size_t kAddressTableAt = 22;  // dims, count, lowest
inline constexpr std::size_t kFirstAddressAt = 32;
inline constexpr std::size_t kValueTableAt = 565;

// A record with `entries` items per table ("W<i>" and value i) and the PLS
// fields 8, 360, 0, 0 followed by 0 .. 23, in the layout of the set-up file.
std::string Record(const std::string& version, std::uint32_t addressEntries,
                   std::uint32_t valueEntries);

}  // namespace filebytes
