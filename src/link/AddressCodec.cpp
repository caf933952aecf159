#include "link/AddressCodec.h"

#include <cctype>
#include <limits>

#include "number/NumberText.h"

namespace voran {

namespace {

// Byte address given to anything that is not an address (the flag area).
constexpr std::uint32_t kDefaultByte = 32;
// A byte address that no item can have: the link refuses to send it.
constexpr std::uint32_t kNoAddress = std::numeric_limits<std::uint32_t>::max();

// A parsed number as a byte address; negative or huge numbers become an
// address the link will refuse rather than wrapping onto real memory.
std::uint32_t asByteAddress(std::int64_t n) {
    if (n < 0 || n > 0xFFFFFF) return kNoAddress;
    return static_cast<std::uint32_t>(n);
}

int maskOfBit(std::int64_t bit) {
    if (bit < 0 || bit > 30) return 0;
    return 1 << bit;
}

}  // namespace

DecodedAddress DecodeAddress(const std::string& add) {
    DecodedAddress a;
    a.bitItem = false;
    a.letter = 'B';
    a.mask = 1;
    if (add.empty()) {
        a.byteAddress = kDefaultByte;
        return a;
    }

    // Hexadecimal byte address: "1FF0H" - the last two digits are the low
    // byte, everything before them the high byte.
    const char last = add.back();
    if (last == 'H' || last == 'h') {
        const std::string digits = add.substr(0, add.size() - 1);
        const std::size_t split = digits.size() >= 2 ? digits.size() - 2 : 0;
        const std::int64_t low = LeadingHex(digits.substr(split));
        const std::int64_t high = LeadingHex(digits.substr(0, split));
        a.byteAddress = asByteAddress(high * 256 + low);
        return a;
    }

    // A bit of a byte: "B1044.1" (whatever the letter).
    if (add.find('.') != std::string::npos) {
        a.bitItem = true;
        const std::string number = add.size() >= 3 ? add.substr(1, add.size() - 3) : std::string();
        a.byteAddress = asByteAddress(LeadingInteger(number));
        a.mask = maskOfBit(LeadingInteger(add.substr(add.size() - 1)));
        return a;
    }

    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(add[0])));
    const std::int64_t n = LeadingInteger(add.substr(1));
    switch (letter) {
        case 'B':
        case 'W':
        case 'D':
            a.letter = letter;
            a.byteAddress = asByteAddress(n);
            break;
        case 'F':
            // Flags are the bits of the flag area that starts at byte 32.
            a.bitItem = true;
            if (n < 0) {
                a.byteAddress = kNoAddress;
            } else {
                a.byteAddress = asByteAddress(n / 8 + 32);
                a.mask = 1 << (n % 8);
            }
            break;
        default:
            a.byteAddress = kDefaultByte;
            break;
    }
    return a;
}

std::int64_t ComposeValue(const DecodedAddress& a, const std::uint8_t* bytes) {
    if (a.bitItem) return (bytes[0] & a.mask) != 0 ? 1 : 0;
    switch (a.letter) {
        case 'W':
            return bytes[1] * 256 + bytes[0];
        case 'D': {
            // Two words: the high word counts ten-thousands.
            const std::int64_t low = bytes[1] * 256 + bytes[0];
            const std::int64_t high = bytes[3] * 256 + bytes[2];
            return high * 10000 + low;
        }
        default:
            return bytes[0];
    }
}

EntryCheck CheckRange(const DecodedAddress& a, std::int64_t value) {
    EntryCheck r;
    r.value = value;
    std::int64_t max = 255;
    const char* text = "Entry out of Range (0-255).";
    if (!a.bitItem && a.letter == 'W') {
        max = 65535;
        text = "Entry out of Range (0-65,535).";
    } else if (!a.bitItem && a.letter == 'D') {
        max = 655359999;
        text = "Entry out of Range (0-655,359,999).";
    }
    r.ok = value >= 0 && value <= max;
    if (!r.ok) r.error = text;
    return r;
}

std::vector<std::uint8_t> SplitValue(const DecodedAddress& a, std::int64_t value) {
    auto b = [](std::int64_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    if (a.bitItem || a.letter == 'B') return {b(value)};
    if (a.letter == 'W') return {b(value % 256), b(value / 256)};
    const std::int64_t low = value % 10000;
    const std::int64_t high = value / 10000;
    return {b(low % 256), b(low / 256), b(high % 256), b(high / 256)};
}

}  // namespace voran
