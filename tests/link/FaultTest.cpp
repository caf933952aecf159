// A board that falls silent, refuses commands or stays busy, and callers
// that arrive while the link is busy.
#include "LinkFixture.h"

namespace voran::testing {
namespace {

const FakeMessageBox::Shown kCableBox{
    "Cannot Communicate with Target Board.\rVerify RS-232 Cable is Connected Between\r"
    "COMM Port and PROG Port.",
    "WARNING - Communication Error!", MsgButtons::RetryCancel, MsgIcon::Critical};

FakeMessageBox::Shown alarm(const char* text) {
    return {text, "WARNING - Communication Error!", MsgButtons::RetryCancel, MsgIcon::Critical};
}

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
    EXPECT_EQ(link.currentMode(), 0);

    // Cancelled: the board is back, but nothing goes out until reopened.
    port.silent = false;
    port.clearTrace();
    EXPECT_EQ(link.RSRead("B8176"), "0");
    link.RSWrite("W182", "5");
    EXPECT_EQ(link.ExchangeByte(0xFF), RSComm::kFail);
    EXPECT_EQ(link.ReadWord(24), -9999);
    link.CloseRSComm();
    EXPECT_TRUE(port.wire.empty());
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 5.0);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(link.OnlineMode);
}

TEST_F(LinkTest, RetryWaitsAnotherFiveSecondsAndFinishesOnceTheCableIsBack) {
    board.preset("B8176", 77);
    goOnline();
    port.silent = true;
    boxes.answers = {MsgResult::Retry, MsgResult::Retry};
    std::vector<double> shownAt;
    boxes.whileOpen = [&] {
        shownAt.push_back(clock.now());
        port.silent = shownAt.size() < 2;
    };
    const double t0 = clock.now();
    EXPECT_EQ(link.RSRead("B8176"), "77");
    EXPECT_EQ(shownAt, (std::vector<double>{t0 + 5.0, t0 + 11.0}));
    // Each retry begins 2 s after the box.
    EXPECT_EQ(sendTimes(), (std::vector<double>{t0, t0 + 1, t0 + 3, t0 + 7, t0 + 9, t0 + 13,
                                                t0 + 13, t0 + 13, t0 + 13}));
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, GoingOnlineGreetsTheBoardAndGoingOfflineSaysGoodbye) {
    EXPECT_EQ(link.RSRead("B8176"), "0") << "not online yet";
    EXPECT_TRUE(link.CommError);
    link.OpenRSComm(port);
    EXPECT_EQ(port.sent(), (Bytes{0xFF}));
    EXPECT_TRUE(link.OnlineMode);
    link.RSRead("B8176");
    port.clearTrace();
    link.CloseRSComm();
    EXPECT_EQ(port.sent(), (Bytes{0xFF}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(link.currentMode(), 0);
    EXPECT_TRUE(boxes.shown.empty());

    // A silent board keeps the program offline until it answers.
    port.silent = true;
    link.OpenRSComm(port);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    port.silent = false;
    link.OpenRSComm(port);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, ATimerInsideTheCableMessageFindsTheLinkBusy) {
    goOnline();
    port.silent = true;
    std::string inner = "unset";
    std::size_t sentBefore = 0, sentAfter = 0;
    bool busy = false, errorBefore = false, errorAfter = false;
    int exchange = 0, word = 0;
    boxes.whileOpen = [&] {
        busy = link.busy();
        sentBefore = port.sent().size();
        errorBefore = link.CommError;
        link.CommError = false;  // even a clear flag must not let it through
        inner = link.RSRead("B8176");
        link.RSWrite("W182", "1");
        exchange = link.ExchangeByte(0xFF);
        word = link.ReadWord(24);
        link.CloseRSComm();
        link.OpenRSComm(port);
        errorAfter = link.CommError;
        link.CommError = errorBefore;
        sentAfter = port.sent().size();
    };
    link.RSRead("B8176");
    EXPECT_TRUE(busy);
    EXPECT_EQ(inner, "0");
    EXPECT_EQ(exchange, RSComm::kFail);
    EXPECT_EQ(word, -9999);
    EXPECT_EQ(sentAfter, sentBefore);
    EXPECT_FALSE(errorAfter);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(link.busy());
}

// A board answering by script: refused commands and a PLS that stays busy.
class ScriptedLinkTest : public ::testing::Test {
protected:
    TempFolder folder;
    ManualClock clock;
    ScriptedPort port{clock};
    FakeMessageBox boxes;
    RSComm link{clock, boxes, folder.path()};
    double shownAt = 0;

    void SetUp() override {
        port.answer = [](std::uint8_t) { return std::uint8_t{0x55}; };
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.sent.clear();
        boxes.whileOpen = [&] { shownAt = clock.now(); };
    }
};

TEST_F(ScriptedLinkTest, ABoardThatRefusesTheCommandTakesTheProgramOffline) {
    port.answer = [](std::uint8_t b) { return std::uint8_t(b == 0xFF ? 0x55 : 0x00); };
    const double t0 = clock.now();
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(boxes.shown, Boxes{alarm("Cannot Set PLC Mode Within Target Board.")});
    EXPECT_DOUBLE_EQ(shownAt, t0 + 2.0);
    EXPECT_TRUE(link.CommError);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(ScriptedLinkTest, RetryInTheCommandMessageTriesTwoSecondsMore) {
    int refusals = 0;
    port.answer = [&](std::uint8_t b) {
        return std::uint8_t(b == 0xFF || ++refusals > 6 ? 0x55 : 0x00);
    };
    boxes.answers = {MsgResult::Retry};
    link.RSRead("B8176");
    EXPECT_EQ(boxes.shown.size(), 1u);
    // The handshake went through and the address followed.
    ASSERT_GE(port.sent.size(), 2u);
    EXPECT_EQ(Bytes(port.sent.end() - 2, port.sent.end()), (Bytes{0x01, 0x1F}));
    EXPECT_FALSE(link.CommError);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(ScriptedLinkTest, APlsThatStaysBusyGivesTheReadyMessageAfterThreeSeconds) {
    const double t0 = clock.now();
    EXPECT_FALSE(link.WaitPLSReady());
    EXPECT_EQ(boxes.shown, Boxes{alarm("Cannot Determine PLS READY Mode Within Target Board.")});
    EXPECT_DOUBLE_EQ(shownAt, t0 + 3.0);
    EXPECT_TRUE(link.CommError);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(ScriptedLinkTest, ValuesThatCannotTravelAreRefusedBeforeAnyByte) {
    EXPECT_FALSE(link.WriteWord(42, -1));
    EXPECT_FALSE(link.WriteWord(42, 65536));
    EXPECT_FALSE(link.ChannelFrame(27, 256, 0, 0, 0));
    EXPECT_FALSE(link.ChannelFrame(27, 1, 0, 70000, 0));
    EXPECT_FALSE(link.BlockWrite(59, {1, 2, 3, 4, 5, 300}));
    EXPECT_FALSE(link.RecallRead(-1));
    EXPECT_TRUE(port.sent.empty());
    EXPECT_FALSE(link.CommError);
}

}  // namespace
}  // namespace voran::testing
