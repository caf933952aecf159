// Presetting the board's memory by address text, and preset files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "SimBoard.h"

using voran::sim::SimBoard;

namespace {

struct PresetCase {
    const char* address;
    std::int64_t value;
    std::uint32_t at;
    std::vector<int> bytes;  // memory from `at` after presetting
};

class PresetByAddress : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetByAddress, StoresTheLinkEncodingAndReadsItBack) {
    SimBoard board;
    const PresetCase& c = GetParam();
    ASSERT_TRUE(board.preset(c.address, c.value));
    for (std::size_t k = 0; k < c.bytes.size(); ++k)
        EXPECT_EQ(board.memory()[c.at + k], c.bytes[k]) << c.address << " byte " << k;
    EXPECT_EQ(board.peek(c.address), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, PresetByAddress,
    ::testing::Values(PresetCase{"B8176", 42, 8176, {42}}, PresetCase{"b8176", 255, 8176, {255}},
                      PresetCase{"W182", 1000, 182, {0xE8, 0x03}},
                      PresetCase{"W1042", 4095, 1042, {0xFF, 0x0F}},
                      PresetCase{"D1100", 19999, 1100, {0x0F, 0x27, 0x01, 0x00}},
                      PresetCase{"D1100", 655359999, 1100, {0x0F, 0x27, 0xFF, 0xFF}},
                      PresetCase{"B1044.1", 1, 1044, {0x02}}, PresetCase{"F135", 1, 48, {0x80}},
                      PresetCase{"F0", 1, 32, {0x01}}, PresetCase{"1FF0H", 7, 8176, {7}}));

TEST(PresetByAddress, BitsLeaveTheOtherBitsOfTheirByte) {
    SimBoard board;
    board.memory()[111] = 0x81;
    ASSERT_TRUE(board.preset("B111.4", 1));
    EXPECT_EQ(board.memory()[111], 0x91);
    ASSERT_TRUE(board.preset("B111.7", 0));
    EXPECT_EQ(board.memory()[111], 0x11);
    EXPECT_EQ(board.peek("B111.4"), 1);
    EXPECT_EQ(board.peek("B111.0"), 1);
    EXPECT_EQ(board.peek("B111.6"), 0);
}

struct RefusedCase {
    const char* address;
    std::int64_t value;
};

class PresetRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(PresetRefused, LeavesMemoryUntouched) {
    SimBoard board;
    const auto before = board.memory();
    EXPECT_FALSE(board.preset(GetParam().address, GetParam().value));
    EXPECT_EQ(board.memory(), before);
}

INSTANTIATE_TEST_SUITE_P(BadTextOrValue, PresetRefused,
                         ::testing::Values(RefusedCase{"B8176", 256}, RefusedCase{"W182", 65536},
                                           RefusedCase{"D1100", 655360000},
                                           RefusedCase{"B1044.1", 2}, RefusedCase{"W182", -1},
                                           RefusedCase{"Q17", 1}, RefusedCase{"", 1},
                                           RefusedCase{"W", 1}, RefusedCase{"B12x", 1},
                                           RefusedCase{"B1044.8", 1}, RefusedCase{"W65535", 1},
                                           RefusedCase{"D65533", 1}, RefusedCase{"B65536", 1}));

class PresetFile : public ::testing::Test {
protected:
    std::string write(const std::string& text) {
        const auto path = std::filesystem::temp_directory_path() /
                          ("voran-preset-" + std::to_string(::getpid()) + ".preset");
        std::ofstream(path) << text;
        paths_.push_back(path);
        return path.string();
    }
    ~PresetFile() override {
        for (const auto& p : paths_) std::filesystem::remove(p);
    }
    std::vector<std::filesystem::path> paths_;
};

TEST_F(PresetFile, GoodLinesWithCommentsAndBlanksAreAllStored) {
    SimBoard board;
    std::string error;
    const auto path = write(
        "# shift counts\n"
        "D1100 123456   # good cans\n"
        "\n"
        "   W1000\t20\r\n"
        "B1044.1 1\n"
        "f135 1\n");
    ASSERT_TRUE(board.loadPresetFile(path, &error)) << error;
    EXPECT_EQ(board.peek("D1100"), 123456);
    EXPECT_EQ(board.peek("W1000"), 20);
    EXPECT_EQ(board.peek("B1044.1"), 1);
    EXPECT_EQ(board.peek("F135"), 1);
}

struct BadLineCase {
    const char* name;
    const char* text;
    const char* expected;  // part of the error, line number included
};

class PresetFileBadLine : public ::testing::TestWithParam<BadLineCase> {};

TEST_P(PresetFileBadLine, IsRefusedWithItsLineNumberAndNothingIsStored) {
    const auto path = std::filesystem::temp_directory_path() / "voran-bad.preset";
    std::ofstream(path) << "W1000 20\n# comment\n" << GetParam().text << "\nW1002 40\n";
    SimBoard board;
    std::string error;
    EXPECT_FALSE(board.loadPresetFile(path.string(), &error));
    EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
    EXPECT_EQ(board.peek("W1000"), 0) << "a refused file stores nothing";
    std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PresetFileBadLine,
    ::testing::Values(BadLineCase{"UnknownAddress", "Z12 5", ":3: unknown address \"Z12\""},
                      BadLineCase{"MissingValue", "W182", ":3: no value"},
                      BadLineCase{"LettersAsValue", "W182 12a", ":3: value is not a number"},
                      BadLineCase{"NegativeValue", "W182 -5", ":3: value is not a number"},
                      BadLineCase{"OutOfRange", "B8176 256", ":3: value 256 out of range (0-255)"},
                      BadLineCase{"ExtraField", "W182 5 6", ":3: more than an address"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PresetFileMissing, SaysWhichFile) {
    SimBoard board;
    std::string error;
    EXPECT_FALSE(board.loadPresetFile("/nonexistent/x.preset", &error));
    EXPECT_NE(error.find("/nonexistent/x.preset"), std::string::npos);
}

TEST(DemoPreset, LoadsAndShowsShiftCounts) {
    SimBoard board;
    std::string error;
    ASSERT_TRUE(board.loadPresetFile(VORAN_SOURCE_DIR "/presets/demo.preset", &error)) << error;
    EXPECT_GT(board.peek("D1100"), 0);
    EXPECT_GT(board.peek("D1200"), 0);
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(board.peek("W1022"), 240);
}

}  // namespace
