// The rules that turn text into numbers, side by side on the texts on which
// earlier helpers disagreed.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <utility>

#include "number/NumberText.h"

namespace voran {
namespace {

TEST(NumberText, ReplyAndEntryRulesGiveTheirOwnAnswerForEachText) {
    const struct {
        const char* text;
        std::int32_t reply;
        std::optional<std::int64_t> entry;  // nullopt: refused
    } rows[] = {
        {"1e2", 100, std::nullopt},
        {"3.5", 4, 35},
        {"2.5", 2, 25},
        {"\r\n7", 7, std::nullopt},
        {"1e-400", 0, std::nullopt},
        {"-1e-400", 0, std::nullopt},
        {"1e400", 2147483647, std::nullopt},
        {"-5", -5, std::nullopt},
        {"65,535", 65, 65535},
        {"90\xB0", 90, 90},
        {"", 0, 0},
        {"abc", 0, std::nullopt},
        {" 12 ", 12, 12},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(ReplyToValue(r.text), r.reply);
        const EntryCheck e = ParseEntryText(r.text);
        EXPECT_EQ(e.ok, r.entry.has_value());
        if (r.entry) {
            EXPECT_EQ(e.value, *r.entry);
        } else {
            EXPECT_EQ(e.error, "Only Numerical Data Allowed.");
        }
    }
    // Replies only: the leading number, halves to even, clamped.
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    const std::pair<const char*, std::int32_t> replies[] = {
        // clang-format off
        {"240", 240},  {"-", 0},      {".", 0},       {"  17", 17},   {"12abc", 12}, {"-35", -35},
        {"+7", 7},     {"0.5", 0},    {"1.5", 2},     {"-2.5", -2},   {"-3.5", -4},  {"2.51", 3},
        {"1.2.3", 1},  {"1e3", 1000}, {"1e", 1},      {"99999999", 99999999},
        {"99999999999", kMax},        {"-99999999999", -kMax - 1},
        // clang-format on
    };
    for (const auto& [reply, value] : replies) EXPECT_EQ(ReplyToValue(reply), value) << reply;
}

// The entry box's readers and the plain readers of addresses, settings and
// file fields, on the same texts.
TEST(NumberText, EntryAndFieldReadersOnTheSameTexts) {
    const struct {
        const char* text;
        std::optional<double> entry;         // EntryNumber
        std::int64_t leading;                // LeadingWholeNumber
        std::int64_t integer;                // LeadingInteger
        std::int64_t hex;                    // LeadingHex
        std::optional<std::int64_t> digits;  // DigitsValue, at most 6 digits
    } rows[] = {
        {"12", 12.0, 12, 12, 0x12, 12},
        {" -3 ", -3.0, -3, -3, 0, std::nullopt},
        {"+5", 5.0, 5, 5, 0, std::nullopt},
        {"7.", 7.0, 7, 7, 7, std::nullopt},
        {".5", 0.5, 0, 0, 0, std::nullopt},
        {"2.5", 2.5, 2, 2, 2, std::nullopt},
        {"3.5 rpm", std::nullopt, 4, 3, 3, std::nullopt},
        {"240 rpm", std::nullopt, 240, 240, 0x240, std::nullopt},
        {"1e2", std::nullopt, 1, 1, 0x1E2, std::nullopt},
        {"1,000", std::nullopt, 1, 1, 1, std::nullopt},
        {"-", std::nullopt, 0, 0, 0, std::nullopt},
        {"****", std::nullopt, 0, 0, 0, std::nullopt},
        {"", std::nullopt, 0, 0, 0, std::nullopt},
        {"1fz9", std::nullopt, 1, 1, 0x1F, std::nullopt},
        {"zz", std::nullopt, 0, 0, 0, std::nullopt},
        {"999999", 999999.0, 999999, 999999, 0x999999, 999999},
        {"1234567", 1234567.0, 1234567, 1234567, 0x1234567, std::nullopt},
        {"٣", std::nullopt, 0, 0, 0, std::nullopt},  // not an ASCII digit
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(EntryNumber(r.text), r.entry);
        EXPECT_EQ(LeadingWholeNumber(r.text), r.leading);
        EXPECT_EQ(LeadingInteger(r.text), r.integer);
        EXPECT_EQ(LeadingHex(r.text), r.hex);
        EXPECT_EQ(DigitsValue(r.text, 6), r.digits);
    }
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_FALSE(AllDigits("") || AllDigits("12a") || AllDigits(" 1"));
    EXPECT_TRUE(AllDigits("0012"));
    EXPECT_TRUE(SameNoCase("w182.3", "W182.3"));
    EXPECT_FALSE(SameNoCase("W182", "W1820") || SameNoCase("B1", "D1"));
}

}  // namespace
}  // namespace voran
