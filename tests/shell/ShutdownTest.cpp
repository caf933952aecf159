// Ending the program: the save-changes question and the link.
#include <QFile>
#include <gtest/gtest.h>

#include "ShellHarness.h"

using namespace voran;
using voran::testing::ShellHarness;

namespace {
void change(ShellHarness& h) {
    h.window->tables().CurrentData.Value[0] = 99;
}
}  // namespace

TEST(Shutdown, WithoutChangesClosesAtOnceAndClosesTheOpenPort) {
    ShellHarness h;
    h.goOnline();
    h.port.clearTrace();
    EXPECT_TRUE(h.window->close());
    EXPECT_TRUE(h.messages.shown.empty());
    EXPECT_FALSE(h.port.isOpen());
    EXPECT_EQ(h.port.sent(), std::vector<std::uint8_t>{0xFF});
}

TEST(Shutdown, CancelKeepsTheProgramAndTheLinkUntouched) {
    ShellHarness h;
    h.goOnline();
    change(h);
    h.port.clearTrace();
    h.messages.answers = {MsgResult::Cancel};
    h.window->mnuFileExit->trigger();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].text, "Save Changes to File?");
    EXPECT_EQ(h.messages.shown[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(h.port.isOpen());
    EXPECT_TRUE(h.link().OnlineMode);
    EXPECT_TRUE(h.port.sent().empty());
    // Still running: the next close asks again.
    h.messages.answers = {MsgResult::Cancel};
    EXPECT_FALSE(h.window->close());
    EXPECT_EQ(h.messages.shown.size(), 2u);
}

TEST(Shutdown, NoClosesWithoutSaving) {
    ShellHarness h;
    h.goOnline();
    change(h);
    h.messages.answers = {MsgResult::No};
    EXPECT_TRUE(h.window->close());
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_FALSE(h.port.isOpen());
    EXPECT_FALSE(h.link().OnlineMode);
}

TEST(Shutdown, YesSavesUnderTheChosenNameThenCloses) {
    ShellHarness h;
    change(h);
    const std::string path = h.folder.filePath("line3.sdt").toStdString();
    h.dialogs.choose(path);
    h.messages.answers = {MsgResult::Yes};
    EXPECT_TRUE(h.window->close());
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));
}

TEST(Shutdown, YesWhoseSaveIsCancelledKeepsTheProgram) {
    ShellHarness h;
    h.goOnline();
    change(h);
    h.port.clearTrace();
    h.messages.answers = {MsgResult::Yes};
    h.dialogs.cancel();
    EXPECT_FALSE(h.window->close());
    EXPECT_TRUE(h.port.isOpen());
    EXPECT_TRUE(h.port.sent().empty());
    EXPECT_TRUE(h.window->tables().HasUnsavedChanges());
}
