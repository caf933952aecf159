// Presetting the board's memory by address text, and preset files.
#include <gtest/gtest.h>

#include "ProgramRun.h"
#include "SimBoard.h"
#include "SimDump.h"
#include "SimPls.h"

using voran::sim::SimBoard;

namespace {

TEST(BoardPreset, StoresTheLinkEncodingAndReadsItBack) {
    const struct {
        const char* address;
        std::int64_t value;
        std::uint32_t at;
        std::vector<int> bytes;  // memory from `at` after presetting
    } rows[] = {{"b8176", 255, 8176, {255}},
                {"W182", 1000, 182, {0xE8, 0x03}},
                {"D1100", 655359999, 1100, {0x0F, 0x27, 0xFF, 0xFF}},
                {"B111.4", 1, 111, {0x91}},  // the other bits of the byte stay
                {"B111.7", 0, 111, {0x11}},
                {"F135", 1, 48, {0x80}},
                {"1FF0H", 7, 8176, {7}}};
    SimBoard board;
    board.memory()[111] = 0x81;
    for (const auto& r : rows) {
        ASSERT_TRUE(board.preset(r.address, r.value)) << r.address;
        for (std::size_t k = 0; k < r.bytes.size(); ++k)
            EXPECT_EQ(board.memory()[r.at + k], r.bytes[k]) << r.address << " byte " << k;
        EXPECT_EQ(board.peek(r.address), r.value) << r.address;
    }
    const auto before = board.memory();
    const std::pair<const char*, std::int64_t> bad[] = {
        {"B8176", 256}, {"W182", 65536}, {"D1100", 655360000}, {"B1044.1", 2}, {"W182", -1},
        {"Q17", 1},     {"B12x", 1},     {"B1044.8", 1},       {"W65535", 1},  {"B65536", 1}};
    for (const auto& [address, value] : bad) EXPECT_FALSE(board.preset(address, value)) << address;
    EXPECT_EQ(board.memory(), before);
}

TEST(PresetFile, GoodLinesAreAllStoredAndABadLineIsNamedWithItsNumber) {
    voran::testing::TempFolder folder;
    SimBoard board;
    std::string error;
    folder.write("p", "# shift counts\nD1100 123456   # good cans\n\n   W1000\t20\r\nf135 1\n");
    ASSERT_TRUE(board.loadPresetFile(folder.path("p"), &error)) << error;
    EXPECT_EQ(board.peek("D1100") + board.peek("W1000") + board.peek("F135"), 123456 + 20 + 1);

    const char* const rows[][2] = {{"Z12 5", ":3: unknown address \"Z12\""},
                                   {"W182", ":3: no value"},
                                   {"W182 12a", ":3: value is not a number"},
                                   {"B8176 256", ":3: value 256 out of range (0-255)"},
                                   {"W182 5 6", ":3: more than an address"}};
    for (const auto& r : rows) {
        SimBoard fresh;
        folder.write("p", std::string("W1000 20\n# comment\n") + r[0] + "\nW1002 40\n");
        EXPECT_FALSE(fresh.loadPresetFile(folder.path("p"), &error));
        EXPECT_NE(error.find(r[1]), std::string::npos) << error;
        EXPECT_EQ(fresh.peek("W1000"), 0) << r[0];
    }
    // The preset the README's run command uses shows plausible shift counts.
    ASSERT_TRUE(board.loadPresetFile(VORAN_SOURCE_DIR "/presets/demo.preset", &error)) << error;
    EXPECT_GT(board.peek("D1100"), 0);
    EXPECT_GT(board.peek("D1200"), 0);
}

TEST(BoardDump, HoldsTheWholeMemoryThenThePlsStateAsText) {
    SimBoard board;
    board.memory()[0] = 1;
    board.memory()[61433] = 3;
    board.memory()[65535] = 0xFF;
    board.pls().scaleFactor = 400;
    board.pls().program(3, 100, 200);  // also marks channel 3 in the configuration
    board.pls().config[23] = 0xAB;
    board.pls().raw = 123;  // the moving resolver is no part of it
    const std::string dump = voran::sim::BoardDump(board);
    ASSERT_GT(dump.size(), 65536u);
    EXPECT_EQ(std::string(dump, 0, 65536),
              std::string(reinterpret_cast<const char*>(board.memory().data()), 65536));
    EXPECT_EQ(dump.substr(65536),
              "scale 400\noffset 0\nconfig"
              " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 AB\n"
              "channel 0 0 0 0 0 0 0 0\nchannel 1 0 0 0 0 0 0 0\nchannel 2 0 0 0 0 0 0 0\n"
              "channel 3 1 100 200 0 0 0 0\nchannel 4 0 0 0 0 0 0 0\nchannel 5 0 0 0 0 0 0 0\n"
              "channel 6 0 0 0 0 0 0 0\nchannel 7 0 0 0 0 0 0 0\n");

    voran::testing::TempFolder folder;
    std::string error;
    ASSERT_TRUE(voran::sim::WriteBoardDump(board, folder.path("board.dump"), &error)) << error;
    EXPECT_EQ(folder.read("board.dump"), dump);
    EXPECT_FALSE(folder.read("board.dump.part"));
}

}  // namespace
