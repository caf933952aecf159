// The wait cursor (shown only once a wait has lasted a moment, never for a
// prompt reply), and waits that keep the window alive with turns of the
// event loop while still ending at their own deadline.
#include <QApplication>
#include <gtest/gtest.h>

#include <algorithm>

#include "SimLink.h"
#include "platform/AliveWait.h"
#include "platform/BusyPort.h"
#include "platform/qt/QtBusyIndicator.h"

namespace voran::testing {
namespace {

// The program's own wait cursor, recording when it changed and what the
// application showed after each change.
struct RecordedCursor : IBusyIndicator {
    explicit RecordedCursor(const IClock& clock) : clock_(clock) {}
    void busy(bool on) override {
        cursor_.busy(on);
        const QCursor* c = QApplication::overrideCursor();
        changes.push_back({clock_.now(), on, c && c->shape() == Qt::WaitCursor});
    }
    struct Change {
        double at;
        bool on;
        bool waitCursorShown;
    };
    std::vector<Change> changes;

private:
    const IClock& clock_;
    QtBusyIndicator cursor_;
};

class BusyWait : public ::testing::Test, protected SimLink {
protected:
    void SetUp() override { ASSERT_TRUE(busyPort.open(nullptr)); }
    void TearDown() override {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor is always restored";
    }
    RecordedCursor cursor{clock};
    BusyPort busyPort{port, clock, cursor};
};

TEST_F(BusyWait, CursorShowsAfterTheMomentUntilTheWaitEndsAndNeverForAPromptReply) {
    // The board's delay before it answers (silent: never), the wait's
    // length, whether a byte came, and when the cursor went on and off
    // (after the start; none: never shown).
    const struct {
        double replyDelay;
        bool silent;
        double wait;
        bool got;
        double on, off;
    } cases[] = {
        {0.0, false, 1.0, true, -1, -1},                                       // prompt
        {0.25, false, 1.0, true, -1, -1},                                      // within the moment
        {0.8, false, 1.0, true, 0.3, 0.8}, {0.0, true, 5.0, false, 0.3, 5.0},  // the time-out
        {0.0, true, 0.2, false, -1, -1},  // a wait shorter than the moment
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "delay " << c.replyDelay << " silent " << c.silent);
        port.replyDelay = c.replyDelay;
        port.silent = c.silent;
        busyPort.discardInput();
        cursor.changes.clear();
        const double start = clock.now();
        ASSERT_TRUE(busyPort.writeByte(0xFF));
        EXPECT_EQ(busyPort.waitForByte(start + c.wait), c.got);
        if (c.got) {
            EXPECT_EQ(busyPort.readByte(), 0x55);
        }
        if (c.on < 0) {
            EXPECT_TRUE(cursor.changes.empty());
            continue;
        }
        ASSERT_EQ(cursor.changes.size(), 2u);
        EXPECT_TRUE(cursor.changes[0].on && cursor.changes[0].waitCursorShown);
        EXPECT_NEAR(cursor.changes[0].at - start, c.on, 1e-9);
        EXPECT_FALSE(cursor.changes[1].on || cursor.changes[1].waitCursorShown);
        EXPECT_NEAR(cursor.changes[1].at - start, c.off, 1e-9);
    }
}

TEST_F(BusyWait, LinkTimeOutShowsTheCursorDuringEachLongWaitAndRestoresIt) {
    link.OpenRSComm(busyPort);
    cursor.changes.clear();
    port.silent = true;
    const double start = clock.now();
    link.RSRead("W1000");
    EXPECT_TRUE(link.CommError);
    ASSERT_FALSE(cursor.changes.empty());
    ASSERT_EQ(cursor.changes.size() % 2, 0u);
    double last = start;
    for (std::size_t k = 0; k < cursor.changes.size(); k += 2) {
        const auto& on = cursor.changes[k];
        const auto& off = cursor.changes[k + 1];
        EXPECT_TRUE(on.on && on.waitCursorShown);
        EXPECT_FALSE(off.on || off.waitCursorShown);
        EXPECT_GE(on.at - last, BusyPort::kMoment - 1e-9) << "each wait first lasts the moment";
        EXPECT_GT(off.at, on.at);
        last = off.at;
    }
    EXPECT_GE(last - start, 3.0) << "the cursor showed through the time-outs";
}

// Notes when it was asked to turn.
struct NotedTurns : IEventTurn {
    explicit NotedTurns(const IClock& clock) : clock_(clock) {}
    void turn() override { last = at.emplace_back(clock_.now()); }
    double lastTurn() const override { return last; }
    std::vector<double> at;
    double last = 0;

private:
    const IClock& clock_;
};

class AliveWaits : public ::testing::Test, protected SimLink {
protected:
    void SetUp() override {
        ASSERT_TRUE(port.open(nullptr));
        turns.last = clock.now();
    }
    // The longest stretch without a turn between `from` and `to`.
    double longestStretch(double from, double to) const {
        double longest = 0, prev = from;
        for (double t : turns.at) longest = std::max(longest, t - prev), prev = t;
        return std::max(longest, to - prev);
    }
    NotedTurns turns{clock};
    AliveWait alive{clock, turns};
};

TEST_F(AliveWaits, AnswerWaitTurnsEverySliceAndEndsWhenThePlainWaitWould) {
    // The board's delay before it answers (silent: never), the wait's length.
    const struct {
        double replyDelay;
        bool silent;
        double wait;
    } cases[] = {{0.002, false, 1.0}, {0.009, false, 1.0}, {0.5, false, 1.0},
                 {0.0, true, 1.0},    {0.0, true, 2.0},    {0.0, true, 0.004}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.replyDelay << (c.silent ? " silent " : " ") << c.wait);
        // The same wait, plain and alive, from the same moment.
        const auto waitOnce = [&](bool alive_) {
            port.replyDelay = c.replyDelay;
            port.silent = c.silent;
            port.discardInput();
            port.writeByte(0xFF);
            const double start = clock.now();
            turns.at.clear();
            turns.last = start;
            const double deadline = start + c.wait;
            const bool got =
                alive_ ? alive.waitForByte(port, deadline) : port.waitForByte(deadline);
            port.readByte();
            return std::tuple(got, clock.now() - start, start);
        };
        const auto [plainGot, plainTook, plainStart] = waitOnce(false);
        (void)plainStart;
        const auto [got, took, start] = waitOnce(true);
        EXPECT_EQ(got, plainGot);
        EXPECT_DOUBLE_EQ(took, plainTook);
        EXPECT_LE(longestStretch(start, clock.now()), AliveWait::kSlice + 1e-9);
        // A reply within the first slice takes no turn at all.
        if (plainTook < AliveWait::kSlice) {
            EXPECT_TRUE(turns.at.empty());
        }
    }
}

TEST_F(AliveWaits, PauseTurnsEverySliceAndEndsExactlyAtItsDeadline) {
    for (double seconds : {0.005, 0.1, 0.6, 2.0}) {
        SCOPED_TRACE(seconds);
        ManualClock plain;
        plain.advanceTo(clock.now());
        plain.pause(seconds);
        turns.at.clear();
        const double start = clock.now();
        AliveClock(clock, alive).pause(seconds);
        EXPECT_EQ(clock.now(), plain.now()) << "the same moment, to the last bit";
        EXPECT_LE(longestStretch(start, clock.now()), AliveWait::kSlice + 1e-9);
    }
}

TEST_F(AliveWaits, RunOfQuickExchangesTurnsOnceItsStretchIsLong) {
    // Quick answers (no wait ever reaches a slice): the turns come from the
    // stretch alone, once per kStretch of exchanges.
    port.replyDelay = 0.002;
    const double start = clock.now();
    turns.at.clear();
    turns.last = start;
    for (int i = 0; i < 100; ++i) {
        port.writeByte(0xFF);
        ASSERT_TRUE(alive.waitForByte(port, clock.now() + 1.0));
        port.readByte();
    }
    const double took = clock.now() - start;
    EXPECT_NEAR(took, 0.2, 1e-9) << "no exchange waited longer";
    EXPECT_GE(turns.at.size(), static_cast<std::size_t>(took / (AliveWait::kStretch + 0.002)) - 1);
    EXPECT_LE(longestStretch(start, clock.now()), AliveWait::kStretch + 0.002 + 1e-9);
}

}  // namespace
}  // namespace voran::testing
