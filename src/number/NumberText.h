#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Every reading of a number from text, in one place. Two rules turn values
// into numbers:
// - a controller reply (the decimal text a read gives) becomes an item value
//   by ReplyToValue: its leading numeric part, rounded half to even;
// - an operator's value entry becomes the number to write by ParseEntryText:
//   its digits, with blanks, "%", ",", "." and the degree sign dropped.
// The numbers inside address texts and settings lines are plain leading
// whole numbers (LeadingInteger, LeadingHex, IsWholeNumber); fields that
// must be digits and nothing else are read by DigitsValue. The numeric entry
// box reads the operator's text as a decimal number (EntryNumber) and a
// shown value by its leading number (LeadingWholeNumber).
//
//   text      ReplyToValue   ParseEntryText   LeadingInteger
//   "1e2"     100            refused          1
//   "3.5"     4              35               3
//   "\r\n7"   7              refused          0
//   "1e-400"  0              refused          1
namespace voran {

// A controller reply converted to an item value: blanks and line breaks
// skipped, then the leading numeric part (sign, digits, decimal point,
// exponent), rounded to the nearest whole number with halves to the even
// neighbour. A non-numeric reply gives 0, a number too small to show gives 0,
// one beyond the 32-bit range stops at its end.
std::int32_t ReplyToValue(const std::string& reply);

// The operator's value text checked by the entry rule. On refusal `error`
// holds the text shown after "Error:" and CR (for instance
// "Only Numerical Data Allowed.").
struct EntryCheck {
    bool ok = false;
    std::int64_t value = 0;
    std::string error;
};
// Reads the digits of a value text (dropping space, %, comma, dot and the
// degree sign); any other character refuses the entry. An empty text is 0.
// Does not range-check.
EntryCheck ParseEntryText(const std::string& text);

// The leading whole number of a text: leading blanks skipped, an optional
// sign, then decimal digits up to the first character that is not one
// ("30abc" gives 30, "" and "abc" give 0). Saturates far beyond any address.
std::int64_t LeadingInteger(const std::string& text);

// The leading hexadecimal digits of a text as a number ("F0" gives 240,
// "" and "ZZ" give 0). Saturates far beyond any address.
std::int64_t LeadingHex(const std::string& text);

// True when the whole text (blanks around it allowed) is one whole number.
bool IsWholeNumber(const std::string& text);

// True when the text is one or more decimal digits and nothing else.
bool AllDigits(std::string_view text);
// The value of a text of 1 to `maxDigits` decimal digits and nothing else;
// nothing for any other text.
std::optional<std::int64_t> DigitsValue(std::string_view text, std::size_t maxDigits = 18);

// The value of an entry text when the whole text is a plain decimal number:
// optional blanks around it, an optional sign, digits with an optional
// fraction ("12", "-3", "0.5", "7."). Exponents, thousands separators and
// anything else make the text not a number.
std::optional<double> EntryNumber(std::string_view text);
// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
std::int64_t RoundHalfEven(double value);
// The leading numeric part of a text rounded to a whole number ("240 rpm"
// -> 240, "-" -> 0), as an entry box's value is taken when it gets the
// focus.
std::int64_t LeadingWholeNumber(std::string_view text);

// Texts equal but for the case of their ASCII letters ("w182" and "W182").
bool SameNoCase(std::string_view a, std::string_view b);

}  // namespace voran
