// Ending the program through File > Exit: the save-changes question and the
// link.
#include <QFile>
#include <gtest/gtest.h>

#include "ShellHarness.h"

using namespace voran;
using voran::testing::ShellHarness;

TEST(Shutdown, SaveQuestionDecidesWhetherTheProgramEndsAndClosesThePort) {
    // Case, data changed, answer, file chosen for the save, program ends.
    const std::tuple<const char*, bool, MsgResult, bool, bool> cases[] = {
        {"no changes: no question", false, MsgResult::Ok, false, true},
        {"Cancel keeps the program and the link", true, MsgResult::Cancel, false, false},
        {"No ends without saving", true, MsgResult::No, false, true},
        {"Yes saves, then ends", true, MsgResult::Yes, true, true},
        {"Yes whose save is cancelled keeps the program", true, MsgResult::Yes, false, false},
    };
    const voran::testing::FakeMessageBox::Shown question{"Save Changes to File?\r\n\r\n[unnamed]",
                                                         "VORAN", MsgButtons::YesNoCancel,
                                                         MsgIcon::Exclamation};
    for (const auto& [name, changed, answer, fileChosen, ends] : cases) {
        SCOPED_TRACE(name);
        ShellHarness h;
        h.window->show();
        h.goOnline();
        if (changed) h.window->tables().CurrentData.Value[0] = 99;
        const std::string path = h.folder.filePath("line3.sdt").toStdString();
        if (fileChosen) h.dialogs.choose(path);
        h.messages.answers = {answer};
        h.clearTrace();
        h.window->action(MenuCommand::FileExit)->trigger();

        EXPECT_EQ(h.window->isVisible(), !ends);
        EXPECT_EQ(h.messages.shown.size(), changed ? 1u : 0u);
        for (const auto& box : h.messages.shown) EXPECT_EQ(box, question);
        EXPECT_EQ(h.link().OnlineMode, !ends);
        // Closing the link sends the closing attention byte; staying sends nothing.
        EXPECT_EQ(h.port.sent(), std::vector<std::uint8_t>(ends ? 1 : 0, 0xFF));
        EXPECT_EQ(h.port.isOpen(), !ends);
        EXPECT_EQ(QFile::exists(QString::fromStdString(path)), fileChosen);
    }
}
