// The adapter unplugged in the middle of a frame. The board does not notice
// the PC's port go and come back: it still holds the half frame, and an
// attention byte that reached it at once would be taken as an address or
// data byte of it. The link keeps quiet first, whether the operator answers
// the box of the lost port with Retry at once or cancels and goes online
// again at once.
#include <set>

#include "LinkFixture.h"
#include "SimPls.h"
#include "link/LinkFraming.h"
#include "platform/ForwardingPort.h"
#include "timing/PlsFrames.h"

namespace voran::testing {
namespace {

// Notes the value of one word item and of one other byte of the board after
// every byte the PC sends, so that a value held only for a moment shows.
class WatchedPort : public ForwardingPort {
public:
    WatchedPort(sim::SimPort& port, std::string item, int other)
        : ForwardingPort(port), board_(port.board()), item_(std::move(item)), other_(other) {}
    bool writeByte(std::uint8_t b) override {
        const bool ok = inner_.writeByte(b);
        itemValues.insert(board_.peek(item_));
        otherValues.insert(board_.memory()[static_cast<std::size_t>(other_)]);
        return ok;
    }
    std::set<std::int64_t> itemValues;
    std::set<int> otherValues;

private:
    sim::SimBoard& board_;
    std::string item_;
    int other_;
};

enum class Back { RetryAtOnce, CancelAndGoOnlineAtOnce };

TEST_F(LinkTest, AnAdapterLostInsideAWriteTripleNeverStoresTheNextAttentionByte) {
    // W1122 lies at 0462H: a 0xFF taken as its low address byte would go
    // to 04FFH (1279), one taken as data would land in the item.
    constexpr std::int64_t kOld = 0x1234, kNew = 0x5678;
    constexpr int kNeighbour = 0x04FF;
    struct Case {
        const char* lost;
        long long at;  // after FF 02: 04 62 78 | 04 63 56
        Back back;
    };
    const std::pair<const char*, long long> losses[] = {
        {"address high", 3}, {"address low", 4}, {"data", 5}, {"second address low", 7}};
    std::vector<Case> cases;
    for (const Back back : {Back::RetryAtOnce, Back::CancelAndGoOnlineAtOnce})
        for (const auto& [lost, at] : losses) cases.push_back({lost, at, back});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lost) +
                     (c.back == Back::RetryAtOnce ? ", Retry" : ", Cancel and online again"));
        ASSERT_TRUE(board.preset("W1122", kOld));
        board.memory()[kNeighbour] = 0x37;
        const auto before = board.memory();
        WatchedPort watched(port, "W1122", kNeighbour);
        link.OpenRSComm(watched);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
        boxes.shown.clear();
        boxes.whileOpen = [&] { port.gone = false; };  // plugged back in at once
        if (c.back == Back::RetryAtOnce) boxes.answers = {MsgResult::Retry};
        port.goneAt = port.bytesWritten() + c.at;
        const double lostAt = clock.now();

        bool ok = link.RSWrite("W1122", std::to_string(kNew));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
        if (c.back == Back::CancelAndGoOnlineAtOnce) {
            EXPECT_FALSE(ok);
            link.CloseRSComm();
            link.OpenRSComm(watched);
            ASSERT_TRUE(link.OnlineMode);
            EXPECT_EQ(board.peek("W1122"), c.at <= 5 ? kOld : (kOld & 0xFF00) | (kNew & 0xFF))
                << "only whole triples landed";
            ok = link.RSWrite("W1122", std::to_string(kNew));
        }
        EXPECT_TRUE(ok);
        EXPECT_EQ(board.peek("W1122"), kNew);

        // The first byte after the port came back went out once the board
        // had dropped the half frame.
        const std::vector<double> times = sendTimes();
        ASSERT_GE(times.size(), static_cast<std::size_t>(c.at));
        EXPECT_GE(times[static_cast<std::size_t>(c.at) - 1] - lostAt, framing::kResyncQuiet);
        // Never anything but the old value, a half-written word or the new
        // value; and nothing else of the board touched, not even for a
        // moment.
        for (const std::int64_t v : watched.itemValues)
            EXPECT_TRUE(v == kOld || v == kNew || v == ((kOld & 0xFF00) | (kNew & 0xFF))) << v;
        EXPECT_EQ(watched.otherValues, std::set<int>{0x37});
        auto after = board.memory();
        after[0x0462] = before[0x0462];
        after[0x0463] = before[0x0463];
        EXPECT_EQ(after, before);

        link.CloseRSComm();
        clock.advance(1.0);
    }
}

TEST_F(LinkTest, AnAdapterLostInsideAPlsFrameNeverProgramsTheAttentionByte) {
    goOnline();
    board.pls().setBusyPolls(0);
    const int scale = board.pls().scaleFactor;
    // FF 1A F4 [01 lost]: the adapter goes and is back when Retry is pressed.
    boxes.whileOpen = [&] { port.gone = false; };
    boxes.answers = {MsgResult::Retry};
    port.goneAt = port.bytesWritten() + 4;
    EXPECT_FALSE(once([](RSComm::Transaction& t) { return pls::writeWord(t, 26, 500); }))
        << "a broken frame is reported";
    EXPECT_EQ(board.pls().scaleFactor, scale) << "nothing of the broken frame took effect";
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(once([](RSComm::Transaction& t) { return pls::writeWord(t, 26, 500); }));
    EXPECT_EQ(board.pls().scaleFactor, 500);
}

TEST_F(LinkTest, AGreetingTheBoardDoesNotAcknowledgeMakesTheFirstHandshakeKeepQuiet) {
    // Someone else left the board in the middle of a write triple just now
    // (FF 02 04): the greeting 0xFF is taken as the low address byte and
    // echoed. The next 0xFF must not follow at once, or it is stored at
    // 04FFH.
    for (std::uint8_t b : {0xFF, 0x02, 0x04}) board.receive(b, clock.now());
    link.OpenRSComm(port);
    ASSERT_TRUE(link.OnlineMode);
    EXPECT_EQ(port.received(), Bytes{0xFF}) << "the greeting landed inside the triple";
    EXPECT_TRUE(link.RSWrite("W1000", "4321"));
    EXPECT_EQ(board.peek("W1000"), 4321);
    EXPECT_EQ(board.memory()[0x04FF], 0);
    const std::vector<double> times = sendTimes();
    ASSERT_GE(times.size(), 2u);
    EXPECT_GE(times[1] - times[0], framing::kResyncQuiet);
}

}  // namespace
}  // namespace voran::testing
