// Small shared procedures of the shell.
#include <QLineEdit>
#include <filesystem>
#include <gtest/gtest.h>

#include "shell/Utility.h"

using namespace voran;

TEST(ChangeExtension, ReplacesTheLastExtensionUnderTheAbsoluteFolder) {
    const std::string cwd = std::filesystem::current_path().string();
    struct Case {
        const char* path;
        const char* ext;
        std::string expected;
    };
    const Case cases[] = {
        {"/opt/voran/line3.tnx", "hex", "/opt/voran/line3.hex"},
        {"/opt/voran/line3", "rev", "/opt/voran/line3.rev"},
        {"/opt/voran/line3.v2.tnx", "lcf", "/opt/voran/line3.v2.lcf"},
        {"/opt/voran/../voran/a.tnx", "hex", "/opt/voran/a.hex"},
        {"line3.tnx", "hex", cwd + "/line3.hex"},
        {"progs/line3.tnx", "hex", cwd + "/progs/line3.hex"},
    };
    for (const Case& c : cases) EXPECT_EQ(ChangeExtension(c.path, c.ext), c.expected) << c.path;
}

TEST(SelectAllText, SelectsTheWholeEntry) {
    QLineEdit box("1234");
    box.setCursorPosition(2);
    SelectAllText(&box);
    EXPECT_EQ(box.selectedText().toStdString(), "1234");
    EXPECT_EQ(box.selectionStart(), 0);
}
