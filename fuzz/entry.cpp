// The operator's value text (the entry rule) and the value encodings of the
// three item kinds. Invariants:
// - an accepted text holds nothing but digits and the characters the rule
//   drops (blank, %, comma, point, the degree sign), and its value is the
//   number its digits spell;
// - a text of digits alone is always accepted with that value;
// - a refused text says why;
// - every value an item's range admits splits into the data bytes the link
//   sends and composes back from them unchanged.
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include "Harness.h"
#include "data/SetupData.h"
#include "link/AddressCodec.h"
#include "number/NumberText.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

// The digits of a text when everything else in it is something the entry
// rule drops; nullopt when it holds anything else.
std::optional<std::string> digitsOfDroppable(const std::string& text) {
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= '0' && c <= '9')
            digits += static_cast<char>(c);
        else if (c == 0xC2 && i + 1 < text.size() &&
                 static_cast<unsigned char>(text[i + 1]) == 0xB0)
            ++i;
        else if (c != ' ' && c != '%' && c != ',' && c != '.' && c != 0xB0)
            return std::nullopt;
    }
    return digits;
}

void checkEncodings(std::int64_t value) {
    for (const char* text : {"B100", "W100", "D100", "B100.3"}) {
        const DecodedAddress a = DecodeAddress(text);
        if (!CheckRange(a, value).ok) continue;
        const std::vector<std::uint8_t> bytes = SplitValue(a, value);
        Check(static_cast<int>(bytes.size()) == a.byteCount(),
              std::string(text) + ": wrong byte count for " + std::to_string(value));
        const std::int64_t back = ComposeValue(a, bytes.data());
        const std::int64_t expected = a.bitItem ? ((value & a.mask) != 0 ? 1 : 0) : value;
        Check(back == expected, std::string(text) + ": " + std::to_string(value) +
                                    " composes back as " + std::to_string(back));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const EntryCheck entry = ParseEntryText(text);
    const auto digits = digitsOfDroppable(text);
    if (entry.ok) {
        Check(digits.has_value(), "entry \"" + text + "\" accepted with a foreign character");
        Check(entry.value >= 0, "entry \"" + text + "\" gives a negative value");
        // Up to 12 digits (beyond that every range refuses the value anyway).
        const std::size_t lead = digits->find_first_not_of('0');
        const std::string significant = lead == std::string::npos ? "" : digits->substr(lead);
        if (significant.size() <= 12)
            Check(entry.value == (significant.empty() ? 0 : std::stoll(significant)),
                  "entry \"" + text + "\" gives " + std::to_string(entry.value));
        checkEncodings(entry.value);
    } else {
        Check(!entry.error.empty(), "entry \"" + text + "\" refused without a reason");
    }
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
        Check(entry.ok, "entry of digits \"" + text + "\" refused");

    // The same bytes as a raw value for the encodings.
    std::uint64_t raw = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i) raw = raw << 8 | data[i];
    checkEncodings(static_cast<std::int64_t>(raw % 700'000'000));
    return 0;
}
