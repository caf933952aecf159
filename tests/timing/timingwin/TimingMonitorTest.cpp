// What the machine timing window shows and how it follows the link: opening
// online, the live panels and the stop/start edge, the layouts offline, a
// link fault, the PLS configuration and the resolver offset.
#include "TimingFixture.h"

namespace voran::testing {
namespace {

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

}  // namespace
}  // namespace voran::testing
