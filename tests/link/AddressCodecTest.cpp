// Addresses and values as the operator types them and as they travel.
#include <gtest/gtest.h>

#include "link/AddressCodec.h"
#include "link/RSComm.h"

namespace voran {
namespace {

struct DecodeRow {
    const char* text;
    char letter;
    std::uint32_t byte;
    int mask;
    bool bit;
};

TEST(AddressText, NamesTheBytesTheBoardIsAskedFor) {
    const DecodeRow rows[] = {{"B8176", 'B', 8176, 1, false},  {"b8176", 'B', 8176, 1, false},
                              {"W182", 'W', 182, 1, false},    {"w182", 'W', 182, 1, false},
                              {"D1100", 'D', 1100, 1, false},  {"F0", 'B', 32, 1, true},
                              {"F135", 'B', 48, 128, true},    {"f991", 'B', 155, 128, true},
                              {"B1044.1", 'B', 1044, 2, true}, {"W182.3", 'B', 182, 8, true},
                              {"1FF0H", 'B', 8176, 1, false},  {"1ff0h", 'B', 8176, 1, false},
                              {"5H", 'B', 5, 1, false},        {"EFF0H", 'B', 0xEFF0, 1, false},
                              {"Q17", 'B', 32, 1, false},      {"Z5", 'B', 32, 1, false},
                              {"", 'B', 32, 1, false},         {"X30", 'B', 32, 1, false},
                              {"B12abc", 'B', 12, 1, false}};
    for (const DecodeRow& r : rows) {
        const DecodedAddress a = DecodeAddress(r.text);
        EXPECT_EQ(a.letter, r.letter) << r.text;
        EXPECT_EQ(a.byteAddress, r.byte) << r.text;
        EXPECT_EQ(a.bitItem, r.bit) << r.text;
        if (r.bit) {
            EXPECT_EQ(a.mask, r.mask) << r.text;
        }
    }
    EXPECT_EQ(DecodeAddress("W182.3").byteCount(), 1) << "a bit is always of one byte";
}

TEST(AddressText, NegativeOrHugeNumbersNeverLandInsideMemory) {
    for (const char* text : {"B-5", "W99999999999", "F-1", "B1234567890123"})
        EXPECT_GT(DecodeAddress(text).byteAddress, 65535u) << text;
}

struct EntryRow {
    const char* text;
    bool ok;
    std::int64_t value;
};

TEST(ValueEntry, KeepsDigitsDropsDecorationAndRefusesTheRest) {
    // clang-format off
    const EntryRow rows[] = {
        {"", true, 0}, {"   ", true, 0}, {"1,024", true, 1024}, {"65,535", true, 65535},
        {"12.5", true, 125}, {"90\xB0", true, 90}, {"90\xC2\xB0", true, 90}, {"50 %", true, 50},
        {"007", true, 7}, {"-5", false, 0}, {"12a", false, 0}, {"+3", false, 0},
        {"1e3", false, 0}, {"\xC2", false, 0}, {"\xB1", false, 0}};
    // clang-format on
    for (const EntryRow& r : rows) {
        const EntryCheck c = ParseEntryText(r.text);
        EXPECT_EQ(c.ok, r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(c.value, r.value) << r.text;
        } else {
            EXPECT_EQ(c.error, "Only Numerical Data Allowed.") << r.text;
        }
    }
}

TEST(ValueEntry, AnAbsurdlyLongNumberIsOutOfEveryRange) {
    const EntryCheck c = ParseEntryText(std::string(40, '9'));
    ASSERT_TRUE(c.ok);
    EXPECT_FALSE(CheckRange(DecodeAddress("D0"), c.value).ok);
}

struct RangeRow {
    const char* add;
    std::int64_t value;
    const char* error;  // empty: accepted
};

TEST(ValueEntry, RangeOfEachKindIsNamedInTheRefusal) {
    const RangeRow rows[] = {
        {"B1", 255, ""},       {"B1", 256, "Entry out of Range (0-255)."},
        {"W2", 65535, ""},     {"W2", 65536, "Entry out of Range (0-65,535)."},
        {"D4", 655359999, ""}, {"D4", 655360000, "Entry out of Range (0-655,359,999)."},
        {"B1044.1", 255, ""},  {"B1044.1", 256, "Entry out of Range (0-255)."}};
    for (const RangeRow& r : rows) {
        const EntryCheck c = CheckRange(DecodeAddress(r.add), r.value);
        EXPECT_EQ(c.ok, std::string(r.error).empty()) << r.add << " " << r.value;
        EXPECT_EQ(c.error, r.error) << r.add << " " << r.value;
    }
}

struct EquateRow {
    const char* var;
    int board;
    const char* result;
};

TEST(BoardIo, InputsAndOutputsTranslateToTheirBytes) {
    const EquateRow rows[] = {
        {"X30.5", 49, "B49.5"}, {"X30", 49, "B49"},   {"x30.9", 49, "B49.7"}, {"X40", 49, "X40"},
        {"X80", 49, "B57"},     {"Y81", 49, "B58"},   {"Y141", 49, "B67"},    {"I30", 49, "I30"},
        {"X0", 50, "B160"},     {"Y11", 50, "B163"},  {"X151", 50, "B191"},   {"Y12", 50, "Y12"},
        {"I0", 50, "B192"},     {"I151", 50, "B223"}, {"X160", 50, "X160"},   {"X10", 58, "B51"},
        {"Y1", 58, "B50"},      {"X20", 58, "X20"},   {"X21", 59, "B54"},     {"Y0", 59, "B49"},
        {"Y21", 60, "B54"},     {"X20", 60, "B53"},   {"X0", 61, "B49"},      {"Y11", 61, "B52"},
        {"Y0", 61, "Y0"},       {"Y21", 65, "B54"},   {"X21", 66, "B54"},     {"X10", 67, "X10"},
        {"B100", 49, "B100"},   {"", 49, ""}};
    for (const EquateRow& r : rows)
        EXPECT_EQ(RSComm::EquateAdd(r.var, r.board), r.result) << r.var << " on " << r.board;
}

struct ValidRow {
    const char* var;
    int board;
    bool valid;
};

TEST(BoardIo, AddressesOutsideABoardsRangeAreRefused) {
    const ValidRow rows[] = {
        {"B31", 68, false},   {"B32", 68, true},     {"B8275", 68, true},  {"B8276", 68, false},
        {"W183", 68, false},  {"W8274", 68, true},   {"X21", 68, false},   {"C0", 68, true},
        {"C1", 68, false},    {"X12", 59, false},    {"X21", 59, true},    {"X22", 59, false},
        {"X31", 59, false},   {"X21", 69, true},     {"X0", 0, false},     {"B255", 49, true},
        {"B256", 49, false},  {"W254", 49, true},    {"D255", 49, false},  {"W256", 49, false},
        {"B65535", 55, true}, {"B65536", 55, false}, {"W65534", 55, true}, {"F120", 49, true},
        {"F121", 49, false},  {"F991", 50, true},    {"F992", 67, false},  {"I151", 49, true},
        {"I21", 56, true},    {"I31", 56, false},    {"I0", 58, false},    {"Y151", 50, true},
        {"Y152", 50, false},  {"X21.5", 59, true},   {"X22.5", 59, false}, {"b32", 49, true},
        {"", 49, false}};
    for (const ValidRow& r : rows)
        EXPECT_EQ(RSComm::ValidAdd(r.var, r.board), r.valid) << r.var << " on " << r.board;
}

TEST(BitCounts, GroupAndBitNotationBothWays) {
    const int pairs[][2] = {{0, 0},   {7, 7},   {8, 10},  {9, 11},
                            {15, 17}, {63, 77}, {64, 80}, {26215, 32767}};
    for (const auto& p : pairs) {
        EXPECT_EQ(RSComm::Dec2Octal(p[0]), p[1]) << p[0];
        EXPECT_EQ(RSComm::Octal2Dec(p[1]), p[0]) << p[1];
    }
}

TEST(BitCounts, ACountBeyondSixteenBitsGivesTheOverflowValue) {
    EXPECT_EQ(RSComm::Dec2Octal(26216), RSComm::kOctalOverflow);
    EXPECT_EQ(RSComm::Dec2Octal(32767), RSComm::kOctalOverflow);
    EXPECT_EQ(RSComm::Dec2Octal(40000), RSComm::kOctalOverflow);
    EXPECT_EQ(RSComm::Octal2Dec(40000), RSComm::kOctalOverflow);
    EXPECT_EQ(RSComm::Octal2Dec(32767), 26215);
}

}  // namespace
}  // namespace voran
