#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "number/NumberText.h"

namespace voran {

// A data-item address as the link sends it: kind B (1 byte), W (2) or D (4),
// a byte address, and for bit items and flags a mask.
struct DecodedAddress {
    char letter = 'B';
    std::uint32_t byteAddress = 32;
    int mask = 1;
    bool bitItem = false;

    int byteCount() const { return letter == 'W' ? 2 : letter == 'D' ? 4 : 1; }
    bool operator==(const DecodedAddress&) const = default;
};

// Parses an address text ("B8176", "W182", "D1100", "B1044.1", "F135",
// "1FF0H", anything else is byte 32).
DecodedAddress DecodeAddress(const std::string& add);

// Composes an item's value from its data bytes (byte k at address + k).
std::int64_t ComposeValue(const DecodedAddress& a, const std::uint8_t* bytes);

// Range check of a (rebuilt) value for its kind; bit items are checked as 0/1
// before the byte is rebuilt, by the caller.
EntryCheck CheckRange(const DecodedAddress& a, std::int64_t value);
// Splits a value into the data bytes of its kind.
std::vector<std::uint8_t> SplitValue(const DecodedAddress& a, std::int64_t value);

}  // namespace voran
