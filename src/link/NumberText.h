#pragma once

#include <cstdint>
#include <string>

namespace voran {

// The leading whole number of a text: leading blanks skipped, an optional
// sign, then decimal digits up to the first character that is not one
// ("30abc" gives 30, "" and "abc" give 0). Saturates far beyond any address.
std::int64_t LeadingInteger(const std::string& text);

// The leading hexadecimal digits of a text as a number ("F0" gives 240,
// "" and "ZZ" give 0). Saturates far beyond any address.
std::int64_t LeadingHex(const std::string& text);

// True when the whole text (blanks around it allowed) is one whole number.
bool IsWholeNumber(const std::string& text);

}  // namespace voran
