// Addresses as the operator types them, and the boards' input and output
// ranges.
#include <gtest/gtest.h>

#include "link/AddressCodec.h"
#include "link/BoardAddress.h"

namespace voran {
namespace {

TEST(AddressText, NamesTheBytesTheBoardIsAskedFor) {
    const struct {
        const char* text;
        char letter;
        std::uint32_t byte;
        int mask;  // 0: not a bit
    } rows[] = {{"B8176", 'B', 8176, 0}, {"b8176", 'B', 8176, 0},   {"W182", 'W', 182, 0},
                {"w182", 'W', 182, 0},   {"D1100", 'D', 1100, 0},   {"F0", 'B', 32, 1},
                {"F135", 'B', 48, 128},  {"f991", 'B', 155, 128},   {"B1044.1", 'B', 1044, 2},
                {"W182.3", 'B', 182, 8}, {"1FF0H", 'B', 8176, 0},   {"1ff0h", 'B', 8176, 0},
                {"5H", 'B', 5, 0},       {"EFF0H", 'B', 0xEFF0, 0}, {"Q17", 'B', 32, 0},
                {"Z5", 'B', 32, 0},      {"", 'B', 32, 0},          {"X30", 'B', 32, 0},
                {"B12abc", 'B', 12, 0}};
    for (const auto& r : rows) {
        const DecodedAddress a = DecodeAddress(r.text);
        EXPECT_EQ(a.letter, r.letter) << r.text;
        EXPECT_EQ(a.byteAddress, r.byte) << r.text;
        EXPECT_EQ(a.bitItem, r.mask != 0) << r.text;
        EXPECT_TRUE(r.mask == 0 || a.mask == r.mask) << r.text;
    }
    EXPECT_EQ(DecodeAddress("W182.3").byteCount(), 1) << "a bit is always of one byte";
}

TEST(BoardIo, InputsAndOutputsTranslateToTheirBytes) {
    const struct {
        const char* var;
        int board;
        const char* result;
    } rows[] = {
        {"X30.5", 49, "B49.5"}, {"X30", 49, "B49"},   {"x30.9", 49, "B49.7"}, {"X40", 49, "X40"},
        {"X80", 49, "B57"},     {"Y81", 49, "B58"},   {"Y141", 49, "B67"},    {"I30", 49, "I30"},
        {"X0", 50, "B160"},     {"Y11", 50, "B163"},  {"X151", 50, "B191"},   {"Y12", 50, "Y12"},
        {"I0", 50, "B192"},     {"I151", 50, "B223"}, {"X160", 50, "X160"},   {"X10", 58, "B51"},
        {"Y1", 58, "B50"},      {"X20", 58, "X20"},   {"X21", 59, "B54"},     {"Y0", 59, "B49"},
        {"Y21", 60, "B54"},     {"X20", 60, "B53"},   {"X0", 61, "B49"},      {"Y11", 61, "B52"},
        {"Y0", 61, "Y0"},       {"Y21", 65, "B54"},   {"X21", 66, "B54"},     {"X10", 67, "X10"},
        {"B100", 49, "B100"},   {"", 49, ""}};
    for (const auto& r : rows)
        EXPECT_EQ(EquateAdd(r.var, r.board), r.result) << r.var << " on " << r.board;
}

TEST(BoardIo, AddressesOutsideABoardsRangeAreRefused) {
    const struct {
        const char* var;
        int board;
        bool valid;
    } rows[] = {
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
    for (const auto& r : rows)
        EXPECT_EQ(ValidAdd(r.var, r.board), r.valid) << r.var << " on " << r.board;
}

}  // namespace
}  // namespace voran
