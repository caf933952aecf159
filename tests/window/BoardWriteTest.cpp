// What a window's command sends must land: a write the board did not
// confirm is told once and never passed off as done, an entry it did not
// take goes back out of its box, and a read that failed is never written or
// shown as a 0.
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

#include "WindowFixture.h"
#include "shell/BackgroundUpdate.h"
#include "shell/WindowTable.h"
#include "timing/ui/frmSetup.h"
#include "window/BoardWrite.h"
#include "window/LiveWindow.h"

namespace voran::testing {
namespace {

struct BoardWrites : ::testing::Test, WindowContext {
    std::unique_ptr<LiveWindow> window;
    void open(int row) {
        tables.BuildDefaults(clock.localDateTime());
        window.reset(dynamic_cast<LiveWindow*>(WindowTable()[row].create(ctx, nullptr)));
        window->monitor().setTimerDriven(false);
        window->show();
        ctx.goOnline();
        ASSERT_TRUE(link.OnlineMode);
        window->activate();
    }
    QPushButton* button(const QString& text) const {
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (b->text() == text) return b;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    // Every echo of an address byte comes back wrong, the retry's too.
    void garbleEchoes() { port.wrongEchoes = 1000; }
    static Box notConfirmed(const std::string& address) {
        return box(WriteNotConfirmedText(address), kWriteNotConfirmedTitle);
    }
};

TEST_F(BoardWrites, ACommandTheBoardDidNotConfirmIsToldOnceAndLandsWhenTriedAgain) {
    const struct {
        int window;
        const char* button;
        bool asks;  // a Yes/No/Cancel question comes first
        const char* address;
    } rows[] = {
        {0, "&Reset Jams/Station", false, "B1044.1"},
        {0, "E&nd of Shift", false, "F135"},
        {1, "&Calibrate Number of Shifts", true, "B1044.0"},
        {3, "&Reset Comm Error", false, "B783"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.button);
        open(r.window);
        board.memory()[783] = 7;
        board.memory()[1044] = 0;
        const std::int64_t before = board.peek(r.address);
        garbleEchoes();
        messages.shown.clear();
        messages.answers = {MsgResult::Yes};
        click(button(r.button));
        ASSERT_EQ(messages.shown.size(), r.asks ? 2u : 1u);
        EXPECT_EQ(messages.shown.back(), notConfirmed(r.address));
        EXPECT_EQ(board.peek(r.address), before);
        EXPECT_FALSE(link.CommError) << "the board answers: no link fault";

        port.wrongEchoes = 0;
        messages.shown.clear();
        messages.answers = {MsgResult::Yes};
        click(button(r.button));
        EXPECT_EQ(messages.shown.size(), r.asks ? 1u : 0u);
        EXPECT_NE(board.peek(r.address), before);
        ctx.goOffline();
    }
}

TEST_F(BoardWrites, AnEntryTheBoardDidNotTakeGoesBackOutOfItsBox) {
    open(1);
    auto& setup = dynamic_cast<frmSetup&>(*window);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const std::int32_t held = tables.CurrentData.Value[0];
    const QString shown = setup.txtSetup(0)->text();
    garbleEchoes();
    typeInto(setup.txtSetup(0), QString::number(held + 1));
    key(Qt::Key_Tab);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back(), notConfirmed(tables.CurrentData.Address[0]));
    EXPECT_EQ(setup.txtSetup(0)->text(), shown);
    EXPECT_EQ(tables.CurrentData.Value[0], held);
}

TEST_F(BoardWrites, AReadThatFailedIsNeverWrittenOrShownAsZero) {
    // Auto Set copies each station's calibrate count to its shifts: a count
    // that could not be read is not copied as 0.
    open(1);
    clearTrace();
    garbleEchoes();
    messages.answers = {MsgResult::Yes};
    click(button("&Auto Set Shifts"));
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(messages.shown.back(),
              box("The calibrate count of station 1 could not be read.\r\n\r\nShifts are not set "
                  "from it.",
                  "Auto Set Shifts"));

    // The alarm poll keeps the alarms it could not read as they were shown.
    port.wrongEchoes = 0;
    BackgroundUpdate poll(ctx);
    board.memory()[111] = 0x50;  // B111.4 and B111.6
    board.memory()[121] = 0x80;  // B121.7
    for (int turn = 0; turn < 3; ++turn) ASSERT_TRUE(poll.Tick());
    ASSERT_EQ(poll.AlarmActive(), (std::array{true, true, true}));
    garbleEchoes();
    for (int turn = 0; turn < 3; ++turn) poll.Tick();
    EXPECT_EQ(poll.AlarmActive(), (std::array{true, true, true}));
    EXPECT_FALSE(link.CommError);
}

}  // namespace
}  // namespace voran::testing
