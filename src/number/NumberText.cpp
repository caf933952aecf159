#include "number/NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace voran {

namespace {
constexpr std::int64_t kSaturate = 1LL << 40;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front()))) t.remove_prefix(1);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.remove_suffix(1);
    return t;
}

// The length of the sign, digits and fraction at the start of `t`, and how
// many digits it holds.
std::size_t decimalPrefix(std::string_view t, int* digits) {
    std::size_t i = 0;
    *digits = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++*digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) ++i, ++*digits;
    }
    return i;
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

std::int32_t ReplyToValue(const std::string& reply) {
    std::size_t p = 0;
    while (p < reply.size() &&
           (reply[p] == ' ' || reply[p] == '\t' || reply[p] == '\r' || reply[p] == '\n'))
        ++p;
    // The leading numeric part: sign, digits, a decimal point, an exponent.
    const std::size_t start = p;
    if (p < reply.size() && (reply[p] == '+' || reply[p] == '-')) ++p;
    const std::size_t digitsFrom = p;
    while (p < reply.size() && std::isdigit(static_cast<unsigned char>(reply[p]))) ++p;
    std::size_t digits = p - digitsFrom;
    if (p < reply.size() && reply[p] == '.') {
        const std::size_t f = ++p;
        while (p < reply.size() && std::isdigit(static_cast<unsigned char>(reply[p]))) ++p;
        digits += p - f;
    }
    if (digits == 0) return 0;
    if (p < reply.size() && (reply[p] == 'e' || reply[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < reply.size() && (reply[q] == '+' || reply[q] == '-')) ++q;
        const std::size_t e = q;
        while (q < reply.size() && std::isdigit(static_cast<unsigned char>(reply[q]))) ++q;
        if (q > e) p = q;
    }
    std::string text = reply.substr(start, p - start);
    if (!text.empty() && text[0] == '+') text.erase(0, 1);
    double v = 0.0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large, or too small to show ("1e-400"): a negative exponent
        // means the latter, which is 0.
        const std::size_t e = text.find_first_of("eE");
        const bool tiny = e != std::string::npos && e + 1 < text.size() && text[e + 1] == '-';
        v = tiny ? 0.0 : text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    } else if (res.ec != std::errc())
        return 0;
    // Nearest whole number, halves to the even neighbour; a reply beyond
    // the 32-bit range stops at its end rather than wrapping.
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

EntryCheck ParseEntryText(const std::string& text) {
    EntryCheck r;
    std::int64_t value = 0;
    // Values past this are out of every range; stop growing there.
    constexpr std::int64_t kCap = 1'000'000'000'000LL;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= '0' && c <= '9') {
            if (value < kCap) value = value * 10 + (c - '0');
            continue;
        }
        if (c == ' ' || c == '%' || c == ',' || c == '.' || c == 0xB0) continue;
        // The degree sign typed on a UTF-8 desktop.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xB0) {
            ++i;
            continue;
        }
        r.ok = false;
        r.error = "Only Numerical Data Allowed.";
        return r;
    }
    r.ok = true;
    r.value = value;
    return r;
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

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

std::optional<std::int64_t> DigitsValue(std::string_view text, std::size_t maxDigits) {
    if (!AllDigits(text) || text.size() > maxDigits || text.size() > 18) return std::nullopt;
    std::int64_t v = 0;
    for (char c : text) v = v * 10 + (c - '0');
    return v;
}

std::optional<double> EntryNumber(std::string_view text) {
    std::string_view t = trimmed(text);
    int digits = 0;
    if (decimalPrefix(t, &digits) != t.size() || digits == 0) return std::nullopt;
    // "+5" and "7." are numbers here; from_chars takes no plus sign.
    if (t.front() == '+') t.remove_prefix(1);
    double v = 0.0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

std::int64_t RoundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));  // default rounding: to even
}

std::int64_t LeadingWholeNumber(std::string_view text) {
    const std::string_view t = trimmed(text);
    int digits = 0;
    const std::size_t n = decimalPrefix(t, &digits);
    if (digits == 0) return 0;
    const auto v = EntryNumber(t.substr(0, n));
    if (!v || std::abs(*v) > 9.0e15) return 0;
    return RoundHalfEven(*v);
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace voran
