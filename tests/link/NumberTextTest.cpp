// The two rules that turn text into numbers, side by side on the texts on
// which earlier helpers disagreed.
#include <gtest/gtest.h>

#include <optional>

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
}

}  // namespace
}  // namespace voran
