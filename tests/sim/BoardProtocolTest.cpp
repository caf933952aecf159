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

struct ExchangeCase {
    const char* name;
    std::vector<int> sent;
    std::vector<int> answered;
};

class BoardAnswers : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(BoardAnswers, WireExchangeMatches) {
    SimBoard board;
    board.memory()[8176] = 0x2A;
    board.memory()[0x1FFF] = 0x77;  // low address byte 255
    board.memory()[182] = 0x11;
    EXPECT_EQ(feed(board, GetParam().sent), GetParam().answered);
}

INSTANTIATE_TEST_SUITE_P(
    Protocol, BoardAnswers,
    ::testing::Values(
        ExchangeCase{"ReadB8176FromIdle", {0xFF, 0x01, 0x1F, 0xF0}, {0x55, 0x55, 0x1F, 0x2A}},
        ExchangeCase{"SecondReadNeedsNoHandshake",
                     {0xFF, 0x01, 0x1F, 0xF0, 0x1F, 0xF0},
                     {0x55, 0x55, 0x1F, 0x2A, 0x1F, 0x2A}},
        ExchangeCase{
            "LowAddressByte255IsAnAddress", {0xFF, 0x01, 0x1F, 0xFF}, {0x55, 0x55, 0x1F, 0x77}},
        ExchangeCase{"WriteW182Echoes",
                     {0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03},
                     {0x55, 0x55, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}},
        ExchangeCase{"WriteOf255AsAddressAndDataIsEchoed",
                     {0xFF, 0x02, 0x1F, 0xFF, 0xFF},
                     {0x55, 0x55, 0x1F, 0xFF, 0xFF}},
        ExchangeCase{"IdleIgnoresNoise", {0x01, 0x1F, 0xFF}, {-1, -1, 0x55}},
        ExchangeCase{"RepeatedAttentionIsAnsweredAgain", {0xFF, 0xFF, 0x01}, {0x55, 0x55, 0x55}},
        ExchangeCase{"UnknownCommandIsRefusedAndBoardGoesIdle",
                     {0xFF, 0x63, 0x55, 0xFF, 0x01},
                     {0x55, 0x00, -1, 0x55, 0x55}},
        ExchangeCase{"AttentionBetweenPairsSwitchesToWriting",
                     {0xFF, 0x01, 0x00, 0xB6, 0xFF, 0x02, 0x00, 0xB6, 0x07},
                     {0x55, 0x55, 0x00, 0x11, 0x55, 0x55, 0x00, 0xB6, 0x07}},
        ExchangeCase{"AttentionBetweenTriplesReturnsToReading",
                     {0xFF, 0x02, 0x00, 0xB6, 0x09, 0xFF, 0x01, 0x00, 0xB6},
                     {0x55, 0x55, 0x00, 0xB6, 0x09, 0x55, 0x55, 0x00, 0x09}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BoardWrites, StoresTheDataByteOfEachTriple) {
    SimBoard board;
    feed(board, {0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03});
    EXPECT_EQ(board.peek("W182"), 1000);
    feed(board, {0x1F, 0xFF, 0xFF});  // 0xFF as low address byte and as data
    EXPECT_EQ(board.memory()[0x1FFF], 0xFF);
    EXPECT_FALSE(board.idle());
}

// The PC stops in the middle of a frame only when a byte was lost; after its
// 1 s time-out it sends 0xFF, which must not be taken as address or data.
struct LostByteCase {
    const char* name;
    std::vector<int> before;  // sent at once, ending in the middle of a frame
    std::vector<int> answers;
};

class LostByteRecovery : public ::testing::TestWithParam<LostByteCase> {};

TEST_P(LostByteRecovery, ResynchronisingAttentionIsHeardAfterThePause) {
    SimBoard board;
    const auto memoryBefore = board.memory();
    EXPECT_EQ(feed(board, GetParam().before, 0.0), GetParam().answers);
    // PC time-out: 1 s later comes 0xFF, then a fresh handshake.
    EXPECT_EQ(feed(board, {0xFF, 0xFF, 0x01, 0x00, 0xB6}, 1.0),
              (std::vector<int>{0x55, 0x55, 0x55, 0x00, 0}));
    EXPECT_EQ(board.memory(), memoryBefore) << "a lost byte must never store data";
}

INSTANTIATE_TEST_SUITE_P(
    Framing, LostByteRecovery,
    ::testing::Values(LostByteCase{"WriteLostLowAddress", {0xFF, 0x02, 0x00}, {0x55, 0x55, 0x00}},
                      LostByteCase{
                          "WriteLostData", {0xFF, 0x02, 0x00, 0xB6}, {0x55, 0x55, 0, 0xB6}},
                      LostByteCase{"ReadLostLowAddress", {0xFF, 0x01, 0x00}, {0x55, 0x55, 0x00}},
                      LostByteCase{"LostCommandCode", {0xFF}, {0x55}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BoardFraming, ShortPausesInsideAFrameKeepTheFrame) {
    SimBoard board;
    // 0.3 s between bytes (a slow PC) is no lost byte: 0xFF stays data.
    feed(board, {0xFF, 0x02, 0x00, 0xB6, 0xFF}, 0.0, 0.3);
    EXPECT_EQ(board.memory()[182], 0xFF);
}

TEST(BoardFraming, WithoutTimesFramingIsByPositionOnly) {
    SimBoard board;
    for (int b : {0xFF, 0x02, 0x00, 0xB6}) board.receive(static_cast<std::uint8_t>(b));
    EXPECT_EQ(board.receive(0xFF), std::optional<std::uint8_t>(0xFF));
    EXPECT_EQ(board.memory()[182], 0xFF);
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
