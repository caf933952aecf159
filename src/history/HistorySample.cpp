#include "history/HistorySample.h"

#include <cctype>
#include <cstdio>

#include "number/NumberText.h"

namespace voran::history {

const char* EventKindName(ShiftEventKind kind) {
    return kind == ShiftEventKind::EndOfShift ? "end-of-shift" : "counts-fell-back";
}

std::optional<ShiftEventKind> EventKindFromName(const std::string& name) {
    if (name == "end-of-shift") return ShiftEventKind::EndOfShift;
    if (name == "counts-fell-back") return ShiftEventKind::CountsFellBack;
    return std::nullopt;
}

std::string IsoTime(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

namespace {

// The digits of `text` at [from, from + n) as a number; -1, which no field
// takes, when any is not a digit.
int digits(const std::string& text, std::size_t from, std::size_t n) {
    return static_cast<int>(DigitsValue(std::string_view(text).substr(from, n)).value_or(-1));
}

int daysIn(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::string> NormalIsoTime(const std::string& text) {
    // YYYY-MM-DD, then optionally [T ]HH:MM, then optionally :SS.
    if (text.size() != 10 && text.size() != 16 && text.size() != 19) return std::nullopt;
    if (text[4] != '-' || text[7] != '-') return std::nullopt;
    DateTime t{digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2), 0, 0, 0, 0};
    if (text.size() > 10) {
        if ((text[10] != 'T' && text[10] != ' ') || text[13] != ':') return std::nullopt;
        t.hour = digits(text, 11, 2);
        t.minute = digits(text, 14, 2);
    }
    if (text.size() == 19) {
        if (text[16] != ':') return std::nullopt;
        t.second = digits(text, 17, 2);
    }
    if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysIn(t.year, t.month) ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return std::nullopt;
    return IsoTime(t);
}

}  // namespace voran::history
