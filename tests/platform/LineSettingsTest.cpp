#include <gtest/gtest.h>

#include "platform/LineSettings.h"

using voran::LineSettings;
using voran::ParseLineSettings;

namespace {

TEST(SettingsText, ReadsSpeedParityBitsAndStopBitsOrNothing) {
    const std::pair<const char*, LineSettings> good[] = {{"9600,n,8,1", {9600, 'n', 8, 1}},
                                                         {"19200,N,8,1", {19200, 'n', 8, 1}},
                                                         {" 9600 , e , 7 , 2 ", {9600, 'e', 7, 2}},
                                                         {"4800,o,8,1", {4800, 'o', 8, 1}}};
    for (const auto& [text, expected] : good) EXPECT_EQ(ParseLineSettings(text), expected) << text;
    for (const char* text : {"", "9600", "9600,n,8", "9600,n,8,1,1", "9601,n,8,1", "9600,x,8,1",
                             "9600,n,9,1", "9600,n,8,3", "-9600,n,8,1", "99999999999,n,8,1"})
        EXPECT_EQ(ParseLineSettings(text), std::nullopt) << text;
}

}  // namespace
