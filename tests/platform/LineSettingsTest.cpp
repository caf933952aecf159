#include <gtest/gtest.h>

#include "platform/LineSettings.h"

using voran::LineSettings;
using voran::ParseLineSettings;

namespace {

struct Case {
    const char* text;
    std::optional<LineSettings> expected;
};

class SettingsText : public ::testing::TestWithParam<Case> {};

TEST_P(SettingsText, ReadsAsExpected) {
    EXPECT_EQ(ParseLineSettings(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingsText,
    ::testing::Values(Case{"9600,n,8,1", LineSettings{9600, 'n', 8, 1}},
                      Case{"19200,N,8,1", LineSettings{19200, 'n', 8, 1}},
                      Case{" 9600 , e , 7 , 2 ", LineSettings{9600, 'e', 7, 2}},
                      Case{"4800,o,8,1", LineSettings{4800, 'o', 8, 1}}, Case{"", std::nullopt},
                      Case{"9600", std::nullopt}, Case{"9600,n,8", std::nullopt},
                      Case{"9600,n,8,1,1", std::nullopt}, Case{"9601,n,8,1", std::nullopt},
                      Case{"9600,x,8,1", std::nullopt}, Case{"9600,n,9,1", std::nullopt},
                      Case{"9600,n,8,3", std::nullopt}, Case{"-9600,n,8,1", std::nullopt},
                      Case{"99999999999,n,8,1", std::nullopt}));

}  // namespace
