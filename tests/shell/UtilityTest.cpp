// Small shared procedures of the shell, and the on-screen message text.
#include <filesystem>
#include <gtest/gtest.h>

#include "platform/qt/QtMessageBox.h"
#include "window/Utility.h"

using namespace voran;

TEST(ChangeExtension, ReplacesTheLastExtensionUnderTheAbsoluteFolder) {
    const std::string cwd = std::filesystem::current_path().string();
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"/opt/voran/line3", "rev", "/opt/voran/line3.rev"},
        {"/opt/voran/line3.v2.tnx", "lcf", "/opt/voran/line3.v2.lcf"},
        {"progs/line3.tnx", "hex", cwd + "/progs/line3.hex"},
    };
    for (const auto& [path, ext, expected] : cases)
        EXPECT_EQ(ChangeExtension(path, ext), expected) << path;
}

TEST(QtMessageBoxText, CarriageReturnsBecomeLineBreaksAndEightBitTextIsLatin1) {
    const std::pair<std::string, QString> cases[] = {
        {"Error Number = 16\r\nError Source = open\r\rbusy",
         "Error Number = 16\nError Source = open\n\nbusy"},
        {"90\xb0", QString::fromUtf8("90\u00b0")},
        {"90\xc2\xb0", QString::fromUtf8("90\u00b0")},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(QtMessageBox::toDisplayText(text).toStdString(), shown.toStdString()) << text;
}

// The program download question's "label: \t\t value" lines line up in two
// columns whatever the scale: a table row each, the words kept, no tab
// left to be drawn at a width of its own.
TEST(QtMessageBoxText, TabSeparatedLinesBecomeATwoColumnTable) {
    const std::string text =
        "Program on disk:\r\n  Program Ident: \t\tLINE3\r\n  Program Checksum: \t4F\r\n\r\n"
        "Download <now>?";
    const QString html = voran::QtMessageBox::toAlignedHtml(text);
    EXPECT_EQ(html.count(QStringLiteral("<tr>")), 2);
    EXPECT_FALSE(html.contains(QLatin1Char('\t')));
    for (const char* words : {"Program on disk:", "Program Ident:", "LINE3",
                              "Program Checksum:", "4F", "Download &lt;now&gt;?"})
        EXPECT_TRUE(html.contains(QString::fromLatin1(words))) << words;
    EXPECT_TRUE(html.indexOf("Program Ident:") < html.indexOf("LINE3"));
    EXPECT_EQ(voran::QtMessageBox::toAlignedHtml("no tab here"), QString());
}
