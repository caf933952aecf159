// The on-screen message box turns the system's CR and CR LF into line breaks.
#include <gtest/gtest.h>

#include "platform/qt/QtMessageBox.h"

using voran::QtMessageBox;

TEST(QtMessageBoxText, CarriageReturnsBecomeLineBreaks) {
    struct Case {
        std::string text;
        QString shown;
    };
    const Case cases[] = {
        {"Save Changes to File?", "Save Changes to File?"},
        {"Error:\rOnly Numerical Data Allowed.", "Error:\nOnly Numerical Data Allowed."},
        {"Error Number = 16\r\nError Source = open\r\n\r\nbusy",
         "Error Number = 16\nError Source = open\n\nbusy"},
        {"a\r\rb", "a\n\nb"},
        {"ends\r", "ends\n"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtMessageBox::toDisplayText(c.text).toStdString(), c.shown.toStdString())
            << c.text;
}

TEST(QtMessageBoxText, EightBitTextIsShownAsLatin1) {
    EXPECT_EQ(QtMessageBox::toDisplayText("90\xb0"), QString::fromUtf8("90\u00b0"));
    EXPECT_EQ(QtMessageBox::toDisplayText("90\xc2\xb0"), QString::fromUtf8("90\u00b0"));
}
