// The board's answers byte by byte where the link's own traffic never goes:
// a 255 that is address or data, noise, unknown commands, and a new command
// in the middle of a session. A late answer still arrives after a flush.
#include <gtest/gtest.h>

#include "SimPls.h"
#include "SimProgram.h"
#include "SimPort.h"

using voran::sim::SimBoard;

namespace {

TEST(BoardAnswers, EachByteOnTheWireGetsItsAnswer) {
    const struct {
        const char* name;
        std::vector<int> sent, answered;  // -1: no answer
    } rows[] = {
        {"low address byte 255 is an address", {0xFF, 0x01, 0x1F, 0xFF}, {0x55, 0x55, 0x1F, 0x77}},
        {"255 in a triple is data", {0xFF, 0x02, 0x1F, 0xFF, 0xFF}, {0x55, 0x55, 0x1F, 0xFF, 0xFF}},
        {"idle ignores noise", {0x01, 0x1F, 0xFF}, {-1, -1, 0x55}},
        {"unknown command", {0xFF, 0x63, 0x55, 0xFF, 0x01}, {0x55, 0x00, -1, 0x55, 0x55}},
        {"attention between pairs",
         {0xFF, 0x01, 0x00, 0xB6, 0xFF, 0x02, 0x00, 0xB6, 0x07},
         {0x55, 0x55, 0x00, 0x11, 0x55, 0x55, 0x00, 0xB6, 0x07}}};
    for (const auto& r : rows) {
        SimBoard board;
        board.memory()[0x1FFF] = 0x77;
        board.memory()[182] = 0x11;
        std::vector<int> answers;
        double t = 0;
        for (int b : r.sent) {
            const auto a = board.receive(static_cast<std::uint8_t>(b), t += 0.001);
            answers.push_back(a ? *a : -1);
        }
        EXPECT_EQ(answers, r.answered) << r.name;
    }
}

TEST(BoardAnswers, ALateReplyArrivesAtItsTimeEvenAfterTheDeadlineAndAFlush) {
    SimBoard board;
    voran::ManualClock clock;
    voran::sim::SimPort port(board, clock);
    ASSERT_TRUE(port.open(nullptr));
    port.replyDelay = 1.5;
    const double t0 = clock.now();
    port.writeByte(0xFF);
    EXPECT_FALSE(port.waitForByte(clock.now() + 1.0));
    port.discardInput();  // the link flushes before resending: the byte is still on its way
    EXPECT_TRUE(port.waitForByte(clock.now() + 2.0));
    EXPECT_DOUBLE_EQ(clock.now(), t0 + 1.5);
    EXPECT_EQ(port.readByte(), 0x55);
}

TEST(BoardAnswers, EveryFrameCutByAPauseIsDroppedSoTheNextFFIsAttention) {
    // Each frame stops after its first byte; after more than the frame gap
    // the PC's 0xFF must be heard as attention (0x55), and nothing of the
    // half frame may take effect.
    const struct {
        const char* name;
        std::vector<int> start;
    } rows[] = {
        {"read pair", {0xFF, 0x01, 0x1F}},
        {"write triple", {0xFF, 0x02, 0x1F, 0xF0}},
        {"PLS word write", {0xFF, 26, 0xF4}},
        {"PLS channel frame", {0xFF, 27, 1, 10, 0}},
        {"ready poll", {0xFF, 26, 0xF4, 0x01, 0x38}},
    };
    for (const auto& r : rows) {
        SimBoard board;
        double t = 0;
        for (int b : r.start) board.receive(static_cast<std::uint8_t>(b), t += 0.001);
        const auto answer = board.receive(0xFF, t + voran::framing::kFrameGap + 0.01);
        EXPECT_EQ(answer, std::optional<std::uint8_t>(0x55)) << r.name;
        EXPECT_EQ(board.memory()[0x1FF0], 0) << r.name;
        EXPECT_EQ(board.pls().scaleFactor, r.start[1] == 26 && r.start.size() > 4 ? 500 : 360)
            << r.name;
        EXPECT_FALSE(board.pls().channels[1].programmed) << r.name;
    }
}

TEST(BoardAnswers, TheLoaderStoresRecordBytesOnlyInProgramMemory) {
    // A record that runs past the end of program memory (as one shifted by a
    // lost address byte would): the bytes beyond it are summed but not
    // stored, so the data memory behind it survives.
    SimBoard board;
    ASSERT_EQ(voran::sim::SimProgram::parseProgramMemory("2000-3fff"), (std::pair{0x2000, 0x3FFF}));
    for (const char* bad : {"", "2000", "4000-3FFF", "2000-10000", "G000-3FFF", "-3FFF"})
        EXPECT_FALSE(voran::sim::SimProgram::parseProgramMemory(bad)) << bad;
    board.program().programTo = 0x3FFF;
    board.memory()[0x4000] = 0xAA;
    board.memory()[voran::sim::SimProgram::kRequestAddress] = voran::sim::SimProgram::kRequest;
    double t = 0;
    std::optional<std::uint8_t> answer;
    for (int b : {0xFF, 0x03, 4, 0x3F, 0xFE, 1, 2, 3, 4})
        answer = board.receive(static_cast<std::uint8_t>(b), t += 0.001);
    EXPECT_EQ(answer, std::optional<std::uint8_t>((4 + 0x3F + 0xFE + 1 + 2 + 3 + 4) & 0xFF));
    EXPECT_EQ(board.memory()[0x3FFE], 1);
    EXPECT_EQ(board.memory()[0x3FFF], 2);
    EXPECT_EQ(board.memory()[0x4000], 0xAA);
    EXPECT_EQ(board.memory()[0x4001], 0);
}

}  // namespace
