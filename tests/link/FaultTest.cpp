// A board that falls silent, refuses commands or stays busy, and callers
// that arrive while the link is busy.
#include "LinkFixture.h"

namespace voran::testing {
namespace {

const char* const kCableText =
    "Cannot Communicate with Target Board.\rVerify RS-232 Cable is Connected Between\r"
    "COMM Port and PROG Port.";
const char* const kAlarmTitle = "WARNING - Communication Error!";

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
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kCableText);
    EXPECT_EQ(boxes.shown[0].title, kAlarmTitle);
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::RetryCancel);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Critical);
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

TEST_F(LinkTest, RetryWaitsAnotherFiveSecondsBeforeAskingAgain) {
    goOnline();
    port.silent = true;
    boxes.answers = {MsgResult::Retry, MsgResult::Cancel};
    std::vector<double> shownAt;
    boxes.whileOpen = [&] { shownAt.push_back(clock.now()); };
    const double t0 = clock.now();
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(shownAt, (std::vector<double>{t0 + 5.0, t0 + 11.0}));
    EXPECT_EQ(sendTimes(), (std::vector<double>{t0, t0 + 1, t0 + 3, t0 + 7, t0 + 9}));
    EXPECT_TRUE(link.CommError);
}

TEST_F(LinkTest, RetryAfterTheCableIsBackFinishesTheRead) {
    board.preset("B8176", 77);
    goOnline();
    port.silent = true;
    boxes.answers = {MsgResult::Retry};
    boxes.whileOpen = [&] { port.silent = false; };
    EXPECT_EQ(link.RSRead("B8176"), "77");
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(LinkTest, GoingOnlineGreetsTheBoardAndGoingOfflineSaysGoodbye) {
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
}

TEST_F(LinkTest, GoingOnlineToASilentBoardStaysOfflineUntilItAnswers) {
    port.silent = true;
    link.OpenRSComm(port);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(boxes.shown.size(), 1u);
    port.silent = false;
    link.OpenRSComm(port);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, ReadingBeforeGoingOnlineFailsWithoutAWait) {
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_TRUE(link.CommError);
    EXPECT_TRUE(boxes.shown.empty());
}

// --- Callers arriving while the link is busy -----------------------------------

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

// --- Handshake refused ----------------------------------------------------------

class ScriptedLinkTest : public ::testing::Test {
protected:
    TempFolder folder;
    ManualClock clock;
    ScriptedPort port{clock};
    FakeMessageBox boxes;
    RSComm link{clock, boxes, folder.path()};

    void goOnline() {
        port.answer = [](std::uint8_t) { return std::uint8_t{0x55}; };
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.sent.clear();
    }
    // The board gives these answers in turn, whatever it is sent.
    void answerInTurn(std::vector<std::uint8_t> replies) {
        port.answer = [replies, n = std::size_t{0}](std::uint8_t) mutable {
            return replies.at(n++);
        };
    }
    // Acknowledges everything; the PLS reports busy `busy` times, then ready.
    void plsReadyAfter(int busy) {
        port.answer = [busy,
                       polled = false](std::uint8_t b) mutable -> std::optional<std::uint8_t> {
            if (b == 0x38 || !polled) {
                polled = b == 0x38;
                return 0x55;
            }
            polled = false;
            return busy-- > 0 ? 0x55 : 0x00;
        };
    }
};

TEST_F(ScriptedLinkTest, ABoardThatRefusesTheCommandTakesTheProgramOffline) {
    goOnline();
    port.answer = [](std::uint8_t b) { return std::uint8_t(b == 0xFF ? 0x55 : 0x00); };
    double shownAt = 0;
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    const double t0 = clock.now();
    EXPECT_EQ(link.RSRead("B8176"), "0");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot Set PLC Mode Within Target Board.");
    EXPECT_EQ(boxes.shown[0].title, kAlarmTitle);
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::RetryCancel);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Critical);
    EXPECT_DOUBLE_EQ(shownAt, t0 + 2.0);
    EXPECT_TRUE(link.CommError);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(ScriptedLinkTest, RetryInTheCommandMessageTriesTwoSecondsMore) {
    goOnline();
    int refusals = 0;
    port.answer = [&](std::uint8_t b) {
        if (b == 0xFF) return std::uint8_t{0x55};
        return std::uint8_t(++refusals > 6 ? 0x55 : 0x00);
    };
    boxes.answers = {MsgResult::Retry};
    link.RSRead("B8176");
    EXPECT_EQ(boxes.shown.size(), 1u);
    // The handshake went through and the address followed.
    ASSERT_GE(port.sent.size(), 2u);
    EXPECT_EQ(port.sent[port.sent.size() - 2], 0x01);
    EXPECT_EQ(port.sent.back(), 0x1F);
    EXPECT_FALSE(link.CommError);
    EXPECT_TRUE(port.isOpen());
}

// --- Ready poll and command transactions -------------------------------------

TEST_F(ScriptedLinkTest, ThePlsIsPolledUntilItReportsReady) {
    goOnline();
    plsReadyAfter(2);
    EXPECT_TRUE(link.WaitPLSReady());
    EXPECT_EQ(port.sent, (Bytes{0x38, 0x55, 0x38, 0x55, 0x38, 0x55, 0x55}));
}

TEST_F(ScriptedLinkTest, APlsThatStaysBusyGivesTheReadyMessageAfterThreeSeconds) {
    goOnline();
    port.answer = [](std::uint8_t) { return std::uint8_t{0x55}; };
    double shownAt = 0;
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    const double t0 = clock.now();
    EXPECT_FALSE(link.WaitPLSReady());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot Determine PLS READY Mode Within Target Board.");
    EXPECT_EQ(boxes.shown[0].title, kAlarmTitle);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Critical);
    EXPECT_DOUBLE_EQ(shownAt, t0 + 3.0);
    EXPECT_TRUE(link.CommError);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(ScriptedLinkTest, AWordIsReadLowByteFirst) {
    goOnline();
    answerInTurn({0x55, 0x55, 0x68, 0x01});
    EXPECT_EQ(link.ReadWord(24), 360);
    EXPECT_EQ(port.sent, (Bytes{0xFF, 24, 0x55, 0x55}));
    EXPECT_EQ(link.currentMode(), 0);
}

TEST_F(ScriptedLinkTest, FramesAreSentLowByteFirstAndEachAcknowledged) {
    goOnline();
    plsReadyAfter(0);
    EXPECT_TRUE(link.ChannelFrame(27, 3, 300, 513, 1));
    EXPECT_EQ(port.sent, (Bytes{0xFF, 27, 3, 0x2C, 0x01, 0x01, 0x02, 1, 0x38, 0x55, 0x55}));
    port.sent.clear();
    EXPECT_TRUE(link.WriteWord(42, 5130));
    EXPECT_EQ(port.sent, (Bytes{0xFF, 42, 10, 20, 0x38, 0x55, 0x55}));
    port.sent.clear();
    EXPECT_TRUE(link.BlockWrite(59, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(port.sent, (Bytes{0xFF, 59, 1, 2, 3, 4, 5, 6, 0x38, 0x55, 0x55}));
    EXPECT_EQ(link.currentMode(), 0);
}

TEST_F(ScriptedLinkTest, ValuesThatCannotTravelAreRefusedBeforeAnyByte) {
    goOnline();
    EXPECT_FALSE(link.WriteWord(42, -1));
    EXPECT_FALSE(link.WriteWord(42, 65536));
    EXPECT_FALSE(link.ChannelFrame(27, 256, 0, 0, 0));
    EXPECT_FALSE(link.ChannelFrame(27, 1, 0, 70000, 0));
    EXPECT_FALSE(link.BlockWrite(59, {1, 2, 3, 4, 5, 300}));
    EXPECT_FALSE(link.RecallRead(-1));
    EXPECT_TRUE(port.sent.empty());
    EXPECT_FALSE(link.CommError);
}

TEST_F(ScriptedLinkTest, AFrameNotAcknowledgedFails) {
    goOnline();
    int n = 0;
    port.answer = [&](std::uint8_t) { return std::uint8_t(++n == 4 ? 0x00 : 0x55); };
    EXPECT_FALSE(link.ChannelFrame(27, 3, 300, 20, 1));
    EXPECT_EQ(port.sent, (Bytes{0xFF, 27, 3, 0x2C}));
    EXPECT_EQ(link.currentMode(), 0);
}

TEST_F(ScriptedLinkTest, TheConfigurationIsReadIntoTheBuffer) {
    goOnline();
    int n = 0;
    port.answer = [&](std::uint8_t) { return std::uint8_t(++n <= 2 ? 0x55 : n); };
    EXPECT_TRUE(link.ConfigRead(12));
    EXPECT_EQ(port.sent.size(), 2u + 19u);
    EXPECT_EQ(link.configBuffer()[0], 3);
    EXPECT_EQ(link.configBuffer()[18], 21);
}

TEST_F(ScriptedLinkTest, ARecallGivesStateAndPosition) {
    goOnline();
    answerInTurn({0x55, 0x55, 0x55, 1, 104, 1});
    EXPECT_TRUE(link.RecallRead(2));
    EXPECT_EQ(port.sent, (Bytes{0xFF, 9, 2, 0x55, 0x55, 0x55}));
    EXPECT_EQ(link.ChannelRecallState(), 1);
    EXPECT_EQ(link.ChannelRecallPos(), 360);

    answerInTurn({0x55, 0x55, 0x55, 1, 104, 17});
    EXPECT_FALSE(link.RecallRead(2));
    EXPECT_EQ(link.ChannelRecallState(), 2);
    EXPECT_EQ(link.ChannelRecallPos(), 0);
}

}  // namespace
}  // namespace voran::testing
