// The board's answers byte by byte: handshake, read pairs, write triples,
// framing by position and recovery after a lost byte.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "SimBoard.h"

using voran::sim::SimBoard;
using voran::sim::SimCommand;

namespace {

// -1 in an answer list stands for "no answer".
std::vector<int> feed(SimBoard& board, const std::vector<int>& bytes, double start = 0,
                      double spacing = 0.001) {
    std::vector<int> answers;
    double t = start;
    for (int b : bytes) {
        const auto a = board.receive(static_cast<std::uint8_t>(b), t);
        answers.push_back(a ? *a : -1);
        t += spacing;
    }
    return answers;
}

TEST(BoardAnswers, EachByteOnTheWireGetsItsAnswer) {
    const struct {
        const char* name;
        std::vector<int> sent, answered;
    } rows[] = {
        {"read B8176 from idle", {0xFF, 0x01, 0x1F, 0xF0}, {0x55, 0x55, 0x1F, 0x2A}},
        {"second read, no handshake",
         {0xFF, 0x01, 0x1F, 0xF0, 0x1F, 0xF0},
         {0x55, 0x55, 0x1F, 0x2A, 0x1F, 0x2A}},
        {"low address byte 255 is an address", {0xFF, 0x01, 0x1F, 0xFF}, {0x55, 0x55, 0x1F, 0x77}},
        {"write W182 is echoed",
         {0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03},
         {0x55, 0x55, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}},
        {"idle ignores noise", {0x01, 0x1F, 0xFF}, {-1, -1, 0x55}},
        {"repeated attention", {0xFF, 0xFF, 0x01}, {0x55, 0x55, 0x55}},
        {"unknown command, board idle",
         {0xFF, 0x63, 0x55, 0xFF, 0x01},
         {0x55, 0x00, -1, 0x55, 0x55}},
        {"attention between pairs",
         {0xFF, 0x01, 0x00, 0xB6, 0xFF, 0x02, 0x00, 0xB6, 0x07},
         {0x55, 0x55, 0x00, 0x11, 0x55, 0x55, 0x00, 0xB6, 0x07}},
        {"attention between triples",
         {0xFF, 0x02, 0x00, 0xB6, 0x09, 0xFF, 0x01, 0x00, 0xB6},
         {0x55, 0x55, 0x00, 0xB6, 0x09, 0x55, 0x55, 0x00, 0x09}},
    };
    for (const auto& r : rows) {
        SimBoard board;
        board.memory()[8176] = 0x2A;
        board.memory()[0x1FFF] = 0x77;
        board.memory()[182] = 0x11;
        EXPECT_EQ(feed(board, r.sent), r.answered) << r.name;
    }
}

TEST(BoardWrites, A255InsideATripleIsAddressOrDataAndIsStored) {
    SimBoard board;
    feed(board, {0xFF, 0x02, 0x1F, 0xFF, 0xFF});
    EXPECT_EQ(board.memory()[0x1FFF], 0xFF);
    // Without times, or with a slow PC (0.3 s a byte), framing is by position.
    board.receive(0x00);
    board.receive(0xB6);
    EXPECT_EQ(board.receive(0xFF), std::optional<std::uint8_t>(0xFF));
    feed(board, {0x00, 0xB7, 0xFF}, 10.0, 0.3);
    EXPECT_EQ(board.peek("W182"), 0xFFFF);
    EXPECT_FALSE(board.idle());
}

// The PC stops in the middle of a frame only when a byte was lost; after its
// 1 s time-out it sends 0xFF, which must not be taken as address or data.
TEST(BoardFraming, AfterALostByteTheResynchronisingAttentionIsHeard) {
    const struct {
        const char* name;
        std::vector<int> before;  // sent at once, ending in the middle of a frame
    } rows[] = {{"write, low address lost", {0xFF, 0x02, 0x00}},
                {"write, data lost", {0xFF, 0x02, 0x00, 0xB6}},
                {"read, low address lost", {0xFF, 0x01, 0x00}},
                {"command code lost", {0xFF}}};
    for (const auto& r : rows) {
        SimBoard board;
        const auto memoryBefore = board.memory();
        feed(board, r.before, 0.0);
        EXPECT_EQ(feed(board, {0xFF, 0xFF, 0x01, 0x00, 0xB6}, 1.0),
                  (std::vector<int>{0x55, 0x55, 0x55, 0x00, 0}))
            << r.name;
        EXPECT_EQ(board.memory(), memoryBefore) << r.name;
    }
}

// A stand-in for the PLS: code 27 takes two argument bytes, each
// acknowledged, then the PC polls for ready; code 24 answers two bytes.
class TwoByteCommand : public SimCommand {
public:
    bool begin(std::uint8_t code) override {
        code_ = code;
        n_ = 0;
        return code == 27 || code == 24;
    }
    Answer receive(std::uint8_t byte) override {
        ++n_;
        if (code_ == 24)
            return {static_cast<std::uint8_t>(n_ == 1 ? 0x68 : 0x01),
                    n_ == 2 ? Next::Idle : Next::Continue};
        got.push_back(byte);
        return {0x55, n_ == 2 ? Next::ReadyPoll : Next::Continue};
    }
    int busyPolls() const override { return busy; }
    int busy = 0;
    std::vector<int> got;

private:
    std::uint8_t code_ = 0;
    int n_ = 0;
};

TEST(BoardCommands, AHookedCommandGetsItsBytesAndTheReadyPollFollows) {
    SimBoard board;
    TwoByteCommand pls;
    pls.busy = 1;
    board.setCommands(&pls);
    EXPECT_EQ(feed(board, {0xFF, 27, 0xF0, 0x00, 0x38, 0x55, 0x38, 0x55, 0x55}),
              (std::vector<int>{0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x00, 0x55}));
    EXPECT_EQ(pls.got, (std::vector<int>{0xF0, 0x00}));
    EXPECT_TRUE(board.idle());
    EXPECT_EQ(feed(board, {0xFF, 24, 0x55, 0x55}), (std::vector<int>{0x55, 0x55, 0x68, 0x01}));
    EXPECT_TRUE(board.idle());
    EXPECT_EQ(feed(board, {0xFF, 9}), (std::vector<int>{0x55, 0x00})) << "code it does not run";
}

}  // namespace
