#include "link/NumberText.h"

#include <cctype>

namespace voran {

namespace {
constexpr std::int64_t kSaturate = 1LL << 40;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

std::int64_t LeadingInteger(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (v < kSaturate) v = v * 10 + (text[i] - '0');
    return negative ? -v : v;
}

std::int64_t LeadingHex(const std::string& text) {
    std::int64_t v = 0;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isxdigit(u)) break;
        const int d = std::isdigit(u) ? u - '0' : std::toupper(u) - 'A' + 10;
        if (v < kSaturate) v = v * 16 + d;
    }
    return v;
}

bool IsWholeNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t digitsFrom = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == digitsFrom) return false;
    while (i < text.size() && (isBlank(text[i]) || text[i] == '\r')) ++i;
    return i == text.size();
}

}  // namespace voran
