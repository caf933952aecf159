// The N-90 serial communications window: what it reads, in which order, what
// it shows, and the one command it has.
#include <QGroupBox>

#include "DiagnosticFixture.h"
#include "shell/ui/frmSerialComm.h"

namespace voran::testing {
namespace {

using SerialComm = DiagnosticWindow<frmSerialComm>;

const std::vector<std::string> kItems = {"B798",  "W8156", "W8154", "B780", "B3002",
                                         "B3003", "W3004", "W3042", "B782", "B783"};

QStringList displays(const frmSerialComm& w) {
    QStringList out;
    for (int i = 0; i < frmSerialComm::kItems; ++i) out << w.lblDisplay(i)->text();
    return out;
}

TEST_F(SerialComm, OnlinePassReadsTheTenItemsInOrderAndShowsTheirValues) {
    const std::vector<int> values = {1, 2, 515, 4, 17, 3, 40001, 1100, 9, 12};
    for (std::size_t i = 0; i < kItems.size(); ++i) ASSERT_TRUE(board.preset(kItems[i], values[i]));
    open(true);
    EXPECT_EQ(displays(*window),
              QStringList({"1", "2", "515", "4", "17", "Read", "40001", "1100", "9", "12"}));
    clearTrace();
    ASSERT_TRUE(window->monitor().runPass());
    EXPECT_EQ(addressesRead(), byteAddressesOf(kItems));
    EXPECT_EQ(writes(), 0);
    EXPECT_TRUE(messages.shown.empty());
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

TEST_F(SerialComm, FunctionShowsReadWriteOrTheCode) {
    const std::pair<int, const char*> cases[] = {
        {3, "Read"}, {16, "Write"}, {6, "??6"}, {0, "??0"}, {255, "??255"}};
    open(true);
    for (const auto& [code, shown] : cases) {
        board.preset("B3003", code);
        window->monitor().runPass();
        EXPECT_EQ(window->lblDisplay(5)->text(), QString::fromLatin1(shown)) << code;
    }
}

TEST_F(SerialComm, ResetCommErrorWritesZeroToB783) {
    board.preset("B783", 7);
    open(true);
    EXPECT_EQ(window->lblDisplay(9)->text(), QStringLiteral("7"));
    clearTrace();
    QTest::mouseClick(window->cmdResetErr(), Qt::LeftButton);
    EXPECT_EQ(traffic(), (std::vector<WireAccess>{{true, 783, 0}})) << "one write: B783 = 0";
    EXPECT_EQ(board.peek("B783"), 0);
    EXPECT_TRUE(messages.shown.empty()) << "no confirmation, no message";
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

}  // namespace
}  // namespace voran::testing
