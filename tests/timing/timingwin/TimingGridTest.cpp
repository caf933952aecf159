// The timing channel grid: typed and spun setpoints, the recall states,
// Clear Channel online and offline; and the timing diagram, the spans it
// computes for each channel and where it draws them.
#include <QImage>
#include <QPalette>

#include "TimingFixture.h"

namespace voran::testing {
namespace {

using Shown = FakeMessageBox::Shown;
using Pair = std::array<std::int16_t, 2>;
using Spans = std::vector<TimingSpan>;
using Mark = TimingDiagram::Mark;

Shown notProgrammed(const std::string& channel) {
    return {"Unable to Successfully Program Setpoint for Channel " + channel + ".",
            "Channel Setpoint", MsgButtons::Ok, MsgIcon::Critical};
}
Shown clearQuestion(const std::string& channel) {
    return {"You are about to Clear Channel " + channel + ".\r\n\r\nDo you wish to continue?",
            "Clear Channel", MsgButtons::YesNoCancel, MsgIcon::Question};
}

// A setpoint typed (the box left, or the entry committed by a command) or
// spun clears the channel and programs it with both setpoints of its row;
// a spin is not held to ON differing from OFF, and a channel that held no
// setpoint is given 0 for the other one.
TEST_F(TimingWindow, EnteredSetpointClearsAndProgramsTheChannelAndKeepsIt) {
    open(true);
    const auto programs = [&](int ch, std::int16_t on, std::int16_t off) {
        EXPECT_EQ(sent(), programmed(ch, on, off));
        EXPECT_EQ(setpoint(ch), (Pair{on, off}));
        EXPECT_EQ(QStringList({text(ch), text(ch + 16)}),
                  QStringList({QString::number(on), QString::number(off)}));
        EXPECT_TRUE(messages.shown.empty());
        port.clearTrace();
    };
    port.clearTrace();
    typeInto(box(16), QStringLiteral("300"));
    key(Qt::Key_Tab);
    programs(0, 180, 300);
    EXPECT_EQ(pls().channels[0], (sim::SimPls::Channel{true, 180, 300}));
    EXPECT_EQ(window->diagram()->spans(0), (Spans{{180, 300}}));

    // A box left as it was sends nothing.
    box(1)->lineEdit()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    EXPECT_TRUE(port.sent().empty());

    typeInto(box(16), QStringLiteral("181"));
    key(Qt::Key_Tab);
    programs(0, 180, 181);
    box(16)->step(-1);
    programs(0, 180, 180);
    EXPECT_EQ(focus(), window->cmdDefault());

    ASSERT_EQ(text(4), QStringLiteral("****"));
    typeInto(box(4), QStringLiteral("30"));
    key(Qt::Key_Tab);
    programs(4, 30, 0);
    EXPECT_EQ(window->diagram()->spans(4), (Spans{{30, 360}}));

    typeInto(box(18), QStringLiteral("77"));
    EXPECT_TRUE(window->commitPendingEntry());
    programs(2, 0, 77);
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

// No button is a default button and the focus never lands on a command.
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
    EXPECT_EQ(window->diagram()->channel(3).mark, Mark::Unknown);
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
        {{{0, 44, 1}, {1, 30, 0}}, false, "30", "300", {}, Mark::Programmed},
        {{{1, 104, 1}, {0, 5, 0}}, false, "360", "5", {}, Mark::Programmed},
        {{{7, 0, 0}}, false, "****", "****", {}, Mark::Empty},
        {{}, true, "---", "---", refused, Mark::Unknown},
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

TEST_F(TimingWindow, ClearChannelOnlineClearsThenRecallsAndRefusedOffersRetry) {
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

    // Refused by the PLS: Retry asks again, Cancel shows the channel failed.
    messages.shown.clear();
    script();
    scripted.refuse = {pls::kChannelFrame};
    window->txtTmg(1)->setText(QStringLiteral("0"));
    messages.answers = {MsgResult::Yes, MsgResult::Retry, MsgResult::Yes, MsgResult::Cancel};
    click(window->cmdClearChan());
    const Shown channel0 = clearQuestion("CH00");
    const Shown failed{"Unable to Clear Channel", "Clear Channel", MsgButtons::RetryCancel,
                       MsgIcon::Exclamation};
    EXPECT_EQ(messages.shown, (std::vector<Shown>{channel0, failed, channel0, failed}));
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
        box(16)->step(+1);
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(messages.shown, std::vector<Shown>{notProgrammed("CH0")})
        << "only the spun setpoint is told, as not programmed";
    EXPECT_EQ(text(0), QStringLiteral("180"));
    EXPECT_EQ(window->diagram()->channel(0).mark, Mark::Unknown);
}

TEST(TimingSpans, OnToOffWithinAndAcrossTheEndOfTheCycle) {
    struct Case {
        int on, off, scale;
        Spans spans;
    };
    const Case cases[] = {
        {180, 240, 360, {{180, 240}}},
        {0, 359, 360, {{0, 359}}},
        {300, 20, 360, {{300, 360}, {0, 20}}},  // wraps past the end
        {359, 10, 360, {{359, 360}, {0, 10}}},  // ON on the cycle's last division
        {359, 0, 360, {{359, 360}}},            // OFF at the start: no empty piece
        {10, 0, 360, {{10, 360}}},
        {90, 90, 360, {}},   // never switches
        {0, 0, 360, {}},     // a cleared channel in the set-up data
        {360, 10, 360, {}},  // ON at the scale factor itself: outside the cycle
        {10, 360, 360, {}},  // OFF outside
        {-1, 10, 360, {}},
        {5, 50, 100, {{5, 50}}},
        {99, 5, 100, {{99, 100}, {0, 5}}},
        {5, 50, 0, {}},  // no cycle
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimingSpans(c.on, c.off, c.scale), c.spans)
            << c.on << " " << c.off << " " << c.scale;
}

TEST(TimingDiagramWidget, OnlyProgrammedChannelsOfAKnownCycleHaveSpans) {
    TimingDiagram d;
    d.setChannel(0, {Mark::Programmed, 300, 20});
    d.setChannel(1, {Mark::Empty, 0, 0});
    d.setChannel(2, {Mark::Unknown, 0, 0});
    d.setChannel(3, {Mark::Programmed, 360, 20});
    d.setChannel(4, {Mark::Programmed, 0, 0});
    EXPECT_TRUE(d.spans(0).empty()) << "the cycle is not known yet";
    d.setScale(360);
    EXPECT_EQ(d.spans(0), (Spans{{300, 360}, {0, 20}}));
    for (int ch : {1, 2, 3, 4, 5}) EXPECT_TRUE(d.spans(ch).empty()) << ch;
    EXPECT_TRUE(d.outsideCycle(3));
    EXPECT_FALSE(d.outsideCycle(0) || d.outsideCycle(2));
    // Greyed: no setpoint held, or ON and OFF the same.
    for (int ch = 0; ch < 8; ++ch) EXPECT_EQ(d.greyed(ch), ch == 1 || ch == 4) << ch;
    // A scale factor that shrinks leaves the setpoints outside the cycle.
    d.setScale(200);
    EXPECT_TRUE(d.spans(0).empty());
    EXPECT_TRUE(d.outsideCycle(0));
    d.setScale(0);
    EXPECT_FALSE(d.scale().has_value());
}

TEST(TimingDiagramWidget, DrawsTheSpansAcrossTheEndOfTheCycleAndThePosition) {
    for (const double scaleFactor : {1.0, 2.0}) {
        TimingDiagram d;
        QFont f = d.font();
        f.setPointSizeF(f.pointSizeF() * scaleFactor);
        d.setFont(f);
        d.resize(d.sizeHint());
        d.setScale(360);
        d.setChannel(0, {Mark::Programmed, 300, 20});
        d.setChannel(1, {Mark::Programmed, 90, 180});
        d.setPosition(45);
        const QImage image = d.grab().toImage();
        const QRgb fill = d.palette().color(QPalette::Highlight).rgb();
        auto filled = [&](int ch, int division) {
            const QRect band = d.bandRect(ch);
            return image.pixel(d.xAt(division) + 1, band.center().y()) == fill;
        };
        EXPECT_TRUE(filled(0, 330) && filled(0, 5) && filled(0, 300));
        EXPECT_FALSE(filled(0, 100) || filled(0, 25) || filled(0, 290));
        EXPECT_TRUE(filled(1, 120));
        EXPECT_FALSE(filled(1, 200) || filled(1, 330));
        EXPECT_FALSE(filled(2, 120));
        // The bands lie inside the widget, one under the other.
        EXPECT_TRUE(d.rect().contains(d.bandRect(7)));
        EXPECT_LT(d.bandRect(0).bottom(), d.bandRect(1).top());
        // The marker crosses the bands at the position.
        const QRgb marker = image.pixel(d.xAt(45), d.bandRect(3).center().y());
        EXPECT_GT(qRed(marker), 150);
        EXPECT_LT(qGreen(marker), 60);
    }
}

}  // namespace
}  // namespace voran::testing
