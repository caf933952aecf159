// The timing channel grid: typed and spun setpoints, the recall states,
// Clear Channel online and offline.
#include "TimingFixture.h"

namespace voran::testing {
namespace {

using Shown = FakeMessageBox::Shown;
using Pair = std::array<std::int16_t, 2>;

Shown notProgrammed(const std::string& channel) {
    return {"Unable to Successfully Program Setpoint for Channel " + channel + ".",
            "Channel Setpoint", MsgButtons::Ok, MsgIcon::Critical};
}
Shown clearQuestion(const std::string& channel) {
    return {"You are about to Clear Channel " + channel + ".\r\n\r\nDo you wish to continue?",
            "Clear Channel", MsgButtons::YesNoCancel, MsgIcon::Question};
}

TEST_F(TimingWindow, TypedSetpointClearsAndProgramsTheChannelAndKeepsIt) {
    open(true);
    port.clearTrace();
    typeInto(box(16), QStringLiteral("300"));
    key(Qt::Key_Tab);
    EXPECT_EQ(sent(), programmed(0, 180, 300));
    EXPECT_EQ(setpoint(0), (Pair{180, 300}));
    EXPECT_EQ(pls().channels[0], (sim::SimPls::Channel{true, 180, 300}));
    EXPECT_EQ(window->diagram()->spans(0), (std::vector<TimingSpan>{{180, 300}}));
    EXPECT_TRUE(messages.shown.empty());

    // A box left as it was sends nothing.
    port.clearTrace();
    box(1)->lineEdit()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    EXPECT_TRUE(port.sent().empty());
}

struct Refusal {
    int box;
    const char* typed;
    const char* message;
};
class TimingRefusal : public TimingWindow, public ::testing::WithParamInterface<Refusal> {};

TEST_P(TimingRefusal, GivesOneBoxSendsNothingAndKeepsTheBoxAndTheData) {
    const Refusal c = GetParam();
    open(true);
    port.clearTrace();
    const QString before = text(c.box);
    typeInto(box(c.box), QString::fromLatin1(c.typed));
    key(Qt::Key_Tab);
    EXPECT_EQ(messages.shown, std::vector<Shown>{info(c.message, "Set-up")});
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(text(c.box), before);
    EXPECT_EQ(focus(), box(c.box)->lineEdit());
    EXPECT_EQ(setpoint(0), (Pair{180, 240}));
    EXPECT_EQ(setpoint(1), (Pair{90, 270}));
}
const std::string kRange = RangeMessage(0, 359);
INSTANTIATE_TEST_SUITE_P(
    TypedSetpoint, TimingRefusal,
    ::testing::Values(Refusal{16, "180", "ON Setpoint cannot Equal OFF Setpoint"},
                      Refusal{0, "240", "ON Setpoint cannot Equal OFF Setpoint"},
                      Refusal{0, "400", kRange.c_str()}));

TEST_F(TimingWindow, SpunSetpointIsProgrammedWithoutTheEqualityTest) {
    pls().program(0, 180, 181);
    open(true);
    port.clearTrace();
    box(16)->step(-1);
    EXPECT_EQ(text(16), QStringLiteral("180"));
    EXPECT_EQ(sent(), programmed(0, 180, 180));
    EXPECT_EQ(setpoint(0)[1], 180);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(focus(), window->cmdDefault());
}

// Online, a page chosen by its Alt+letter followed by Enter or Space sends
// nothing: no button is a default button and the focus never lands on a
// command. Tab walks the grid row by row.
TEST_F(TimingWindow, AltLetterThenEnterOrSpaceSendsNothingAndTabGoesRowByRow) {
    open(true);
    for (const Qt::Key press : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter}) {
        window->cmdDefault()->setFocus();
        window->tbsTiming()->setCurrentIndex(0);
        port.clearTrace();
        QTest::keyClick(window.get(), Qt::Key_P, Qt::AltModifier);
        ASSERT_EQ(window->tbsTiming()->currentIndex(), 1);
        EXPECT_NE(focus(), window->cmdResetPLSConfig());
        key(press);
        EXPECT_TRUE(port.sent().empty()) << "key " << press;
        EXPECT_EQ(pls().scaleFactor, 360);
    }

    window->tbsTiming()->setCurrentIndex(0);
    box(0)->lineEdit()->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> walked;
    for (int k = 0; k < 4; ++k) {
        key(Qt::Key_Tab);
        walked.push_back(focus());
    }
    EXPECT_EQ(walked, (std::vector<QWidget*>{box(16)->lineEdit(), box(1)->lineEdit(),
                                             box(17)->lineEdit(), box(2)->lineEdit()}));
}

TEST_F(TimingWindow, SetpointTheBoardDoesNotTakeTellsWhichPathFailed) {
    open(true);
    script();
    scripted.refuse = {pls::kChannelFrame};
    // Typed: "CH0" and the channel; spun: "CH" and the channel.
    typeInto(box(3), QStringLiteral("10"));
    key(Qt::Key_Tab);
    box(19)->setText(QStringLiteral("20"));
    box(19)->step(+1);
    EXPECT_EQ(messages.shown, (std::vector<Shown>{notProgrammed("CH03"), notProgrammed("CH3")}));
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(setpoint(3), (Pair{10, 21})) << "the working data keep the new values";
    EXPECT_EQ(window->diagram()->channel(3).mark, TimingDiagram::Mark::Unknown);
}

TEST_F(TimingWindow, RecallFillsTheBoxByTheStateThePlsAnswers) {
    open(true);
    script();
    struct Case {
        std::vector<std::array<int, 3>> answers;  // state, low, high
        bool refuse;
        const char* on;
        const char* off;
        std::vector<Shown> shown;
        TimingDiagram::Mark mark;
    };
    const std::vector<Shown> refused{info("Unable to Recall Channel ch3", "Channel Recall")};
    const std::vector<Case> cases = {
        {{{0, 44, 1}, {1, 30, 0}}, false, "30", "300", {}, TimingDiagram::Mark::Programmed},
        {{{1, 104, 1}, {0, 5, 0}}, false, "360", "5", {}, TimingDiagram::Mark::Programmed},
        {{{7, 0, 0}}, false, "****", "****", {}, TimingDiagram::Mark::Empty},
        {{}, true, "---", "---", refused, TimingDiagram::Mark::Unknown},
    };
    for (const Case& c : cases) {
        messages.shown.clear();
        scripted.recalls.assign(c.answers.begin(), c.answers.end());
        scripted.refuseRecall = c.refuse;
        window->txtTmg(1)->setText(QStringLiteral("3"));
        port.clearTrace();
        click(window->cmdRecallChan());
        EXPECT_EQ(QStringList({text(3), text(19)}), QStringList({c.on, c.off}));
        EXPECT_EQ(messages.shown, c.shown);
        EXPECT_EQ(window->diagram()->channel(3).mark, c.mark);
        const Bytes expected = c.answers.size() == 2 ? cat({recall(3), recall(3)})
                               : c.refuse            ? Bytes{0xFF, pls::kRecall, 3}
                                                     : recall(3);
        EXPECT_EQ(sent(), expected);
    }
    EXPECT_EQ(setpoint(3), (Pair{0, 0})) << "the Recall button stores nothing";
}

TEST_F(TimingWindow, ClearChannelOnlineClearsThenRecalls) {
    open(true);
    window->txtTmg(1)->setText(QStringLiteral("1"));
    const Shown question = clearQuestion("CH01");
    // No and Cancel end the command.
    messages.answers = {MsgResult::No};
    port.clearTrace();
    click(window->cmdClearChan());
    click(window->cmdClearChan());
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(messages.shown, (std::vector<Shown>{question, question}));

    messages.shown.clear();
    messages.answers = {MsgResult::Yes};
    click(window->cmdClearChan());
    EXPECT_EQ(sent(), cat({channelFrame(1, 0, 0, 0), recall(1)}));
    EXPECT_EQ(QStringList({text(1), text(17)}), QStringList({"****", "****"}));
    EXPECT_EQ(setpoint(1), (Pair{0, 0})) << "the working data follow the PLS";
    EXPECT_FALSE(pls().channels[1].programmed);
    EXPECT_TRUE(window->diagram()->greyed(1));
    EXPECT_EQ(messages.shown, std::vector<Shown>{question});
}

TEST_F(TimingWindow, ClearChannelRefusedOffersRetryAndCancelShowsFailed) {
    open(true);
    script();
    scripted.refuse = {pls::kChannelFrame};
    window->txtTmg(1)->setText(QStringLiteral("0"));
    messages.answers = {MsgResult::Yes, MsgResult::Retry, MsgResult::Yes, MsgResult::Cancel};
    click(window->cmdClearChan());
    const Shown question = clearQuestion("CH00");
    const Shown failed{"Unable to Clear Channel", "Clear Channel", MsgButtons::RetryCancel,
                       MsgIcon::Exclamation};
    EXPECT_EQ(messages.shown, (std::vector<Shown>{question, failed, question, failed}));
    EXPECT_EQ(QStringList({text(0), text(16)}), QStringList({"---", "---"}));
    EXPECT_EQ(setpoint(0), (Pair{180, 240}));
}

TEST_F(TimingWindow, ClearChannelOfflineNeedsOfflineEditing) {
    open(false);
    EXPECT_FALSE(window->cmdClearChan()->isEnabled());
    ctx.OfflineEditing = true;
    pass();
    ASSERT_TRUE(window->cmdClearChan()->isEnabled());
    setpoint(3) = {10, 20};
    window->txtTmg(1)->setText(QStringLiteral("3"));
    messages.answers = {MsgResult::Yes};
    click(window->cmdClearChan());
    EXPECT_EQ(QStringList({text(3), text(19)}), QStringList({"****", "****"}));
    EXPECT_EQ(setpoint(3), (Pair{0, 0}));
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(TimingWindow, SettingAChannelThatHeldNoSetpointShowsTheZeroSentForTheOtherBox) {
    open(true);
    ASSERT_EQ(text(4), QStringLiteral("****"));
    port.clearTrace();
    typeInto(box(4), QStringLiteral("30"));
    key(Qt::Key_Tab);
    EXPECT_EQ(sent(), programmed(4, 30, 0));
    EXPECT_EQ(QStringList({text(4), text(20)}), QStringList({"30", "0"}));
    EXPECT_EQ(setpoint(4), (Pair{30, 0}));
    EXPECT_EQ(window->diagram()->spans(4), (std::vector<TimingSpan>{{30, 360}}));
}

TEST_F(TimingWindow, PendingEntryIsCommittedToTheChannel) {
    open(true);
    port.clearTrace();
    typeInto(box(18), QStringLiteral("77"));
    EXPECT_TRUE(window->commitPendingEntry());
    EXPECT_EQ(setpoint(2)[1], 77);
    EXPECT_EQ(sent(), programmed(2, 0, 77));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TimingWindow, CommandsWhileTheLinkIsHeldStartNoTransaction) {
    open(true);
    port.clearTrace();
    {
        const auto held = link.begin();
        ASSERT_TRUE(held);
        messages.answers = {MsgResult::Yes, MsgResult::Yes};
        click(window->cmdRecallChan());
        click(window->cmdClearChan());
        click(window->cmdResetPLSConfig());
        pass();
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(text(0), QStringLiteral("180"));
}

TEST_F(TimingWindow, SetpointSpunWhileTheLinkIsHeldIsToldAsNotProgrammed) {
    open(true);
    port.clearTrace();
    {
        const auto held = link.begin();
        box(16)->step(+1);
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(messages.shown, std::vector<Shown>{notProgrammed("CH0")});
    EXPECT_EQ(window->diagram()->channel(0).mark, TimingDiagram::Mark::Unknown);
}

}  // namespace
}  // namespace voran::testing
