// The machine timing window, the PLS commands of the link it uses, and the
// set-up window.
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include <functional>

#include "../pls/PlsFixture.h"
#include "WindowFixture.h"
#include "timing/PlsCommands.h"
#include "timing/ui/TimingDiagram.h"
#include "timing/ui/frmSetup.h"
#include "timing/ui/frmTiming.h"

namespace voran::testing {
namespace {

// Makes `w` the active window, as the operator's click does.
void activate(QWidget* w) {
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

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
        activate(window.get());
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

// The set-up window: typing values into its entry boxes, and what it shows
// and how it follows the link.

// The set-up window over the in-process board holding the default set-up,
// shown and active; the tests run the monitoring passes themselves.
class SetupWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        tables.BuildDefaults(clock.localDateTime());
        for (int i = 0; i < frmSetup::kItems; ++i)
            ASSERT_TRUE(board.preset(tables.CurrentData.Address[i], tables.CurrentData.Value[i]));
        window = std::make_unique<frmSetup>(ctx);
        window->monitor().setTimerDriven(false);
        window->show();
        activate(window.get());
    }
    // Opens the link (or stays offline), activates the window and runs the
    // first pass.
    void open(bool online, bool offlineEditing = false) {
        ctx.OfflineEditing = offlineEditing;
        if (online) ctx.goOnline();
        window->activate();
        window->monitor().runPass();
        clearTrace();
    }
    // Bytes written since the trace was cleared; with an address ("W1042"),
    // only those to it.
    int writes(const char* address = nullptr) const {
        return WindowContext::writes(address ? std::atoi(address + 1) : -1);
    }
    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QCheckBox* check(int k) const { return window->chkSetup(k); }
    void typeInto(int i, const QString& text) { WindowContext::typeInto(box(i), text); }
    // The one box a refused entry gives.
    static std::vector<FakeMessageBox::Shown> rangeBox(int minimum, int maximum) {
        return {{"Only a Number Between " + std::to_string(minimum) + " and " +
                     std::to_string(maximum) + " can be Entered",
                 "Set-up", MsgButtons::Ok, MsgIcon::Information}};
    }
    std::int32_t& item(int i) { return tables.CurrentData.Value[i]; }

    std::unique_ptr<frmSetup> window;
};

TEST_F(SetupWindow, EntryIsWrittenOnceToItsItemOrRefusedWithOneBoxGivingTheBoxsRange) {
    // Box, typed text, the item's address, the value written or, when
    // refused (maximum set), the bounds of the range message.
    const struct {
        int box;
        const char* typed;
        const char* address;
        std::int64_t value;
        int minimum = 0, maximum = 0;
    } cases[] = {
        {10, "319", "W1020", 319},
        {23, "255", "B1041", 255},
        // A fraction is rounded before it travels: the link would otherwise
        // drop the point and write 1206.
        {3, "120.6", "W1006", 121},
        {0, "0", "W1000", 0, 1, 319},
        {11, "0", "W1022", 0, 1, 319},
        {1, "320", "W1002", 0, 0, 319},
        {12, "256", "B1030", 0, 0, 255},
        // Only a plain decimal number passes.
        {5, "12abc", "W1010", 0, 0, 319},
        {5, "", "W1010", 0, 0, 319},
        {5, "\xd9\xa3", "W1010", 0, 0, 319},  // a digit of another script
    };
    open(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString before = box(c.box)->text();
        const std::int32_t stored = item(c.box);
        messages.shown.clear();
        clearTrace();
        typeInto(c.box, QString::fromUtf8(c.typed));
        key(Qt::Key_Tab);
        EXPECT_EQ(writes(c.address), c.maximum ? 0 : 1);
        EXPECT_EQ(item(c.box), c.maximum ? stored : c.value);
        if (!c.maximum) {
            EXPECT_EQ(messages.shown.size(), 0u);
            EXPECT_EQ(board.peek(c.address), c.value);
            EXPECT_EQ(box(c.box)->text(), QString::number(c.value));
            continue;
        }
        EXPECT_EQ(messages.shown, rangeBox(c.minimum, c.maximum));
        EXPECT_EQ(box(c.box)->lineEdit()->selectedText(), before);
        EXPECT_EQ(focus(), box(c.box)->lineEdit());
        key(Qt::Key_Escape), key(Qt::Key_Escape);  // leave the box without writing
    }
}

TEST_F(SetupWindow, BadEntryGivesOneBoxHoweverTheBoxIsLeftAndTheFocusStaysInIt) {
    open(true);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Enter", [this] { key(Qt::Key_Return); }},
        {"click on Calibrate", [this] { click(window->cmdCalibrate()); }},
        {"click in another box", [this] { click(box(12)->lineEdit()); }},
        // A real message box takes the activation while open and hands it back.
        {"box taking the activation",
         [this] {
             messages.whileOpen = [this] {
                 QWidget other;
                 other.show();
                 activate(&other);
                 other.close();
                 activate(window.get());
             };
             key(Qt::Key_Tab);
         }},
    };
    for (const auto& [way, leave] : ways) {
        messages.shown.clear();
        typeInto(0, QStringLiteral("abc"));
        leave();
        EXPECT_EQ(messages.shown, rangeBox(1, 319)) << way << ": no second box, no question";
        EXPECT_EQ(focus(), box(0)->lineEdit()) << way;
        EXPECT_EQ(box(0)->text(), QStringLiteral("20")) << way;
    }
    EXPECT_EQ(writes(), 0) << "no calibration, no value";
}

TEST_F(SetupWindow, LeavingAnUntouchedBoxWritesAValueInRangeButChecksNoMark) {
    // "-" shows until the controller answers (or after Auto Set), and the
    // controller may hold a value outside the range: neither traps the
    // operator in a box never touched.
    open(true);
    for (const auto& [i, address, shown, written] : {std::tuple{2, "W1004", "60", 1},
                                                     {3, "W1006", "-", 0},
                                                     {4, "W1008", "****", 0},
                                                     {0, "W1000", "0", 0}}) {
        clearTrace();
        box(i)->setText(QString::fromLatin1(shown));
        box(i)->lineEdit()->setFocus(Qt::TabFocusReason);
        key(Qt::Key_Tab);
        EXPECT_EQ(focus(), box(i + 1)->lineEdit()) << shown;
        EXPECT_EQ(writes(address), written) << shown;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SetupWindow, ZeroShiftsToStation2IsAcceptedAndSwitchesOffItsTransferJamCheck) {
    board.preset("W1002", 40);
    board.preset("W1042", 4095);
    open(true);
    typeInto(1, QStringLiteral("0"));
    key(Qt::Key_Tab);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(check(1)->isEnabled() || check(1)->isChecked());
    EXPECT_EQ(board.peek("W1002"), 0);
    EXPECT_EQ(board.peek("W1042"), 4093);
    EXPECT_EQ(item(37), 4093);

    // Shifts again, by the spinner: the check comes back, enabled and
    // checked, and the spinner hands the focus on.
    click(box(1)->upButton());
    EXPECT_EQ(board.peek("W1002"), 1);
    EXPECT_TRUE(check(1)->isEnabled() && check(1)->isChecked());
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(writes("W1002"), 2) << "one write per entry and per spin";
}

TEST_F(SetupWindow, EnterMovesOnAndEscapeOnceRestoresTwiceGoesToAVisibleDefaultButton) {
    board.preset("W1004", 60);
    open(true);
    typeInto(1, QStringLiteral("33"));
    key(Qt::Key_Return);
    EXPECT_EQ(focus(), box(2)->lineEdit());
    EXPECT_EQ(board.peek("W1002"), 33);
    clearTrace();
    typeInto(2, QStringLiteral("99"));
    key(Qt::Key_Escape);
    EXPECT_EQ(box(2)->lineEdit()->selectedText(), QStringLiteral("60"));
    QTest::keyClicks(focus(), QStringLiteral("7"));
    key(Qt::Key_Escape);
    EXPECT_EQ(focus(), box(2)->lineEdit()) << "an Escape after typing is a first Escape again";
    EXPECT_EQ(box(2)->text(), QStringLiteral("60"));
    QPushButton* def = window->cmdDefault();
    const QImage without = def->grab().toImage();
    key(Qt::Key_Escape);
    ASSERT_EQ(focus(), def);
    EXPECT_TRUE(def->isVisible());
    EXPECT_GE(def->width(), def->fontMetrics().horizontalAdvance(QStringLiteral("-")));
    EXPECT_GT(def->height(), 0);
    EXPECT_NE(def->grab().toImage(), without) << "the button drawn with the focus looks different";
    EXPECT_FALSE(window->Editing(2));
    EXPECT_EQ(writes(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SetupWindow, ArrowAndPageKeysStepTheBoxThroughTheSpinnersCheckAndWriteOnce) {
    // Box, its address, the value the board holds, the text typed first
    // (none: the board's value), the key, the value written or, when the
    // step is refused (maximum set), the range message's bounds.
    const struct {
        int box;
        const char* address;
        int held;
        const char* typed;
        Qt::Key key;
        int written;
        int minimum = 0, maximum = 0;
    } cases[] = {
        {1, "W1002", 40, nullptr, Qt::Key_Up, 41},
        {2, "W1004", 40, nullptr, Qt::Key_PageUp, 50},
        {2, "W1004", 40, nullptr, Qt::Key_PageDown, 30},
        // The step stays within the box's range.
        {0, "W1000", 5, nullptr, Qt::Key_PageDown, 1},
        {10, "W1020", 315, nullptr, Qt::Key_PageUp, 319},
        {12, "B1030", 250, nullptr, Qt::Key_PageUp, 255},
        // From a typed value, as the spinner steps from it.
        {3, "W1006", 40, "100", Qt::Key_Up, 101},
        // Nothing to step from: one range message, nothing written.
        {4, "W1008", 40, "abc", Qt::Key_Up, 0, 0, 319},
        {4, "W1008", 40, "400", Qt::Key_Down, 0, 0, 319},
        {13, "B1031", 40, "12x", Qt::Key_PageUp, 0, 0, 255},
    };
    for (const auto& c : cases) ASSERT_TRUE(board.preset(c.address, c.held));
    open(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "box " << c.box << " key " << c.key);
        ASSERT_TRUE(board.preset(c.address, c.held));
        box(c.box)->setText(QString::number(c.held));
        messages.shown.clear();
        clearTrace();
        if (c.typed)
            typeInto(c.box, QString::fromLatin1(c.typed));
        else
            box(c.box)->lineEdit()->setFocus(Qt::TabFocusReason);
        key(c.key);
        EXPECT_EQ(focus(), box(c.box)->lineEdit()) << "the focus stays to step again";
        if (c.maximum) {
            EXPECT_EQ(messages.shown, rangeBox(c.minimum, c.maximum));
            EXPECT_EQ(box(c.box)->text(), QString::number(c.held));
            EXPECT_EQ(board.peek(c.address), c.held);
            key(Qt::Key_Escape), key(Qt::Key_Escape);  // leave without writing
            EXPECT_EQ(writes(c.address), 0);
            continue;
        }
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(box(c.box)->lineEdit()->selectedText(), QString::number(c.written));
        EXPECT_EQ(board.peek(c.address), c.written);
        EXPECT_EQ(item(c.box), c.written);
        // Leaving the box has nothing more to write.
        key(Qt::Key_Tab);
        EXPECT_EQ(writes(c.address), 1);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(SetupWindow, RepeatedUpStepsOnFromTheSteppedValueAndStopsAtTheTop) {
    board.preset("W1002", 317);
    open(true);
    box(1)->lineEdit()->setFocus(Qt::TabFocusReason);
    for (int n = 0; n < 4; ++n) key(Qt::Key_Up);
    EXPECT_EQ(box(1)->text(), QStringLiteral("319"));
    EXPECT_EQ(board.peek("W1002"), 319);
    EXPECT_EQ(writes("W1002"), 2) << "318 and 319; nothing at the top of the range";
    // Escape goes back to the last stepped value, not to the first one.
    QTest::keyClicks(focus(), QStringLiteral("5"));
    key(Qt::Key_Escape);
    EXPECT_EQ(box(1)->text(), QStringLiteral("319"));
}

// An entry not finished: a spinner click after a bad text, a command that
// asks for the entry, and a link fault in the middle of it.
// One row per mode and text, each on a fresh window and board.
class SetupSpinFromText : public SetupWindow,
                          public ::testing::WithParamInterface<std::tuple<bool, const char*>> {};

TEST_P(SetupSpinFromText, GivesOneRangeMessageAndStoresNothingThenStepsFromAValue) {
    const auto [online, typed] = GetParam();
    open(online, true);
    const QString before = box(2)->text();
    const std::int32_t stored = item(2);
    const bool checked = check(2)->isChecked();
    typeInto(2, QString::fromLatin1(typed));
    click(box(2)->upButton());
    EXPECT_EQ(messages.shown, rangeBox(0, 319));
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(2), stored);
    EXPECT_EQ(std::pair(check(2)->isEnabled(), check(2)->isChecked()), std::pair(true, checked))
        << "the station's transfer jam check stays";
    EXPECT_EQ(box(2)->text(), before);
    EXPECT_EQ(focus(), box(2)->lineEdit());

    // From a value it steps by one.
    messages.shown.clear();
    typeInto(2, QStringLiteral("133"));
    click(box(2)->downButton());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(item(2), 132);
    EXPECT_EQ(writes("W1004"), online ? 1 : 0);
    EXPECT_EQ(board.peek("W1004"), online ? 132 : stored);
}
INSTANTIATE_TEST_SUITE_P(Rows, SetupSpinFromText,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values("abc", "500", "-1")));

TEST_F(SetupWindow, CommittingStoresTheTypedValueOnce) {
    open(true);
    typeInto(3, QStringLiteral("133"));
    EXPECT_TRUE(window->commitPendingEntry());
    EXPECT_TRUE(window->commitPendingEntry());
    EXPECT_EQ(item(3), 133);
    EXPECT_EQ(writes("W1006"), 1);
    EXPECT_EQ(focus(), box(3)->lineEdit()) << "the operator goes on in the box";
    key(Qt::Key_Tab);
    EXPECT_EQ(writes("W1006"), 1) << "leaving it has nothing left to store";
}

class SetupTypedAtAFault : public SetupWindow, public ::testing::WithParamInterface<const char*> {};

TEST_P(SetupTypedAtAFault, StaysInTheWorkingDataOrIsRefusedAfterTheLinkBox) {
    const char* typed = GetParam();
    const bool valid = typed[0] != 'a';
    open(true);
    const std::int32_t onBoard = board.peek("W1006");
    const std::int32_t stored = item(3);
    typeInto(3, QString::fromLatin1(typed));
    port.silent = true;
    window->monitor().runPass();  // the read fails; the link asks, Cancel
    ASSERT_TRUE(link.CommError);
    const std::size_t linkBoxes = messages.shown.size();
    ASSERT_GE(linkBoxes, 1u);
    window->monitor().runPass();  // the offline look
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(item(3), valid ? 133 : stored);
    EXPECT_EQ(box(3)->text(), QString::number(item(3)));
    EXPECT_EQ(board.peek("W1006"), onBoard);
    if (valid) {
        EXPECT_EQ(messages.shown.size(), linkBoxes);
    } else {
        ASSERT_EQ(messages.shown.size(), linkBoxes + 1) << "the range message after the link's";
        EXPECT_EQ(messages.shown.back(), rangeBox(0, 319)[0]);
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, SetupTypedAtAFault, ::testing::Values("133", "abc"));

// What the window shows and how it follows the link: the live refresh, the
// offline layouts, the transfer jam enables and the calibration commands.

TEST_F(SetupWindow, OnlinePassShowsTheControllersValuesWithoutWriting) {
    for (const auto& [a, v] :
         {std::pair{"W1000", 21}, {"B1030", 7}, {"W636", 57}, {"W630", 999}, {"W1042", 4094}})
        board.preset(a, v);
    link.OpenRSComm(port);
    window->activate();
    window->monitor().runPass();
    EXPECT_EQ(QStringList({box(0)->text(), box(12)->text(), window->lblCalShift(2)->text(),
                           window->lblCalShift(12)->text()}),
              QStringList({"21", "7", "57", "999"}));
    // A mask of 4094: every transfer jam check but Station 1's.
    for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isChecked(), k != 0) << k;
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(0), 20) << "the refresh leaves the working data alone";
    // A mask changed at the board is shown and written back whole, once.
    board.preset("W1042", 0x0F0);
    window->monitor().runPass();
    for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isChecked(), k >= 4 && k < 8);
    EXPECT_EQ(writes("W1042"), 1) << "never a half-applied mask";
    EXPECT_EQ(board.peek("W1042"), 0x0F0);
}

TEST_F(SetupWindow, BoxBeingEditedIsNotOverwrittenByTheRefresh) {
    // The box that holds the focus only because the window opened follows
    // the board.
    ASSERT_EQ(focus(), box(0)->lineEdit());
    board.preset("W1000", 31);
    open(true);
    EXPECT_EQ(box(0)->text(), QStringLiteral("31"));
    click(box(6)->lineEdit());  // clicked into, nothing typed
    board.preset("W1012", 135);
    window->monitor().runPass();
    EXPECT_EQ(box(6)->text(), QStringLiteral("140"));

    typeInto(15, QStringLiteral("4"));
    board.preset("B1033", 8);
    board.preset("W1008", 100);
    window->monitor().runPass();
    EXPECT_EQ(box(15)->text(), QStringLiteral("4")) << "the operator's text stays";
    EXPECT_EQ(box(4)->text(), QStringLiteral("100")) << "the other boxes follow the board";
}

TEST_F(SetupWindow, CheckBoxClickBeforeTheMaskIsKnownIsIgnored) {
    board.preset("W1042", 4095);
    link.OpenRSComm(port);
    window->monitor().setTimerDriven(true);
    window->activate();
    for (int n = 0; n < 5 && !window->monitor().underWay(); ++n) QCoreApplication::processEvents();
    ASSERT_TRUE(window->layoutBusy());
    window->monitor().setTimerDriven(false);  // hold the pass where it is
    clearTrace();
    click(check(2));
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(item(37), 4095);
}

TEST_F(SetupWindow, Station1AndFlangerCheckedWritesTheText2049) {
    board.preset("W1042", 1);
    open(true);
    click(check(11));
    EXPECT_EQ(board.peek("W1042"), 2049);
    EXPECT_EQ(writes("W1042"), 1);
    EXPECT_EQ(item(37), 2049);
}

TEST_F(SetupWindow, OfflineShowsTheWorkingDataAndOnlyOfflineEditingEnablesBoxesAndChecks) {
    item(37) = 1;
    open(false);
    EXPECT_EQ(box(11)->text(), QStringLiteral("240"));
    EXPECT_EQ(box(23)->text(), QStringLiteral("5"));
    EXPECT_TRUE(check(0)->isChecked() && !check(1)->isChecked());
    for (const bool editing : {false, true}) {
        ctx.OfflineEditing = editing;
        window->monitor().runPass();
        for (int i = 0; i < 24; ++i) EXPECT_EQ(box(i)->lineEdit()->isEnabled(), editing) << i;
        for (int k = 0; k < 12; ++k) EXPECT_EQ(check(k)->isEnabled(), editing) << k;
        EXPECT_FALSE(window->cmdCalibrate()->isEnabled() || window->cmdAutoSet()->isEnabled());
    }
    // Edits are kept for Save, the changed check included; nothing travels.
    typeInto(4, QStringLiteral("77"));
    key(Qt::Key_Tab);
    click(check(0));
    EXPECT_EQ(item(4), 77);
    EXPECT_EQ(item(37), 0);
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(SetupWindow, CalibrateAndAutoSetAskFirstAndOnlyYesActs) {
    board.preset("W636", 57);   // calibrated count of Station 3
    board.preset("W754", 250);  // flanger
    open(true);
    messages.answers = {MsgResult::No, MsgResult::Cancel, MsgResult::Yes, MsgResult::Yes};
    click(window->cmdCalibrate()), click(window->cmdAutoSet());
    EXPECT_TRUE(port.sent().empty());
    click(window->cmdCalibrate()), click(window->cmdAutoSet());
    auto question = [](const char* title, const char* what) {
        return FakeMessageBox::Shown{std::string(what) + "\r\n\r\nDo you wish to continue?", title,
                                     MsgButtons::YesNoCancel, MsgIcon::Question};
    };
    const auto calibrate = question("Calibrate Shifts", "Enter calibration mode (reset counts).");
    const auto autoSet =
        question("Auto Set Shifts", "Copy station calibrate counts to station shifts.");
    EXPECT_EQ(messages.shown, std::vector({calibrate, autoSet, calibrate, autoSet}));
    EXPECT_EQ(board.peek("B1044.0"), 1);
    EXPECT_EQ(board.peek("W1004"), 57);
    EXPECT_EQ(board.peek("W1022"), 250);
    EXPECT_EQ(item(2), 57);
    EXPECT_EQ(item(11), 250);
    window->monitor().runPass();
    EXPECT_EQ(box(2)->text(), QStringLiteral("57"));
}

TEST_F(SetupWindow, AutoSetCopiesNothingForACountThatDidNotArrive) {
    board.preset("W632", 3);
    open(true);
    port.silent = true;
    messages.answers = {MsgResult::Yes};
    click(window->cmdAutoSet());
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(item(0), 20);
    EXPECT_EQ(box(0)->text(), QStringLiteral("20"));
}

}  // namespace
}  // namespace voran::testing
