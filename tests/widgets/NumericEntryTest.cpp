// The numeric entry box on a bare form (leaving, Escape, the spinner, the
// arrow keys, commit()), and the rules that turn text into numbers, side by
// side on the texts on which earlier helpers disagreed.
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "WindowFixture.h"
#include "number/NumberText.h"

namespace voran::testing {
namespace {

class Entry : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&form);
        layout->addWidget(entry = new NumericEntry);
        layout->addWidget(next = new QLineEdit);
        layout->addWidget(button = new QPushButton("&Default"));
        entry->setRange(0, 359);
        entry->setMessages(&messages, "Set-up");
        entry->setDefaultTarget(button);
        entry->setAcceptHook([this](std::int64_t v) { return accepted.push_back(v), true; });
        entry->setSpinHook([this](std::int64_t v) { spun.push_back(v); });
        entry->setText(QStringLiteral("5"));
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    std::vector<Box> refused() const {
        return {box(RangeMessage(0, 359), "Set-up", MsgIcon::Information)};
    }

    QWidget form;
    NumericEntry* entry = nullptr;
    QLineEdit* next = nullptr;
    QPushButton* button = nullptr;
    std::vector<std::int64_t> accepted, spun;
};

// A typed text, what the box shows after Tab, and the value accepted (none:
// refused with the range message, the saved text back, the focus kept).
struct Leaving {
    const char* typed;
    const char* shown;
    std::optional<int> value;
};
class EntryLeaving : public Entry, public ::testing::WithParamInterface<Leaving> {};

TEST_P(EntryLeaving, TabChecksTheTextOnce) {
    const Leaving row = GetParam();
    typeInto(entry, QString::fromUtf8(row.typed));
    key(Qt::Key_Tab);
    EXPECT_EQ(entry->text(), QString::fromUtf8(row.shown));
    if (row.value) {
        EXPECT_EQ(accepted, std::vector<std::int64_t>{*row.value});
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(focus(), next);
    } else {
        EXPECT_TRUE(accepted.empty());
        EXPECT_EQ(messages.shown, refused());
        EXPECT_EQ(focus(), entry->lineEdit());
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, EntryLeaving,
                         ::testing::Values(Leaving{"12.5", "12", 12}, Leaving{"13.5", "14", 14},
                                           Leaving{" 7 ", "7", 7}, Leaving{"359", "359", 359},
                                           Leaving{"360", "5", {}}, Leaving{"-1", "5", {}},
                                           Leaving{"abc", "5", {}}, Leaving{"1e2", "5", {}},
                                           Leaving{"1,000", "5", {}}));

TEST_F(Entry, EscapePutsTheSavedTextBackAndASecondOneGoesToTheDefaultButton) {
    typeInto(entry, QStringLiteral("77"));
    key(Qt::Key_Escape);
    EXPECT_EQ(entry->text(), QStringLiteral("5"));
    EXPECT_EQ(focus(), entry->lineEdit());
    key(Qt::Key_Escape);
    EXPECT_EQ(focus(), button);
    EXPECT_TRUE(accepted.empty() && messages.shown.empty());
}

TEST_F(Entry, TheSpinnerStepsWithinTheRangeAndIgnoresAMarkQuietly) {
    click(entry->upButton());
    EXPECT_EQ(entry->text(), QStringLiteral("6"));
    EXPECT_EQ(focus(), button);
    entry->setText(QStringLiteral("359"));
    click(entry->upButton());
    EXPECT_EQ(entry->text(), QStringLiteral("359"));
    for (const char* mark : {"-", "****", "---"}) {
        entry->setText(QString::fromLatin1(mark));
        click(entry->downButton());
        EXPECT_EQ(entry->text(), QString::fromLatin1(mark));
    }
    EXPECT_EQ(spun, std::vector<std::int64_t>{6}) << "no step past the end, no hook";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Entry, ArrowAndPageKeysStepInTheBoxAndStopAtTheEnds) {
    entry->setText(QStringLiteral("352"));
    entry->lineEdit()->setFocus(Qt::TabFocusReason);
    for (const Qt::Key k : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_PageUp}) key(k);
    EXPECT_EQ(spun, (std::vector<std::int64_t>{353, 352, 351, 359}));
    EXPECT_EQ(focus(), entry->lineEdit());
    entry->setText(QStringLiteral("4"));
    key(Qt::Key_PageDown);
    EXPECT_EQ(entry->text(), QStringLiteral("0"));
}

TEST_F(Entry, CommitHandsOnAPendingValueOnceAndRefusesABadOne) {
    typeInto(entry, QStringLiteral("8"));
    EXPECT_TRUE(entry->commit());
    EXPECT_TRUE(entry->commit()) << "nothing pending the second time";
    EXPECT_EQ(accepted, std::vector<std::int64_t>{8});
    typeInto(entry, QStringLiteral("abc"));
    EXPECT_FALSE(entry->commit());
    EXPECT_EQ(messages.shown, refused());
    EXPECT_EQ(entry->text(), QStringLiteral("8"));
    EXPECT_EQ(focus(), entry->lineEdit());
}

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
        // The text rules of number/, not the entry box's QString forms.
        EXPECT_EQ(EntryNumber(std::string_view(r.text)), r.entry);
        EXPECT_EQ(LeadingWholeNumber(std::string_view(r.text)), r.leading);
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
}  // namespace voran::testing
