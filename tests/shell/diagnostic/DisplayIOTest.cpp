// The I/O states window: what it reads, in which order, and how bits and
// values show.
#include <QGroupBox>

#include "DiagnosticFixture.h"
#include "widgets/Colours.h"
#include "shell/ui/frmDisplayIO.h"

namespace voran::testing {
namespace {

// Gives a test the reply path for values the board cannot hold (a flag
// reads 0 or 1 at the board).
class DisplayIOProbe : public frmDisplayIO {
public:
    using frmDisplayIO::frmDisplayIO;
    using frmDisplayIO::showReply;
};

using DisplayIO = DiagnosticWindow<DisplayIOProbe>;

const std::vector<std::string> kItems = {"F130", "F131", "W162", "W164", "B166",
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

TEST_F(DisplayIO, OnlinePassReadsTheFifteenItemsInOrder) {
    open(true);
    clearTrace();
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_EQ(addressesRead(), byteAddressesOf(kItems));
    EXPECT_EQ(writes(), 0);
}

TEST_F(DisplayIO, ControllerValuesShowAsTheBoardHoldsThem) {
    const std::pair<const char*, int> values[] = {{"W162", 3276}, {"W164", 2010}, {"B166", 204},
                                                  {"B167", 128},  {"W180", 359},  {"W182", 1200},
                                                  {"W184", 500},  {"W186", 360},  {"W188", 65535}};
    for (const auto& [a, v] : values) ASSERT_TRUE(board.preset(a, v));
    open(true);
    for (int i = 2; i < frmDisplayIO::kControllerValues; ++i) {
        EXPECT_EQ(window->lblk910State(i)->text(), QString::number(values[i - 2].second)) << i;
        EXPECT_EQ(window->lblk910State(i)->toolTip(), QString::fromLatin1(values[i - 2].first));
    }
}

TEST_F(DisplayIO, W100Reading0x8001ShowsStation1AndTheInfeedScrewOn) {
    board.preset("W100", 0x8001);
    board.preset("W110", 0x0004);
    board.preset("W120", 0xFFFF);
    open(true);
    for (int b = 0; b < frmDisplayIO::kSlotBits; ++b) {
        expectState(window->lblSlot00State(b), b == 0 || b == 15, "W100 bit " + std::to_string(b));
        expectState(window->lblSlot01State(b), b == 2, "W110 bit " + std::to_string(b));
        expectState(window->lblSlot02State(b), true, "W120 bit " + std::to_string(b));
    }
    EXPECT_EQ(window->lblSlot00(0)->text(), QStringLiteral("(B100.0)    0:"));
    EXPECT_EQ(window->lblSlot00(15)->text(), QStringLiteral("(B101.7)  17:"));
    EXPECT_EQ(frmDisplayIO::BitDescription(0, 0), QStringLiteral("Station #1 Can Transfer PE"));
    EXPECT_EQ(frmDisplayIO::BitDescription(0, 15), QStringLiteral("Infeed Screw PRX"));
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
        {0, 10, "Station #11 Can Transfer PE"}, {0, 12, "Transfer Jam Enable (from host PLC)"},
        {1, 3, "Station #4 Transfer Jam"},      {1, 13, "PLC Clock Timing (CH01)"},
        {2, 11, "Flanger Calefi Valve"},        {2, 15, "Infeed Jam Alarm"}};
    for (const auto& [slot, bit, text] : descriptions)
        EXPECT_EQ(frmDisplayIO::BitDescription(slot, bit), QString::fromLatin1(text));
}

TEST_F(DisplayIO, B170Reading3ShowsTheFirstTwoTimingChannelsOn) {
    board.preset("B170", 3);
    open(true);
    for (int c = 0; c < frmDisplayIO::kChannels; ++c) {
        expectState(window->lblTmgChannelState(c), c < 2, "CH" + std::to_string(c));
        EXPECT_EQ(window->lblTmgChannelState(c)->toolTip(), QStringLiteral("B170.%1").arg(c));
    }
    EXPECT_EQ(window->lblTmgChannel(0)->text(), QStringLiteral("CH00:"));
    EXPECT_EQ(window->lblTmgChannel(7)->text(), QStringLiteral("CH07:"));
}

TEST_F(DisplayIO, FlagIsOnOnlyForExactly1) {
    board.preset("F131", 1);
    open(true);
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

// A read that failed without a link fault leaves no old value on show: the
// item's labels read "---" until the next read succeeds.
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

}  // namespace
}  // namespace voran::testing
