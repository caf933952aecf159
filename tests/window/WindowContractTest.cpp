// What every window of the window table promises (a window joins by being
// in the table): a link fault gives one box then the offline look, a failed
// read never reaches the screen, replaced tables are drawn again, nothing is
// sent while the link is held; and a write the board did not confirm is told
// once and never passed off as done.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SimPls.h"
#include "WindowFixture.h"
#include "shell/BackgroundUpdate.h"
#include "shell/WindowTable.h"
#include "timing/ui/frmSetup.h"
#include "window/BoardWrite.h"
#include "window/LiveWindow.h"

namespace voran::testing {
namespace {

// Every text the window shows, in a fixed order.
std::vector<std::string> screenTexts(const QWidget& w) {
    std::vector<std::string> out;
    for (const QLabel* l : w.findChildren<QLabel*>()) out.push_back(l->text().toStdString());
    for (const QLineEdit* e : w.findChildren<QLineEdit*>()) out.push_back(e->text().toStdString());
    for (const QAbstractButton* b : w.findChildren<QAbstractButton*>())
        out.push_back(b->text().toStdString());
    for (const QPlainTextEdit* e : w.findChildren<QPlainTextEdit*>())
        out.push_back(e->toPlainText().toStdString());
    for (const QTableWidget* t : w.findChildren<QTableWidget*>())
        for (int r = 0; r < t->rowCount(); ++r)
            for (int c = 0; c < t->columnCount(); ++c)
                out.push_back(t->item(r, c) ? t->item(r, c)->text().toStdString() : "");
    return out;
}

// Puts a mark on every label and line, so that a redraw that shows the
// same values is still seen.
void markLabels(QWidget& w) {
    for (QLabel* l : w.findChildren<QLabel*>()) l->setText(QStringLiteral("\u00a7"));
    for (QLineEdit* e : w.findChildren<QLineEdit*>()) e->setText(QStringLiteral("\u00a7"));
}

class WindowContract : public ::testing::TestWithParam<int>, protected WindowContext {
protected:
    void SetUp() override {
        tables.BuildDefaults(clock.localDateTime());
        ChildWindow* made = WindowTable()[GetParam()].create(ctx, nullptr);
        window.reset(dynamic_cast<LiveWindow*>(made));
        ASSERT_NE(window, nullptr) << "every window of the table shows live data";
        window->monitor().setTimerDriven(false);
        window->resize(1000, 700);
        window->show();
    }
    void open(bool online) {
        if (online) ctx.goOnline();
        ASSERT_EQ(link.OnlineMode, online);
        window->activate();
        ASSERT_TRUE(window->monitor().runPass());
    }
    // Every byte the window read gets another value, and the PLS another
    // state: a read that went through would show something new.
    void changeTheBoard() {
        for (const int a : addressesRead()) board.memory()[a] ^= 0x5A;
        board.pls().scaleFactor = 720;
        board.pls().offset = 33;
        board.pls().program(0, 11, 22);
    }
    // Working data unlike the defaults, as a file opened would bring.
    void changeTheTables() {
        SetupData& d = tables.CurrentData;
        for (std::size_t i = 0; i < d.Value.size(); ++i) d.Value[i] = 7 + static_cast<int>(i);
        for (auto& s : d.Setpoint) s = {12, 34};
        std::tie(d.ScaleFactor, d.ResolverOffset, d.PLSProgram) = std::tuple(720, 5, 3);
    }
    MonitorPass& monitor() { return window->monitor(); }

    std::unique_ptr<LiveWindow> window;
};

TEST_P(WindowContract, ALinkFaultGivesOneBoxThenTheOfflineLookAndAFailedReadShowsNothing) {
    open(true);
    ASSERT_TRUE(monitor().runPass());
    ASSERT_TRUE(messages.shown.empty());
    const std::vector<std::string> shown = screenTexts(*window);
    clearTrace();
    ASSERT_TRUE(monitor().runPass());
    const bool reads = !port.sent().empty();
    changeTheBoard();
    port.silent = true;  // the link's Retry/Cancel box is answered Cancel
    clearTrace();
    monitor().runPass();
    // A window that reads nothing of its own meets the fault of another reader.
    if (!reads) link.RSRead("W182");
    ASSERT_TRUE(link.CommError);
    EXPECT_EQ(screenTexts(*window), shown) << "the failed read is not shown, nothing after it read";
    ASSERT_EQ(messages.shown.size(), 1u) << "one fault, one box: the link's";
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::RetryCancel);

    port.silent = false;
    monitor().runPass();
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(monitor().offlineLookShown());
    EXPECT_FALSE(monitor().onlineLookShown());
    EXPECT_EQ(messages.shown.size(), 1u) << "no second box for the same fault";
    clearTrace();
    monitor().runPass();
    EXPECT_TRUE(port.sent().empty()) << "offline, a pass sends nothing";
}

TEST_P(WindowContract, TablesReplacedWhileOfflineAreDrawnOnTheNextPassAndOnlyThen) {
    open(false);
    EXPECT_TRUE(monitor().offlineLookShown());
    const std::vector<std::string> before = screenTexts(*window);
    changeTheTables();
    monitor().runPass();
    EXPECT_EQ(screenTexts(*window), before) << "no redraw without cause";
    markLabels(*window);
    monitor().runPass();
    const std::vector<std::string> marked = screenTexts(*window);
    tables.TablesReplaced = true;
    monitor().runPass();
    EXPECT_NE(screenTexts(*window), marked) << "the offline look was drawn again";
    EXPECT_FALSE(tables.TablesReplaced) << "the flag is taken by the window that drew";
    EXPECT_TRUE(port.sent().empty());
}

TEST_P(WindowContract, NothingIsSentWhileAModalOperationOrAnotherCallerHoldsTheLink) {
    open(true);
    clearTrace();
    ASSERT_TRUE(monitor().runPass());
    const bool reads = !port.sent().empty();
    clearTrace();
    {
        AppContext::ModalOperation modal(ctx);
        EXPECT_FALSE(monitor().step());
        EXPECT_FALSE(monitor().runPass());
    }
    {
        const auto held = link.begin();
        EXPECT_FALSE(monitor().step());
        EXPECT_FALSE(monitor().runPass());
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_TRUE(monitor().runPass());
    EXPECT_EQ(port.sent().empty(), !reads) << "the pass goes on once the operation ended";
}

std::string windowName(const ::testing::TestParamInfo<int>& info) {
    std::string name;
    for (const char* c = WindowTable()[info.param].caption; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, WindowContract,
                         ::testing::Range(0, static_cast<int>(WindowTable().size())), windowName);

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
