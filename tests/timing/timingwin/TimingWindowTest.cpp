// The machine timing window: the channel grid, the timing diagram, and what
// the window shows and how it follows the link; and the PLS commands of the
// link it uses.
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include <functional>

#include "../pls/PlsFixture.h"
#include "timing/PlsCommands.h"
#include "timing/ui/TimingDiagram.h"
#include "timing/ui/frmTiming.h"

namespace voran::testing {
namespace {

// The machine timing window over the in-process board: the default set-up
// in the working data, channels 0 and 1 programmed as the defaults say, the
// machine standing. The tests run the monitoring passes themselves.
class TimingWindow : public ::testing::Test, protected PlsBoard {
protected:
    void SetUp() override {
        tables.BuildDefaults(clock.localDateTime());
        pls().program(0, 180, 240);
        pls().program(1, 90, 270);
        window = std::make_unique<frmTiming>(ctx);
        window->monitor().setTimerDriven(false);
        window->resize(900, 600);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Opens the link (or stays offline), activates the window and runs the
    // first pass; the trace starts when the window does.
    void open(bool online, bool offlineEditing = false) {
        ctx.OfflineEditing = offlineEditing;
        if (online) {
            ctx.goOnline();
            ASSERT_TRUE(link.OnlineMode);
        }
        port.clearTrace();
        window->activate();
        window->monitor().runPass();
    }
    void pass() { window->monitor().runPass(); }
    void script() { board.setCommands(&scripted); }

    NumericEntry* box(int i) const { return window->txtChannel(i); }
    QString text(int i) const { return box(i)->text(); }
    QString panel(int k) const { return window->panel(k)->text(); }
    // The four live panels: speed, position, offset, scale.
    QStringList panelTexts() const { return {panel(1), panel(2), panel(3), panel(4)}; }
    // The ten PLS configuration labels.
    QStringList configTexts() const {
        QStringList t;
        for (int i = 0; i < 10; ++i) t << window->lblPLSCfg(i)->text();
        return t;
    }
    std::array<std::int16_t, 2>& setpoint(int ch) { return tables.CurrentData.Setpoint[ch]; }

    // Frames of the PLS commands as the PC sends them.
    static Bytes recall(int ch) { return {0xFF, pls::kRecall, ch, 0x55, 0x55, 0x55}; }
    // The eight channels recalled in order, a programmed one twice (ON, then OFF).
    static Bytes recalls(const std::set<int>& programmed) {
        Bytes b;
        for (int ch = 0; ch < 8; ++ch)
            b = cat({b, recall(ch), programmed.count(ch) ? recall(ch) : Bytes{}});
        return b;
    }
    static Bytes configRead() {
        Bytes b{0xFF, pls::kConfigRead};
        b.insert(b.end(), 19, 0x55);
        return b;
    }
    static Bytes channelFrame(int ch, int on, int off, int flag) {
        return cat({{0xFF, pls::kChannelFrame, ch, on % 256, on / 256, off % 256, off / 256, flag},
                    readyPoll(2)});
    }
    // SingleSetpoint with the clearing frame first.
    static Bytes programmed(int ch, int on, int off) {
        return cat({readWord(pls::kReadScaleFactor), channelFrame(ch, 0, 0, 0),
                    channelFrame(ch, on, off, 1)});
    }
    // The four live panels of a pass with the machine at or below 50 RPM.
    static Bytes panels() {
        return cat({readWord(pls::kReadRpm), readWord(pls::kReadRpm), readWord(pls::kReadPosition),
                    readWord(pls::kReadOffset), readWord(pls::kReadScaleFactor)});
    }

    static FakeMessageBox::Shown info(const std::string& text, const std::string& title) {
        return {text, title, MsgButtons::Ok, MsgIcon::Information};
    }

    std::unique_ptr<frmTiming> window;
};

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

// What the machine timing window shows and how it follows the link: opening
// online, the live panels and the stop/start edge, the layouts offline, a
// link fault, the PLS configuration and the resolver offset.

TEST_F(TimingWindow, OpeningOnlineShowsTheConfigurationAndRecallsTheEightChannelsInOrder) {
    pls().config[18] = 6;  // channel count
    pls().config[0] = 3;   // PLS program
    for (int k = 0; k < 4; ++k) pls().config[1 + k] = static_cast<std::uint8_t>(10 + k);
    for (int k = 4; k < 8; ++k) pls().config[2 + k] = static_cast<std::uint8_t>(10 + k);
    pls().program(2, 300, 20);
    pls().offset = 10;
    pls().raw = 100;
    open(true);

    EXPECT_EQ(sent(), cat({configRead(), recalls({0, 1, 2}), panels()}));
    EXPECT_EQ(configTexts(),
              QStringList({"6", "3", "10", "11", "12", "13", "14", "15", "16", "17"}));
    QStringList onOff;
    for (int ch = 0; ch < 8; ++ch) onOff << text(ch) + "-" + text(ch + 16);
    EXPECT_EQ(onOff, QStringList({"180-240", "90-270", "300-20", "****-****", "****-****",
                                  "****-****", "****-****", "****-****"}));
    EXPECT_EQ(panelTexts(), QStringList({"RPM: 0", "Position: 90", "Offset: 10", "Scale: 360"}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(focus(), window->cmdDefault());
    // The diagram draws what the PLS holds, the marker where the machine is.
    const auto* d = window->diagram();
    EXPECT_EQ(d->spans(2), (std::vector<TimingSpan>{{300, 360}, {0, 20}}));
    EXPECT_EQ(d->position(), 90);
    EXPECT_TRUE(d->greyed(3) && !d->greyed(0));
    // The working data are left alone by the refresh.
    EXPECT_EQ(setpoint(2), (std::array<std::int16_t, 2>{0, 0}));
}

TEST_F(TimingWindow, FailedReadsShowFailedNeverAValueNorAnEarlierUpload) {
    open(true);  // a first upload fills the link's buffer
    ASSERT_EQ(window->lblPLSCfg(0)->text(), QStringLiteral("8"));
    window->deactivate();
    script();
    scripted.refuse = {pls::kConfigRead};
    open(true);
    EXPECT_EQ(messages.shown, warning("Not able to Upload Configuration from PLS.", "PLS Upload"));
    EXPECT_EQ(configTexts(), QStringList(10, "---"));
    EXPECT_EQ(text(0), QStringLiteral("180")) << "the channels are recalled all the same";
    // A failed live read is shown as failed, never as a value.
    scripted.refuse = {pls::kReadOffset, pls::kReadRpm};
    pass();
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(panelTexts(),
              QStringList({"RPM: ---", "Position: ---", "Offset: ---", "Scale: 360"}));
    EXPECT_TRUE(window->machineStopped()) << "an unknown speed is no stop/start edge";
    EXPECT_TRUE(window->cmdSetOffset()->isEnabled());
}

// The speed read on each pass decides: the offset can be set only while it
// reads zero, and above 50 RPM the position is neither read nor drawn but
// shown as 888.
TEST_F(TimingWindow, OffsetControlsNeedSpeedZeroAndPositionReads888Above50Rpm) {
    auto offsetEnabled = [this] {
        const bool on = window->cmdSetOffset()->isEnabled();
        EXPECT_EQ(window->txtTmg(0)->isEnabled(), on);
        EXPECT_EQ(window->fraTmg(1)->isEnabled(), on);
        return on;
    };
    pls().rpm = 30;
    pls().raw = 123;
    open(true);
    EXPECT_FALSE(offsetEnabled()) << "running at the first pass";
    struct Case {
        int rpm;
        bool enabled;
        const char* position;
    };
    const Case cases[] = {{30, false, "123"}, {0, true, "123"},    {0, true, "123"},
                          {1, false, "123"},  {0, true, "123"},    {50, false, "123"},
                          {51, false, "888"}, {300, false, "888"}, {0, true, "123"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rpm);
        pls().rpm = c.rpm;
        port.clearTrace();
        pass();
        EXPECT_EQ(offsetEnabled(), c.enabled);
        EXPECT_EQ(panel(1), QStringLiteral("RPM: %1").arg(c.rpm));
        EXPECT_EQ(panel(2), QStringLiteral("Position: %1").arg(c.position));
        const bool positionRead = c.rpm <= 50;
        EXPECT_EQ(sent(), positionRead
                              ? panels()
                              : cat({readWord(pls::kReadRpm), readWord(pls::kReadRpm),
                                     readWord(pls::kReadOffset), readWord(pls::kReadScaleFactor)}));
        EXPECT_EQ(window->diagram()->position().has_value(), positionRead);
    }
    // A machine standing when the window opens: settable on the first pass.
    window->deactivate();
    open(true);
    EXPECT_TRUE(offsetEnabled());
}

TEST_F(TimingWindow, DownloadOfTheTimingChannelsIsRecalledOnTheNextPass) {
    open(true);
    pls().program(5, 10, 20);
    tables.PLSConfigChanged = true;
    port.clearTrace();
    pass();
    EXPECT_EQ(sent(), cat({recalls({0, 1, 5}), panels()}));
    EXPECT_FALSE(tables.PLSConfigChanged);
    EXPECT_EQ(QStringList({text(5), text(21)}), QStringList({"10", "20"}));
    EXPECT_EQ(window->diagram()->spans(5), (std::vector<TimingSpan>{{10, 20}}));
}

TEST_F(TimingWindow, OfflineLayoutsFollowOfflineEditing) {
    tables.CurrentData.ResolverOffset = 15;
    tables.CurrentData.SpeedComp[7] = 44;
    open(false);
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(QStringList({text(0), text(16), text(1), text(17), text(2)}),
              QStringList({"180", "240", "90", "270", "0"}));
    EXPECT_EQ(panelTexts(), QStringList({"RPM: -", "Position: -", "Offset: 15", "Scale: 360"}));
    EXPECT_EQ(window->lblPLSCfg(0)->text(), QStringLiteral("8"));
    EXPECT_EQ(window->lblPLSCfg(9)->text(), QStringLiteral("44"));
    EXPECT_FALSE(window->sbrMachineTiming()->isEnabled());
    EXPECT_EQ(window->diagram()->spans(1), (std::vector<TimingSpan>{{90, 270}}));
    EXPECT_TRUE(window->diagram()->greyed(2)) << "ON 0, OFF 0: no setpoint";

    // F2 toggles offline editing; the next pass rebuilds the layout.
    for (const bool e : {true, false, true}) {
        ctx.OfflineEditing = e;
        pass();
        for (int i : {0, 7, 16, 23}) EXPECT_EQ(box(i)->lineEdit()->isEnabled(), e) << i;
        EXPECT_EQ(window->lblChannel(0)->isEnabled(), e);
        EXPECT_EQ(window->cmdClearChan()->isEnabled(), e);
        EXPECT_EQ(window->txtTmg(1)->lineEdit()->isEnabled(), e);
        EXPECT_FALSE(window->cmdRecallChan()->isEnabled());
        EXPECT_FALSE(window->cmdSetOffset()->isEnabled());
        EXPECT_FALSE(window->txtTmg(0)->lineEdit()->isEnabled());
        EXPECT_FALSE(window->cmdResetPLSConfig()->isEnabled());
        EXPECT_FALSE(window->lblPLSCfg(0)->isEnabled());
    }
    // Offline edits are kept for Save; nothing travels.
    typeInto(box(18), QStringLiteral("45"));
    key(Qt::Key_Tab);
    EXPECT_EQ(setpoint(2)[1], 45);
    EXPECT_EQ(window->diagram()->spans(2), (std::vector<TimingSpan>{{0, 45}}));
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(TimingWindow, ResetPlsConfigDownloadsTheWorkingDataAndRetriesOrCancels) {
    auto& d = tables.CurrentData;
    d.PLSProgram = 4;
    d.ChannelCount = 6;
    for (int k = 0; k < 8; ++k) d.SpeedComp[k] = static_cast<std::int16_t>(21 + k);
    d.ScaleFactor = 720;
    open(true);
    window->tbsTiming()->setCurrentIndex(1);
    port.clearTrace();
    click(window->cmdResetPLSConfig());
    // The frames themselves are the PLS commands' own tests.
    EXPECT_EQ(pls().config, (std::array<std::uint8_t, 24>{4, 21, 22, 23, 24, 0, 25, 26, 27, 28, 0,
                                                          0, 0, 0, 0, 0, 0, 0, 6}));
    EXPECT_EQ(pls().scaleFactor, 720);
    const Bytes wire = sent();
    EXPECT_EQ(Bytes(wire.end() - 21, wire.end()), configRead()) << "read back at the end";
    EXPECT_EQ(configTexts(),
              QStringList({"6", "4", "21", "22", "23", "24", "25", "26", "27", "28"}));
    EXPECT_TRUE(messages.shown.empty());

    // Refused by the PLS: Retry downloads again, Cancel gives up.
    script();
    scripted.refuse = {59};
    messages.answers = {MsgResult::Retry, MsgResult::Cancel};
    const int before = pls().commandsTaken[59];
    click(window->cmdResetPLSConfig());
    const FakeMessageBox::Shown failed{"Unable to Reset PLS Configuration Parameters",
                                       "PLS Config Download", MsgButtons::RetryCancel,
                                       MsgIcon::Exclamation};
    EXPECT_EQ(messages.shown, (std::vector<FakeMessageBox::Shown>{failed, failed}));
    EXPECT_EQ(pls().commandsTaken[59] - before, 2);
    EXPECT_EQ(configTexts(), QStringList(10, "---"));
}

TEST_F(TimingWindow, SetOffsetAskedFirstAndTheWorkingDataKeepTheOffsetThePlsHolds) {
    pls().offset = 10;
    pls().raw = 0;  // the machine reads 350
    open(true);
    ASSERT_TRUE(window->cmdSetOffset()->isEnabled());
    const FakeMessageBox::Shown question{
        "You are about to Change the Resolver Offset.\r\n\r\nDo you wish to continue?",
        "Set Offset", MsgButtons::YesNoCancel, MsgIcon::Question};

    // Enter in the offset box goes to Set Offset, and Space presses it: its
    // question, answered Cancel. Answered No: nothing sent, the box shows 0.
    port.clearTrace();
    typeInto(window->txtTmg(0), QStringLiteral("45"));
    key(Qt::Key_Return);
    EXPECT_EQ(focus(), window->cmdSetOffset());
    EXPECT_TRUE(messages.shown.empty());
    key(Qt::Key_Space);
    EXPECT_EQ(window->txtTmg(0)->text(), QStringLiteral("0"));
    window->txtTmg(0)->setText(QStringLiteral("90"));
    messages.answers = {MsgResult::No};
    click(window->cmdSetOffset());
    EXPECT_EQ(messages.shown, (std::vector<FakeMessageBox::Shown>{question, question}));
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(window->txtTmg(0)->text(), QStringLiteral("0"));
    EXPECT_EQ(pls().offset, 10);

    // Yes: the machine's present position now reads 90.
    window->txtTmg(0)->setText(QStringLiteral("90"));
    messages.answers = {MsgResult::Yes};
    click(window->cmdSetOffset());
    EXPECT_EQ(pls().offset, 270);
    EXPECT_EQ(pls().position(), 90);
    EXPECT_EQ(tables.CurrentData.ResolverOffset, 270);
    EXPECT_EQ(panel(3), QStringLiteral("Offset: 270"));
    EXPECT_EQ(messages.shown.size(), 3u);
}

TEST_F(TimingWindow, OffsetAndChannelBoxesRefuseValuesOutsideTheirSpinners) {
    open(true);
    struct Case {
        int box;
        const char* typed;
        int minimum, maximum;
        const char* restored;
    };
    window->txtTmg(0)->setText(QStringLiteral("12"));
    window->txtTmg(1)->setText(QStringLiteral("3"));
    for (const Case c : {Case{0, "400", 0, 359, "12"}, {1, "8", 0, 7, "3"}}) {
        messages.shown.clear();
        NumericEntry* b = window->txtTmg(c.box);
        typeInto(b, QString::fromLatin1(c.typed));
        click(window->cmdRecallChan());  // leaving by mouse: the click does not happen
        EXPECT_EQ(messages.shown, (std::vector<FakeMessageBox::Shown>{
                                      info(RangeMessage(c.minimum, c.maximum), "Resolver Offset")}))
            << c.typed;
        EXPECT_EQ(b->text(), QString::fromLatin1(c.restored));
        EXPECT_EQ(focus(), b->lineEdit());
    }
    EXPECT_EQ(pls().commandsTaken[pls::kRecall], 10) << "only the opening recalls";
}

// The PLS commands of the link, checked on the wire, in the boxes shown and
// in what the simulated PLS holds afterwards.

using Channel = sim::SimPls::Channel;
const Bytes kReadScale = readWord(24);

class PlsCommands : public PlsLink {};

TEST_F(PlsCommands, LiveValuesAreReadAsTwoBytesLowFirst) {
    std::tie(pls().scaleFactor, pls().offset, pls().raw, pls().rpm) =
        std::tuple(1000, 12, 789, 300);
    EXPECT_EQ((std::vector{once(&pls::PLSScaleFactor), once(&pls::PLSOffset), once(&pls::PLSPos),
                           once(&pls::PLSRpm)}),
              (std::vector<std::optional<int>>{1000, 12, 777, 300}));
    EXPECT_EQ(sent(), cat({readWord(24), readWord(40), readWord(72), readWord(88)}));
}

TEST_F(PlsCommands, SetpointOf300TravelsLowByteFirstAndAClearingFrameGoesFirstWhenAsked) {
    pls().setBusyPolls(0);
    ASSERT_TRUE(once([&](auto& t) { return pls::SingleSetpoint(t, 2, 300, 30); }));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 2, 44, 1, 30, 0, 1}, readyPoll(0)}));
    EXPECT_EQ(pls().channels[2], (Channel{true, 300, 30}));
    // The highest setpoint the scale of 360 allows.
    ASSERT_TRUE(once([&](auto& t) { return pls::SingleSetpoint(t, 4, 359, 0); }));
    EXPECT_EQ(pls().channels[4], (Channel{true, 359, 0}));
    EXPECT_TRUE(messages.shown.empty());

    // Clear first: a clearing frame, then the programming frame.
    port.clearTrace();
    pls().setBusyPolls(1);
    pls().program(5, 10, 20);
    ASSERT_TRUE(once([&](auto& t) { return pls::SingleSetpoint(t, 5, 180, 240, true); }));
    const Bytes clear5 = {0xFF, 27, 5, 0, 0, 0, 0, 0}, program5 = {0xFF, 27, 5, 180, 0, 240, 0, 1};
    EXPECT_EQ(sent(), cat({kReadScale, clear5, readyPoll(1), program5, readyPoll(1)}));
    EXPECT_EQ(pls().channels[5], (Channel{true, 180, 240}));
    // A refused clearing frame stops before the programming frame.
    refuse({27});
    port.clearTrace();
    EXPECT_FALSE(once([&](auto& t) { return pls::SingleSetpoint(t, 5, 1, 2, true); }));
    EXPECT_EQ(sent(), cat({kReadScale, {0xFF, 27, 5}}));
    EXPECT_EQ(pls().channels[5], (Channel{true, 180, 240}));
}

TEST_F(PlsCommands, TwoRecallsGiveTheOnThenTheOffSetpoint) {
    pls().program(3, 360, 45);
    pls().program(0, 17 * 256, 0);  // a high byte above 16 is invalid
    // channel, then state (1 ON, 0 OFF, 2 neither) and position; channel 0
    // answers no position
    using R = std::optional<pls::Recall>;
    for (const auto& [chan, recall] :
         {std::pair{3, R{{1, 360}}}, {3, R{{0, 45}}}, {6, R{{2, 0}}}, {0, R{}}}) {
        auto t = link.begin();
        EXPECT_EQ(pls::RecallChannel(*t, chan), recall) << chan;
    }
    const Bytes out = sent();
    const auto in = port.received();  // the first recall: 360 = 1 * 256 + 104, ON
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{0xFF, 9, 3, 0x55, 0x55, 0x55}));
    EXPECT_EQ(std::vector(in.begin(), in.begin() + 6),
              (std::vector<std::uint8_t>{0x55, 0x55, 0x55, 1, 104, 1}));
}

TEST_F(PlsCommands, NewOffsetMakesThePresentPositionReadAsDesired) {
    pls().setBusyPolls(0);
    // offset, position, desired, written; a desired position equal to the
    // scale writes the raw count.
    for (const auto [offset, position, desired, written] :
         {std::array{10, 350, 0, 0}, {10, 350, 90, 270}, {300, 200, 10, 130}, {0, 123, 360, 123}}) {
        SCOPED_TRACE(desired);
        port.clearTrace();
        pls().offset = offset;
        pls().raw = (offset + position) % 360;
        ASSERT_TRUE(once([&](auto& t) { return pls::SetPLSOffset(t, desired); }));
        EXPECT_EQ(sent(), cat({readWord(40),
                               readWord(72),
                               readWord(24),
                               {0xFF, 42, written % 256, written / 256},
                               readyPoll(0)}));
        EXPECT_EQ(std::pair(pls().offset, pls().position()), std::pair(written, desired % 360));
    }
    EXPECT_TRUE(messages.shown.empty());
}

std::array<int, 24> sampleConfig() {
    std::array<int, 24> cfg{};
    for (int k = 0; k < 24; ++k) cfg[k] = (k * 11) % 256;
    return cfg;
}

TEST_F(PlsCommands, ConfigurationDownloadSendsFourBlocksThenTheScaleFactorAndStopsAtARefusal) {
    pls().setBusyPolls(0);
    const auto cfg = sampleConfig();
    ASSERT_TRUE(once([&](auto& t) { return pls::PLSConfigDownload(t, cfg, 720); }));
    Bytes expected;
    for (int b = 0; b < 4; ++b)
        expected =
            cat({expected, {0xFF, 59 + 16 * b}, Bytes(&cfg[6 * b], &cfg[6 * b + 6]), readyPoll(0)});
    EXPECT_EQ(sent(), cat({expected, {0xFF, 26, 720 % 256, 720 / 256}, readyPoll(0)}));
    EXPECT_TRUE(std::equal(cfg.begin(), cfg.end(), pls().config.begin()));
    EXPECT_EQ(pls().scaleFactor, 720);
    // A refused block 0 ends the download: no blocks 1 to 3, no scale factor.
    refuse({59});
    port.clearTrace();
    EXPECT_FALSE(once([&](auto& t) { return pls::PLSConfigDownload(t, sampleConfig(), 360); }));
    EXPECT_EQ(sent(), (Bytes{0xFF, 59, 0}));
    EXPECT_EQ(pls().scaleFactor, 720);
}

TEST_F(PlsCommands, ConfigurationUploadReadsNineteenBytesOrSaysWhyNot) {
    link.CloseRSComm();
    EXPECT_EQ(once(&pls::PLSConfigUpload), std::nullopt);
    EXPECT_EQ(messages.shown, warning("Not able to Upload Configuration from PLS.", "PLS Upload"));
    link.OpenRSComm(port);
    port.clearTrace();
    pls().config[0] = 42;  // the program number, second in the upload
    const auto upload = once(&pls::PLSConfigUpload);
    ASSERT_TRUE(upload);
    EXPECT_EQ((*upload)[1], 42);
    EXPECT_EQ(sent(), cat({{0xFF, 12}, Bytes(19, 0x55)}));
    // A failed upload never hands back an earlier upload's values.
    link.CloseRSComm();
    EXPECT_EQ(once(&pls::PLSConfigUpload), std::nullopt);
}

TEST_F(PlsCommands, RefusedCommandNamesTheRuleInOneBoxAndProgramsNothing) {
    const std::pair<const char*, const char*> setpoint{"PLS Single Setpoint",
                                                       "Channel can not be programmed."},
        offset{"Set PLS Offset", "PLS Offset will not be Programmed."},
        config{"PLS Configuration Download", "PLS Configuration will not be Downloaded."};
    auto beyond = [](int v) {
        return "Setpoint setting " + std::to_string(v) + " is greater than scale factor.";
    };
    const Bytes reads = cat({readWord(40), readWord(72), readWord(24)});
    auto cfg = sampleConfig();
    cfg[7] = 300;
    // scale, call, command, text, what went out before the refusal
    const std::tuple<int, std::function<bool(RSComm::Transaction&)>,
                     std::pair<const char*, const char*>, std::string, Bytes>
        rows[] = {
            // clang-format off
            {360, [&](auto& t) { return pls::SingleSetpoint(t, 3, 360, 10); }, setpoint, beyond(360), kReadScale},
            {360, [&](auto& t) { return pls::SingleSetpoint(t, 3, 10, 360); }, setpoint, beyond(360), kReadScale},
            {100, [&](auto& t) { return pls::SingleSetpoint(t, 3, 0, 100); }, setpoint, beyond(100), kReadScale},
            {360, [&](auto& t) { return pls::SingleSetpoint(t, 3, 10, -5); }, setpoint, "OFF setpoint -5 of channel 4 is less than 0.", {}},
            {360, [&](auto& t) { return pls::SetPLSOffset(t, 361); }, offset, "Desired Position cannot be greater than Scale Factor of 360.", reads},
            {0, [&](auto& t) { return pls::SetPLSOffset(t, 0); }, offset, "The PLS reports a Scale Factor of 0.", reads},
            {360, [&](auto& t) { return pls::PLSConfigDownload(t, cfg, 360); }, config, "Configuration entry 7 holds 300, outside 0 to 255.", {}},
            {360, [&](auto& t) { return pls::PLSConfigDownload(t, sampleConfig(), -360); }, config, "Scale Factor -360 is outside 1 to 65535.", {}},
            // clang-format on
        };
    for (const auto& [scale, call, command, text, wire] : rows) {
        SCOPED_TRACE(text);
        pls().scaleFactor = scale;
        messages.shown.clear();
        port.clearTrace();
        EXPECT_FALSE(once(call));
        EXPECT_EQ(messages.shown, warning(text + "\r\n\r\n" + command.second, command.first));
        EXPECT_EQ(sent(), wire);
    }
    for (int write : {26, 27, 42, 43, 59}) EXPECT_EQ(pls().commandsTaken[write], 0) << write;
    EXPECT_EQ(pls().channels, (std::array<Channel, 8>{}));
}

}  // namespace
}  // namespace voran::testing
