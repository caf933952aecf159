// View > Target Board Interface in the frame: the program selection, then
// the modal window with its own pass.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "program/ui/frmTargetBoard.h"
#include "widgets/NumericEntry.h"

namespace voran::testing {
namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

TEST(TargetBoardMenu, F5PicksTheProgramAndOpensTheWindowOnlineUntilOk) {
    ShellHarness h;
    QAction* menu = h.window->action(MenuCommand::ViewTargetBoardStatus);

    const std::string base = h.folder.path().toStdString() + "/LINE7.";
    writeFile(base + "tnx", "DTNX\r\n");
    writeFile(base + "rev", "LINE70015\r\n");
    h.board.preset("B8176", 0x0A);
    h.board.preset("B8180", 21);
    h.dialogs.choose(base + "tnx");

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<frmTargetBoard*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        seen = true;
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Target Board Interface"));
        // The pass runs from its own timer until the window closes.
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->StatusShown(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->txtSetup(0)->text() == "21"; }, 5000));
        EXPECT_EQ(w->lblTargetBoard(0)->text(), QStringLiteral("Current Fault: Code = 0AH"));
        EXPECT_EQ(w->lblRevIdentOnDisk(0)->text(), QStringLiteral("LINE7"));
        w->cmdOk()->click();
    });
    menu->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(h.link().OnlineMode) << "the window took the program online";
    EXPECT_EQ(h.window->programCommands().gProgramFilePath, base + "tnx");

    // Cancelling the file dialog opens the window for the last program.
    h.dialogs.cancel();
    seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<frmTargetBoard*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        seen = true;
        EXPECT_EQ(w->lblRevIdentOnDisk(0)->text(), QStringLiteral("LINE7"));
        w->cmdOk()->click();
    });
    menu->trigger();
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace voran::testing
