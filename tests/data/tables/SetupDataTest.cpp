#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "data/SetupData.h"

using namespace voran;

namespace {

SetupTables startedTables() {
    SetupTables t;
    t.BuildDefaults(DateTime{2026, 3, 14, 9, 26, 53, 0});
    return t;
}

}  // namespace

// Every default value, address, channel and the stamp are pinned byte for
// byte by the golden set-up file (tests/data/file); here what the program
// starts with besides.
TEST(StartUpData, WorkingDataAreTheDefaultsUnnamedAndSaved) {
    const SetupTables t = startedTables();
    EXPECT_EQ(t.CurrentData, t.DefaultData);
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
