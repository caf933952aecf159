#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>
#include <limits>

#include "data/SetupData.h"
#include "platform/Clock.h"

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

class LocaleScope {
public:
    explicit LocaleScope(const QLocale& l) : saved_(QLocale()) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

}  // namespace

TEST(StartUpData, EveryItemHasItsTableAddressAndDefaultValue) {
    const SetupTables t = startedTables();
    ASSERT_EQ(t.CurrentData.Address.size(), 78u);
    ASSERT_EQ(t.CurrentData.Value.size(), 78u);
    for (std::size_t i = 0; i < ItemCount; ++i) {
        EXPECT_EQ(t.CurrentData.Address[i], kAddresses[i]) << i;
        EXPECT_EQ(t.CurrentData.Value[i], kValues[i]) << i;
    }
}

TEST(StartUpData, TwoProgrammedChannelsThisVersionTagStampUnnamedAndCopiesApart) {
    SetupTables t = startedTables();
    const SetupData& d = t.DefaultData;
    EXPECT_EQ(d.ChannelCount, 8);
    EXPECT_EQ(d.ScaleFactor, 360);
    EXPECT_EQ(d.ResolverOffset, 0);
    EXPECT_EQ(d.PLSProgram, 0);
    EXPECT_EQ(d.SpeedComp, (std::array<std::int16_t, 8>{}));
    EXPECT_EQ(d.Setpoint, (decltype(d.Setpoint){{{180, 240}, {90, 270}}}));
    EXPECT_EQ(ProgramVersion(), "VORAN_R2.0.3");
    EXPECT_EQ(t.DefaultData.Version, "VORAN_R2.0.3");
    EXPECT_DOUBLE_EQ(t.DefaultData.Stamp, 46095.0 + 34013.0 / 86400.0);
    EXPECT_TRUE(t.FileUnnamed);
    EXPECT_FALSE(t.HasUnsavedChanges());
    // Editing the working copy leaves the defaults and the saved copy alone.
    t.CurrentData.Value[5] = 777;
    t.CurrentData.Address[5] = "W9";
    EXPECT_EQ(t.SavedData, t.DefaultData);
    EXPECT_EQ(t.DefaultData.Value[5], 120);
    EXPECT_EQ(t.DefaultData.Address[5], "W1010");
}

TEST(UnsavedChanges, ValuesSetpointsAndVersionCountOtherFieldsDoNot) {
    struct Case {
        const char* what;
        void (*change)(SetupTables&);
        bool counts;
    };
    const Case cases[] = {
        {"first item value", [](SetupTables& t) { t.CurrentData.Value[0] = 21; }, true},
        {"last item value", [](SetupTables& t) { t.CurrentData.Value[77] = 1; }, true},
        {"ON setpoint channel 0", [](SetupTables& t) { t.CurrentData.Setpoint[0][0] = 181; }, true},
        {"OFF setpoint channel 7", [](SetupTables& t) { t.CurrentData.Setpoint[7][1] = 10; }, true},
        {"version", [](SetupTables& t) { t.CurrentData.Version = "VORAN_R2.0.2"; }, true},
        {"version letter case", [](SetupTables& t) { t.CurrentData.Version = "voran_r2.0.3"; },
         true},
        {"saved copy of the same other version",
         [](SetupTables& t) { t.CurrentData.Version = t.SavedData.Version = "VORAN_R1.4.0"; },
         true},
        {"speed compensation", [](SetupTables& t) { t.CurrentData.SpeedComp[3] = 12; }, false},
        {"scale factor", [](SetupTables& t) { t.CurrentData.ScaleFactor = 720; }, false},
        {"channel count", [](SetupTables& t) { t.CurrentData.ChannelCount = 16; }, false},
        {"PLS program", [](SetupTables& t) { t.CurrentData.PLSProgram = 2; }, false},
        {"resolver offset", [](SetupTables& t) { t.CurrentData.ResolverOffset = 45; }, false},
        {"stamp", [](SetupTables& t) { t.CurrentData.Stamp += 1.0; }, false},
        {"an address", [](SetupTables& t) { t.CurrentData.Address[3] = "W9999"; }, false},
    };
    for (const Case& c : cases) {
        SetupTables t = startedTables();
        c.change(t);
        EXPECT_EQ(t.HasUnsavedChanges(), c.counts) << c.what;
    }
}

TEST(ControllerReplies, LeadingNumberRoundedHalfToEven) {
    const struct {
        const char* reply;
        std::int32_t value;
    } cases[] = {
        // clang-format off
        {"240", 240},  {"", 0},         {"abc", 0},    {"-", 0},      {".", 0},
        {"  17", 17},  {"12abc", 12},   {"-35", -35},  {"+7", 7},     {"0.5", 0},
        {"1.5", 2},    {"2.5", 2},      {"-2.5", -2},  {"-3.5", -4},  {"2.51", 3},
        {"1.2.3", 1},  {"1e3", 1000},   {"1e", 1},     {"99999999", 99999999},
        {"99999999999", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", std::numeric_limits<std::int32_t>::min()},
        {"1e400", std::numeric_limits<std::int32_t>::max()},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(ReplyToValue(c.reply), c.value) << '"' << c.reply << '"';
}

TEST(DataStamp, OleDatesCountDaysFromTheLastDayOf1899) {
    const struct {
        DateTime dt;
        double ole;
    } cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
        {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
        {{1899, 12, 30, 18, 0, 0, 0}, 0.75},
        {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
        {{1800, 1, 1, 0, 0, 0, 0}, -36522.0},
        {{2000, 1, 1, 12, 0, 0, 0}, 36526.5},
        {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},
        {{2026, 3, 14, 9, 26, 53, 0}, 46095.0 + 34013.0 / 86400.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ToOleDate(c.dt), c.ole) << c.ole;
        EXPECT_EQ(FromOleDate(c.ole), c.dt) << c.ole;
    }
}

TEST(DataStamp, MillisecondsSurviveAndRoundingCarriesIntoTheNextDay) {
    const DateTime withMs{2026, 3, 14, 23, 59, 59, 750};
    EXPECT_EQ(FromOleDate(ToOleDate(withMs)), withMs);
    // A hair before midnight rounds up to midnight of the next day.
    EXPECT_EQ(FromOleDate(46095.9999999999), (DateTime{2026, 3, 15, 0, 0, 0, 0}));
    EXPECT_EQ(FromOleDate(std::nan("")), DateTime{});
}

TEST(DataStamp, GeneralDateShowsDateAndTimeInTheLocaleShortForm) {
    const struct {
        DateTime dt;
        const char* us;
        const char* german;
    } cases[] = {
        {{2026, 3, 14, 9, 26, 53, 0}, "3/14/2026 9:26:53 AM", "14.03.2026 09:26:53"},
        {{2026, 12, 1, 14, 5, 9, 0}, "12/1/2026 2:05:09 PM", "01.12.2026 14:05:09"},
        {{2026, 3, 14, 0, 0, 0, 0}, "3/14/2026", "14.03.2026"},
        {{1899, 12, 30, 6, 0, 0, 0}, "6:00:00 AM", "06:00:00"},
        {{1899, 12, 30, 0, 0, 0, 0}, "12:00:00 AM", "00:00:00"},
    };
    for (const auto& c : cases) {
        {
            LocaleScope us(QLocale(QLocale::English, QLocale::UnitedStates));
            EXPECT_EQ(GeneralDate(c.dt), c.us);
        }
        {
            LocaleScope de(QLocale(QLocale::German, QLocale::Germany));
            EXPECT_EQ(GeneralDate(c.dt), c.german);
        }
    }
}
