// A board that falls silent, refuses commands or stays busy, and callers
// that arrive while the link is busy.
#include "LinkFixture.h"
#include "SimPls.h"
#include "timing/PlsFrames.h"

namespace voran::testing {
namespace {

TEST_F(LinkTest, SilentBoardGivesTheCableMessageAfterFiveSecondsThenEverythingFailsAtOnce) {
    goOnline();
    port.silent = true;
    const double t0 = clock.now();
    double shownAt = 0;
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(sendTimes(), (std::vector<double>{t0, t0 + 1.0, t0 + 3.0}));
    EXPECT_DOUBLE_EQ(shownAt, t0 + 5.0);
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    EXPECT_TRUE(link.CommError);

    // Cancelled: the board is back, but nothing goes out until reopened.
    port.silent = false;
    port.clearTrace();
    EXPECT_EQ(link.RSRead("B8176"), "0");
    link.RSWrite("W182", "5");
    EXPECT_EQ(once([](RSComm::Transaction& t) { return pls::readWord(t, 24); }), std::nullopt);
    link.CloseRSComm();
    EXPECT_TRUE(port.wire.empty());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(port.isOpen() || link.OnlineMode);
}

TEST_F(LinkTest, GoingOnlineGreetsTheBoardAndGoingOfflineSaysGoodbye) {
    link.OpenRSComm(port);
    link.RSRead("B8176");
    link.CloseRSComm();
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0x01, 0x1F, 0xF0, 0xFF}));
    EXPECT_FALSE(port.isOpen() || link.OnlineMode);
    EXPECT_EQ(link.currentMode(), CommandMode::None);

    // A silent board keeps the program offline until it answers.
    port.silent = true;
    link.OpenRSComm(port);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    port.silent = false;
    link.OpenRSComm(port);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, ATimerInsideTheCableMessageFindsTheLinkBusy) {
    goOnline();
    port.silent = true;
    std::vector<std::string> inner;
    boxes.whileOpen = [&] {
        const bool before = link.CommError;
        link.CommError = false;  // even a clear flag must not let it through
        const std::size_t sent = port.sent().size();
        inner = {link.RSRead("B8176"),
                 std::to_string(
                     once([](RSComm::Transaction& t) { return t.exchange(0xFF); }, RSComm::kFail)),
                 once([](RSComm::Transaction& t) { return pls::readWord(t, 24); }) ? "a word"
                                                                                   : "no word"};
        link.RSWrite("W182", "1");
        link.CloseRSComm();
        link.OpenRSComm(port);
        inner.push_back(std::to_string(port.sent().size() - sent) + " sent, busy " +
                        std::to_string(link.busy()) + ", error " + std::to_string(link.CommError));
        link.CommError = before;
    };
    link.RSRead("B8176");
    EXPECT_EQ(inner, (std::vector<std::string>{"0", std::to_string(RSComm::kFail), "no word",
                                               "0 sent, busy 1, error 0"}));
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(link.busy());
}

TEST_F(LinkTest, ARefusedCommandOrABusyPlsGivesItsMessageAtItsTime) {
    goOnline();
    port.replyDelay = 0.25;
    double shownAt = 0;
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    // The PLS stays busy: the ready poll gives up after 3 s.
    board.pls().setBusyPolls(1000);
    double t0 = clock.now();
    EXPECT_FALSE(
        once([](RSComm::Transaction& t) { return pls::channelFrame(t, 27, 1, 10, 20, 1); }));
    EXPECT_EQ(boxes.shown, Boxes{alarm("Cannot Determine PLS READY Mode Within Target Board.")});
    EXPECT_DOUBLE_EQ(shownAt - t0, 3.0 + 8 * 0.25);  // after the frame's eight bytes
    EXPECT_TRUE(link.CommError && link.OnlineMode);

    // A command code the board does not know: offline after 2 s.
    link.CommError = false;
    boxes.shown.clear();
    t0 = clock.now();
    EXPECT_FALSE(once(
        [](RSComm::Transaction& t) { return t.openCommand(static_cast<CommandMode>(9), 0x63); }));
    EXPECT_EQ(boxes.shown, Boxes{alarm("Cannot Set PLC Mode Within Target Board.")});
    EXPECT_DOUBLE_EQ(shownAt - t0, 2.0);
    EXPECT_TRUE(link.CommError);
    EXPECT_FALSE(link.OnlineMode || port.isOpen());
}

TEST_F(LinkTest, ValuesThatCannotTravelAreRefusedBeforeAnyByte) {
    goOnline();
    EXPECT_FALSE(once([](RSComm::Transaction& t) {
        return pls::writeWord(t, 42, -1) || pls::writeWord(t, 42, 65536) ||
               pls::channelFrame(t, 27, 256, 0, 0, 0) || pls::channelFrame(t, 27, 1, 0, 70000, 0) ||
               pls::blockWrite(t, 59, {1, 2, 3, 4, 5, 300}) || pls::recallRead(t, -1);
    }));
    EXPECT_TRUE(port.sent().empty());
    EXPECT_FALSE(link.CommError);
}

}  // namespace
}  // namespace voran::testing
