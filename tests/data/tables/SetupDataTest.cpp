#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <utility>

#include "data/SetupData.h"

using namespace voran;

namespace {

// The item table as the machine's documentation lists it.
const char* const kAddresses[ItemCount] = {
    "W1000", "W1002", "W1004", "W1006", "W1008", "W1010", "W1012", "W1014", "W1016", "W1018",
    "W1020", "W1022", "B1030", "B1031", "B1032", "B1033", "B1034", "B1035", "B1036", "B1037",
    "B1038", "B1039", "B1040", "B1041", "W632",  "W634",  "W636",  "W638",  "W640",  "W642",
    "W644",  "W646",  "W648",  "W650",  "W652",  "W754",  "W630",  "W1042", "D1100", "D1104",
    "W1108", "W1110", "W1112", "W1114", "W1116", "W1118", "W1120", "W1122", "W1124", "W1126",
    "W1128", "W1130", "D1200", "D1204", "W1208", "W1210", "W1212", "W1214", "W1216", "W1218",
    "W1220", "W1222", "W1224", "W1226", "W1228", "W1230", "W1050", "W1052", "W1054", "W1056",
    "W1058", "W1060", "W1062", "W1064", "W1066", "W1068", "W1070", "W1072"};

const std::int32_t kValues[ItemCount] = {
    20, 40, 60,   80, 100, 120, 140, 160, 180, 200, 220, 240,        // shifts to each station
    5,  5,  5,    5,  5,   5,   5,   5,   5,   5,   5,   5,          // missing cans
    0,  0,  0,    0,  0,   0,   0,   0,   0,   0,   0,               // calibrated shifts
    0,  0,  4095,                                                    // flanger, total, enable mask
    0,  0,  0,    0,  0,   0,   0,   0,   0,   0,   0,   0,   0, 0,  // current shift
    0,  0,  0,    0,  0,   0,   0,   0,   0,   0,   0,   0,   0, 0,  // last shift
    0,  0,  0,    0,  0,   0,   0,   0,   0,   0,   0,   0};         // jams per station

SetupTables startedTables() {
    SetupTables t;
    t.BuildDefaults(DateTime{2026, 3, 14, 9, 26, 53, 0});
    return t;
}

}  // namespace

TEST(StartUpData, EveryItemAndTheTwoProgrammedChannelsHaveTheirDefaults) {
    const SetupTables t = startedTables();
    const SetupData& d = t.DefaultData;
    ASSERT_EQ(d.Address.size(), 78u);
    ASSERT_EQ(d.Value.size(), 78u);
    for (std::size_t i = 0; i < ItemCount; ++i) {
        EXPECT_EQ(d.Address[i], kAddresses[i]) << i;
        EXPECT_EQ(d.Value[i], kValues[i]) << i;
    }
    EXPECT_EQ(std::tie(d.ChannelCount, d.ScaleFactor, d.ResolverOffset, d.PLSProgram),
              std::make_tuple(8, 360, 0, 0));
    EXPECT_EQ(d.SpeedComp, (std::array<std::int16_t, 8>{}));
    EXPECT_EQ(d.Setpoint, (decltype(d.Setpoint){{{180, 240}, {90, 270}}}));
    EXPECT_EQ(d.Version, "VORAN_R2.0.3");
    EXPECT_DOUBLE_EQ(d.Stamp, 46095.0 + 34013.0 / 86400.0);
    EXPECT_EQ(t.CurrentData, d);
    EXPECT_TRUE(t.FileUnnamed);
    EXPECT_FALSE(t.HasUnsavedChanges());
}

TEST(UnsavedChanges, ValuesSetpointsAndVersionCountOtherFieldsDoNot) {
    const std::tuple<const char*, void (*)(SetupTables&), bool> cases[] = {
        // clang-format off
        {"first value", [](SetupTables& t) { t.CurrentData.Value[0] = 21; }, true},
        {"ON setpoint", [](SetupTables& t) { t.CurrentData.Setpoint[0][0] = 181; }, true},
        {"OFF setpoint", [](SetupTables& t) { t.CurrentData.Setpoint[7][1] = 10; }, true},
        {"version case", [](SetupTables& t) { t.CurrentData.Version = "voran_r2.0.3"; }, true},
        {"saved as the same other version",
         [](SetupTables& t) { t.CurrentData.Version = t.SavedData.Version = "VORAN_R1.4.0"; }, true},
        {"speed compensation", [](SetupTables& t) { t.CurrentData.SpeedComp[3] = 12; }, false},
        {"scale factor", [](SetupTables& t) { t.CurrentData.ScaleFactor = 720; }, false},
        {"resolver offset", [](SetupTables& t) { t.CurrentData.ResolverOffset = 45; }, false},
        {"stamp", [](SetupTables& t) { t.CurrentData.Stamp += 1.0; }, false},
        {"an address", [](SetupTables& t) { t.CurrentData.Address[3] = "W9999"; }, false},
        // clang-format on
    };
    for (const auto& [what, change, counts] : cases) {
        SetupTables t = startedTables();
        change(t);
        EXPECT_EQ(t.HasUnsavedChanges(), counts) << what;
    }
}

TEST(ControllerReplies, LeadingNumberRoundedHalfToEven) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    const std::pair<const char*, std::int32_t> cases[] = {
        // clang-format off
        {"240", 240},  {"", 0},         {"abc", 0},    {"-", 0},      {".", 0},
        {"  17", 17},  {"12abc", 12},   {"-35", -35},  {"+7", 7},     {"0.5", 0},
        {"1.5", 2},    {"2.5", 2},      {"-2.5", -2},  {"-3.5", -4},  {"2.51", 3},
        {"1.2.3", 1},  {"1e3", 1000},   {"1e", 1},     {"99999999", 99999999},
        {"99999999999", kMax}, {"-99999999999", -kMax - 1}, {"1e400", kMax},
        // clang-format on
    };
    for (const auto& [reply, value] : cases) EXPECT_EQ(ReplyToValue(reply), value) << reply;
}
