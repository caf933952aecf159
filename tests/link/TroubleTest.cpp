// The link on a line in trouble: a lost byte, a late answer, a vanished
// adapter and an address the board cannot take. A failure is never passed
// off as a value, and a write never lands at a wrong address.
#include "LinkFixture.h"
#include "SimPls.h"
#include "link/LinkFraming.h"
#include "timing/PlsCommands.h"
#include "timing/PlsFrames.h"

namespace voran::testing {
namespace {

TEST_F(LinkTest, AReadCutByALostByteIsTriedOnceMoreFromAQuietHandshake) {
    board.preset("W182", 1000);
    goOnline();
    // FF 01 [00 lost]: a second later the resynchronising FF.
    port.dropAt = {port.bytesWritten() + 3};
    const double t0 = clock.now();
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "1000");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x00, 0xFF,  // cut, resynchronised
                                  0xFF, 0x01, 0x00, 0xB6, 0x00, 0xB7}));
    const std::vector<double> times = sendTimes();
    EXPECT_DOUBLE_EQ(times[3], t0 + framing::kFirstReply);
    EXPECT_GE(times[4] - times[3], framing::kResyncQuiet) << "quiet before the new handshake";
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, ALateAnswerIsNeverTakenAsData) {
    board.preset("W182", 1000);
    board.preset("W1000", 7);
    // One answer late by `late` s: the read repeats when the board may have
    // dropped its frame meanwhile, and gives the value either way.
    for (const double late : {0.3, 0.45, 0.6, 0.95, 0.99}) {
        SCOPED_TRACE(late);
        goOnline();
        link.CloseRSComm();
        link.OpenRSComm(port);
        for (long long at = 3; at <= 6; ++at) {
            port.lateAt = port.bytesWritten() + at;
            port.lateBy = late;
            EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "1000")
                << "late answer to byte " << at;
            clock.advance(2.0);  // let the late answers arrive and go
        }
        link.CloseRSComm();
    }
    // Every answer late: nothing is read and nothing is written.
    link.OpenRSComm(port);
    port.replyDelay = 0.7;
    const auto memory = board.memory();
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "");
    link.CommError = false;
    EXPECT_FALSE(link.RSWrite("W1000", "4321"));
    EXPECT_EQ(board.memory(), memory);
}

TEST_F(LinkTest, AVanishedAdapterEndsTheWaitAtOnceAndRetryOpensItAgain) {
    board.preset("W182", 1000);
    goOnline();
    port.gone = true;
    const double t0 = clock.now();
    double shownAt = -1;
    boxes.whileOpen = [&] {
        shownAt = clock.now();
        port.gone = false;  // plugged back in while the box is up
    };
    boxes.answers = {MsgResult::Retry};
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "1000");
    EXPECT_DOUBLE_EQ(shownAt, t0) << "no waiting on a port that is gone";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::RetryCancel);
    EXPECT_NE(boxes.shown[0].text.find("is gone"), std::string::npos) << boxes.shown[0].text;
    EXPECT_FALSE(link.CommError);

    // Cancel: the fault stands and the read gives nothing, again at once.
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    port.gone = true;
    const double t1 = clock.now();
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "");
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_DOUBLE_EQ(shownAt, t1);
    EXPECT_DOUBLE_EQ(clock.now(), t1);
}

TEST_F(LinkTest, TheFF00PageIsRefusedBeforeAnythingIsSent) {
    goOnline();
    const auto memory = board.memory();
    for (const char* add : {"B65282", "W65280", "D65300", "FF00H", "B65535.1"}) {
        SCOPED_TRACE(add);
        boxes.shown.clear();
        EXPECT_FALSE(link.RSWrite(add, "1"));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "ENTRY ALERT");
        EXPECT_NE(boxes.shown[0].text.find("FF00H-FFFFH"), std::string::npos);
        EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read(add); }), "");
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(board.memory(), memory);
    // The page below still travels.
    EXPECT_TRUE(link.RSWrite("B65279", "200"));
    EXPECT_EQ(board.memory()[65279], 200);
}

TEST_F(LinkTest, ALostByteInsideAPlsFrameNeverProgramsAValueFromABrokenFrame) {
    goOnline();
    board.pls().setBusyPolls(0);
    // FF 1A F4 [01 lost]: the board drops the half frame after the pause.
    for (long long at = 3; at <= 4; ++at) {
        SCOPED_TRACE(at);
        port.dropAt = {port.bytesWritten() + at};
        const bool ok = once([](RSComm::Transaction& t) { return pls::writeWord(t, 26, 500); });
        EXPECT_FALSE(ok) << "a broken frame is reported";
        EXPECT_EQ(board.pls().scaleFactor, 360);
        EXPECT_TRUE(boxes.shown.empty());
    }
    EXPECT_TRUE(once([](RSComm::Transaction& t) { return pls::writeWord(t, 26, 500); }));
    EXPECT_EQ(board.pls().scaleFactor, 500);
}

TEST_F(LinkTest, AReadFailureIsNeverAWordValue) {
    goOnline();
    port.silent = true;
    EXPECT_EQ(once([](RSComm::Transaction& t) { return pls::readWord(t, 24); }), std::nullopt);
    EXPECT_EQ(once(&pls::PLSScaleFactor), std::nullopt);
}

}  // namespace
}  // namespace voran::testing
