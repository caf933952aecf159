// The diagnostic windows: what the I/O states window and the N-90 serial
// communications window read, in which order, what they show (bits, values)
// and the one command the latter has; and a window of the Window menu as the
// frame keeps it between switches.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <memory>

#include "ShellHarness.h"
#include "WindowFixture.h"
#include "data/ui/frmMain.h"
#include "shell/ui/frmDisplayIO.h"
#include "shell/ui/frmSerialComm.h"
#include "widgets/Colours.h"

namespace voran::testing {
namespace {

// A live diagnostic window over the in-process board, shown; the tests go
// online through the context and run the monitoring passes themselves.
template <class Window>
class DiagnosticWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        window = std::make_unique<Window>(ctx);
        window->monitor().setTimerDriven(false);
        window->show();
    }
    // Goes online (or stays offline), activates the window and runs the
    // first pass.
    void open(bool online) {
        if (online) ctx.goOnline();
        window->activate();
        window->monitor().runPass();
    }

    std::unique_ptr<Window> window;
};

// Gives a test the reply path for values the board cannot hold (a flag
// reads 0 or 1 at the board).
class DisplayIOProbe : public frmDisplayIO {
public:
    using frmDisplayIO::frmDisplayIO;
    using frmDisplayIO::showReply;
};

using DisplayIO = DiagnosticWindow<DisplayIOProbe>;

const std::vector<std::string> kIOItems = {"F130", "F131", "W162", "W164", "B166",
                                           "B167", "W180", "W182", "W184", "W186",
                                           "W188", "B170", "W100", "W110", "W120"};

QColor colour(const QLabel* l) {
    return l->palette().color(QPalette::Active, QPalette::WindowText);
}

// "ON" in blue or "off" in dark red.
void expectState(const QLabel* l, bool on, const std::string& what) {
    EXPECT_EQ(l->text(), on ? QStringLiteral("ON") : QStringLiteral("off")) << what;
    EXPECT_EQ(colour(l),
              on ? frmDisplayIO::onColour(l->palette()) : frmDisplayIO::offColour(l->palette()))
        << what;
}

TEST_F(DisplayIO, OnlinePassReadsTheFifteenItemsInOrderAndShowsTheControllerValues) {
    const std::pair<const char*, int> values[] = {{"W162", 3276}, {"W164", 2010}, {"B166", 204},
                                                  {"B167", 128},  {"W180", 359},  {"W182", 1200},
                                                  {"W184", 500},  {"W186", 360},  {"W188", 65535}};
    for (const auto& [a, v] : values) ASSERT_TRUE(board.preset(a, v));
    open(true);
    for (int i = 2; i < frmDisplayIO::kControllerValues; ++i) {
        EXPECT_EQ(window->lblk910State(i)->text(), QString::number(values[i - 2].second)) << i;
        EXPECT_EQ(window->lblk910State(i)->toolTip(), QString::fromLatin1(values[i - 2].first));
    }
    clearTrace();
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_EQ(addressesRead(), ByteAddressesOf(kIOItems));
    EXPECT_EQ(writes(), 0);
}

TEST_F(DisplayIO, BitCaptionsNameTheByteAndTheOctalBitNumber) {
    const std::tuple<int, int, const char*> cases[] = {
        {100, 0, "(B100.0)    0:"}, {100, 7, "(B100.7)    7:"}, {100, 8, "(B101.0)  10:"},
        {100, 15, "(B101.7)  17:"}, {110, 10, "(B111.2)  12:"}, {120, 13, "(B121.5)  15:"}};
    for (const auto& [byte, bit, text] : cases)
        EXPECT_EQ(frmDisplayIO::BitCaption(byte, bit), QString::fromLatin1(text));
    EXPECT_EQ(window->lblSlot01(10)->text(), QStringLiteral("(B111.2)  12:"));
    EXPECT_EQ(window->lblSlot02(13)->text(), QStringLiteral("(B121.5)  15:"));
    const std::tuple<int, int, const char*> descriptions[] = {
        {0, 0, "Station #1 Can Transfer PE"},   {0, 15, "Infeed Screw PRX"},
        {0, 10, "Station #11 Can Transfer PE"}, {0, 12, "Transfer Jam Enable (from host PLC)"},
        {1, 3, "Station #4 Transfer Jam"},      {1, 13, "PLC Clock Timing (CH01)"},
        {2, 11, "Flanger Calefi Valve"},        {2, 15, "Infeed Jam Alarm"}};
    for (const auto& [slot, bit, text] : descriptions)
        EXPECT_EQ(frmDisplayIO::BitDescription(slot, bit), QString::fromLatin1(text));
}

// W100 reading 0x8001 shows station 1 (bit 0) and the infeed screw (bit 15)
// on, B170 reading 3 the first two timing channels; a flag is on only for
// exactly 1.
TEST_F(DisplayIO, BitsChannelsAndFlagsShowOnOrOffAsTheBoardHoldsThem) {
    board.preset("W100", 0x8001);
    board.preset("W110", 0x0004);
    board.preset("W120", 0xFFFF);
    board.preset("B170", 3);
    board.preset("F131", 1);
    open(true);
    for (int b = 0; b < frmDisplayIO::kSlotBits; ++b) {
        expectState(window->lblSlot00State(b), b == 0 || b == 15, "W100 bit " + std::to_string(b));
        expectState(window->lblSlot01State(b), b == 2, "W110 bit " + std::to_string(b));
        expectState(window->lblSlot02State(b), true, "W120 bit " + std::to_string(b));
    }
    EXPECT_EQ(window->lblSlot00(0)->text(), QStringLiteral("(B100.0)    0:"));
    EXPECT_EQ(window->lblSlot00(15)->text(), QStringLiteral("(B101.7)  17:"));
    for (int c = 0; c < frmDisplayIO::kChannels; ++c) {
        expectState(window->lblTmgChannelState(c), c < 2, "CH" + std::to_string(c));
        EXPECT_EQ(window->lblTmgChannelState(c)->toolTip(), QStringLiteral("B170.%1").arg(c));
    }
    EXPECT_EQ(window->lblTmgChannel(0)->text(), QStringLiteral("CH00:"));
    EXPECT_EQ(window->lblTmgChannel(7)->text(), QStringLiteral("CH07:"));
    expectState(window->lblk910State(1), true, "F131 = 1");
    expectState(window->lblk910State(0), false, "F130 = 0");
    EXPECT_EQ(window->lblk910State(0)->toolTip(), QStringLiteral("F130"));
    EXPECT_EQ(window->lblk910State(1)->toolTip(), QStringLiteral("F131"));
    board.preset("F131", 0);
    window->monitor().runPass();
    expectState(window->lblk910State(1), false, "F131 = 0");
    window->showReply(1, "2");
    expectState(window->lblk910State(1), false, "F131 = 2");
}

TEST_F(DisplayIO, OnAndOffStayReadableOnADarkPalette) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    window->setPalette(dark);
    board.preset("B170", 5);
    open(true);
    for (int ch = 0; ch < 3; ++ch) {
        const QLabel* l = window->lblTmgChannelState(ch);
        EXPECT_EQ(l->text(), ch == 1 ? "off" : "ON");
        EXPECT_GE(ContrastRatio(colour(l), l->palette().color(QPalette::Window)), 4.5) << ch;
    }
}

TEST_F(DisplayIO, OfflineLookIsDisabledWithDashes) {
    open(false);
    EXPECT_TRUE(port.sent().empty());
    for (int f = 0; f < 5; ++f) EXPECT_FALSE(window->fraBMIO(f)->isEnabled()) << f;
    std::vector<QLabel*> labels;
    for (int i = 0; i < frmDisplayIO::kControllerValues; ++i)
        labels.insert(labels.end(), {window->lblk910(i), window->lblk910State(i)});
    for (int c = 0; c < frmDisplayIO::kChannels; ++c)
        labels.insert(labels.end(), {window->lblTmgChannel(c), window->lblTmgChannelState(c)});
    for (int b = 0; b < frmDisplayIO::kSlotBits; ++b)
        for (int s = 0; s < frmDisplayIO::kSlots; ++s) labels.push_back(window->lblSlotState(s, b));
    for (QLabel* l : labels) EXPECT_FALSE(l->isEnabled()) << l->text().toStdString();
    for (int b = 0; b < frmDisplayIO::kSlotBits; ++b)
        EXPECT_EQ(window->lblSlot02State(b)->text(), QStringLiteral("-"));
    EXPECT_EQ(window->lblk910State(6)->text(), QStringLiteral("-"));
}

TEST_F(DisplayIO, AValueWhoseReadFailedShowsAsUnknownUntilReadAgain) {
    ASSERT_TRUE(board.preset("W100", 0x8001));
    open(true);
    ASSERT_EQ(window->lblSlot00State(0)->text(), QStringLiteral("ON"));
    // Every item before W100 read, then both tries of its first address
    // byte lost.
    bool failedOnce = false;
    for (long long at = 1; at < 400 && !failedOnce; ++at) {
        const long long first = port.bytesWritten();
        port.dropAt = {first + at, first + at + 1 + 2 + 2};
        ASSERT_TRUE(window->monitor().runPass());
        ASSERT_FALSE(link.CommError);
        failedOnce = window->lblSlot00State(0)->text() == QStringLiteral("---");
    }
    ASSERT_TRUE(failedOnce);
    for (int b = 0; b < 16; ++b) EXPECT_EQ(window->lblSlot00State(b)->text(), "---") << b;
    port.dropAt.clear();
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_EQ(window->lblSlot00State(0)->text(), QStringLiteral("ON"));
    EXPECT_EQ(window->lblSlot00State(1)->text(), QStringLiteral("off"));
}

using SerialComm = DiagnosticWindow<frmSerialComm>;

const std::vector<std::string> kCommItems = {"B798",  "W8156", "W8154", "B780", "B3002",
                                             "B3003", "W3004", "W3042", "B782", "B783"};

QStringList displays(const frmSerialComm& w) {
    QStringList out;
    for (int i = 0; i < frmSerialComm::kItems; ++i) out << w.lblDisplay(i)->text();
    return out;
}

TEST_F(SerialComm, OnlinePassReadsTheTenItemsInOrderShowsThemAndTheFunctionAndResetWritesB783) {
    const std::vector<int> values = {1, 2, 515, 4, 17, 3, 40001, 1100, 9, 12};
    for (std::size_t i = 0; i < kCommItems.size(); ++i)
        ASSERT_TRUE(board.preset(kCommItems[i], values[i]));
    open(true);
    EXPECT_EQ(displays(*window),
              QStringList({"1", "2", "515", "4", "17", "Read", "40001", "1100", "9", "12"}));
    clearTrace();
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_EQ(addressesRead(), ByteAddressesOf(kCommItems));
    EXPECT_EQ(writes(), 0);
    EXPECT_TRUE(messages.shown.empty());
    // The function (B3003) shows Read, Write or the code.
    const std::pair<int, const char*> functions[] = {
        {3, "Read"}, {16, "Write"}, {6, "??6"}, {0, "??0"}, {255, "??255"}};
    for (const auto& [code, shown] : functions) {
        board.preset("B3003", code);
        window->monitor().runPass();
        EXPECT_EQ(window->lblDisplay(5)->text(), QString::fromLatin1(shown)) << code;
    }
    // Reset Comm Error writes 0 to B783 (shown as 12), without a question.
    clearTrace();
    QTest::mouseClick(window->cmdResetErr(), Qt::LeftButton);
    EXPECT_EQ(traffic(), (std::vector<WireAccess>{{true, 783, 0}})) << "one write: B783 = 0";
    EXPECT_EQ(board.peek("B783"), 0);
    EXPECT_TRUE(messages.shown.empty()) << "no confirmation, no message";
}

// On a lossy line a read can fail without a link fault: the old value is
// then no longer shown as if the board held it, until a read succeeds.
TEST_F(SerialComm, AValueWhoseReadFailedShowsAsUnknownUntilReadAgain) {
    ASSERT_TRUE(board.preset("B798", 7));
    ASSERT_TRUE(board.preset("W8156", 2));
    open(true);
    ASSERT_EQ(window->lblDisplay(0)->text(), QStringLiteral("7"));
    // 03 1E (the read command is open): the low address byte of B798 lost,
    // then again after the resynchronising FF and the quiet handshake FF 01.
    const long long first = port.bytesWritten();
    port.dropAt = {first + 2, first + 2 + 1 + 2 + 2};
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(window->lblDisplay(0)->text(), QStringLiteral("---"));
    EXPECT_EQ(window->lblDisplay(1)->text(), QStringLiteral("2"));
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_EQ(window->lblDisplay(0)->text(), QStringLiteral("7"));
}

TEST_F(SerialComm, OfflineLookIsDisabledWithDashes) {
    open(false);
    EXPECT_TRUE(port.sent().empty());
    for (int f = 0; f < 2; ++f) EXPECT_FALSE(window->fraSetup(f)->isEnabled());
    for (int i = 0; i < frmSerialComm::kItems; ++i) {
        EXPECT_FALSE(window->lblDescription(i)->isEnabled()) << i;
        EXPECT_FALSE(window->lblDisplay(i)->isEnabled()) << i;
    }
    EXPECT_EQ(displays(*window), QStringList(frmSerialComm::kItems, "-"));
    EXPECT_FALSE(window->cmdResetErr()->isEnabled());

    // Online the same controls come alive.
    ctx.goOnline();
    window->monitor().runPass();
    EXPECT_TRUE(window->fraSetup(1)->isEnabled());
    EXPECT_TRUE(window->lblDisplay(3)->isEnabled());
    EXPECT_TRUE(window->cmdResetErr()->isEnabled());
}

// A window is made once and kept while another is on show: what the
// operator left in it (here a selected cell) is there again, and its pass
// stands still while it is hidden.
TEST(WindowMenu, AWindowKeepsItsStateAcrossASwitchAndRestsWhileHidden) {
    ShellHarness h;
    h.goOnline();
    auto* display = qobject_cast<frmMain*>(h.window->currentChild());
    ASSERT_NE(display, nullptr);
    ASSERT_TRUE(display->monitor().runPass());
    display->fgData()->setCurrentCell(3, 2);

    h.window->mnuWindowForm(kSetupParameters)->trigger();
    h.stopTimers();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_NE(h.window->currentChild(), display);
    EXPECT_FALSE(h.window->mnuWindowForm(kMainDisplay)->isChecked());
    EXPECT_TRUE(h.window->mnuWindowForm(kSetupParameters)->isChecked());
    EXPECT_EQ(h.window->window(kMainDisplay), display);
    EXPECT_TRUE(display->isHidden());
    EXPECT_FALSE(display->monitor().running());
    h.clearTrace();
    EXPECT_FALSE(display->monitor().step());
    EXPECT_TRUE(h.port.sent().empty()) << "a hidden window reads nothing";

    h.window->mnuWindowForm(kMainDisplay)->trigger();
    h.stopTimers();
    EXPECT_EQ(h.window->currentChild(), display);
    EXPECT_TRUE(h.window->mnuWindowForm(kMainDisplay)->isChecked());
    EXPECT_TRUE(display->monitor().running());
    EXPECT_EQ(display->fgData()->currentRow(), 3);
    EXPECT_EQ(display->fgData()->currentColumn(), 2);
    h.window->mnuWindowForm(kSetupParameters)->trigger();
    EXPECT_EQ(h.window->window(kSetupParameters), h.window->currentChild())
        << "the set-up window is the one made before";
}

}  // namespace
}  // namespace voran::testing
