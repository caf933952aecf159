// The controller's reply text turned into an item value (ReplyToValue).
// Invariants:
// - the decimal text of any 32-bit value gives that value back exactly (a
//   read's reply is always such a text);
// - any text gives what the C library's strtod makes of its leading number,
//   rounded to the nearest whole number with halves to the even neighbour and
//   held to the 32-bit range (a number too small to show is 0); a text
//   without a leading number gives 0.
#include <cerrno>
#include <cmath>
#include <cctype>
#include <cstdint>
#include <optional>
#include <cstdlib>
#include <limits>
#include <string>

#include "Harness.h"
#include "data/SetupData.h"
#include "number/NumberText.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

// What the reply rule gives, by the C library: blanks and line breaks
// skipped, then a decimal number (strtod also knows hexadecimal numbers,
// infinity and NaN, which no reply holds: those give nullopt, not compared).
std::optional<std::int32_t> reference(const std::string& text) {
    std::size_t p = text.find_first_not_of(" \t\r\n");
    if (p == std::string::npos) return 0;
    std::size_t q = p;
    if (text[q] == '+' || text[q] == '-') ++q;
    if (q >= text.size()) return 0;
    if (!std::isdigit(static_cast<unsigned char>(text[q])) && text[q] != '.') return 0;
    if (text[q] == '0' && q + 1 < text.size() && (text[q + 1] == 'x' || text[q + 1] == 'X'))
        return std::nullopt;
    const std::string from = text.substr(p);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(from.c_str(), &end);
    if (end == from.c_str()) return 0;
    // strtod stops at an embedded NUL; a reply never holds one.
    if (from.find('\0') < static_cast<std::size_t>(end - from.c_str())) return std::nullopt;
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 80) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find('\0') != std::string::npos) return 0;
    const std::int32_t got = ReplyToValue(text);
    if (const auto expected = reference(text))
        Check(got == *expected, "reply \"" + text + "\" gives " + std::to_string(got) +
                                    ", strtod and rounding give " + std::to_string(*expected));

    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < size && i < 4; ++i) raw = raw << 8 | data[i];
    const auto exact = static_cast<std::int32_t>(raw);
    Check(ReplyToValue(std::to_string(exact)) == exact,
          "the reply \"" + std::to_string(exact) + "\" does not give its own value");
    return 0;
}
