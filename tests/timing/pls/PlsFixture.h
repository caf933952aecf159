#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "SimPls.h"
#include "WindowFixture.h"
#include "link/PlsCodes.h"

namespace voran::testing {

using Bytes = std::vector<int>;

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
// The PC's side of the ready poll when the PLS answers busy `busy` times.
inline Bytes readyPoll(int busy) {
    Bytes b;
    for (int i = 0; i < busy; ++i) b.insert(b.end(), {0x38, 0x55});
    return cat({b, {0x38, 0x55, 0x55}});
}
// Reading a two-byte PLS value.
inline Bytes readWord(int code) {
    return {0xFF, code, 0x55, 0x55};
}

// Exactly one OK box with the exclamation icon.
inline std::vector<Box> warning(const std::string& text, const std::string& title) {
    return {box(text, title)};
}

// The board's PLS with scripted trouble: it refuses (answers 0x00 to) the
// first byte after the command codes in `refuse`; `recalls` answers recalls
// from a script, each entry one recall's state, low and high byte, and
// `refuseRecall` refuses the channel byte of a recall (a recall that fails
// without a link fault). Everything else goes to the simulated PLS.
class ScriptedPls : public sim::SimCommand {
public:
    explicit ScriptedPls(sim::SimPls& pls) : pls_(pls) {}
    std::set<int> refuse;
    std::deque<std::array<int, 3>> recalls;
    bool refuseRecall = false;

    bool begin(std::uint8_t code) override {
        code_ = code;
        index_ = 0;
        return pls_.begin(code);
    }
    Answer receive(std::uint8_t byte) override {
        if (refuse.count(code_) > 0) return {0x00, Next::Idle};
        if (code_ != pls::kRecall || (!refuseRecall && recalls.empty())) return pls_.receive(byte);
        const int part = index_++;
        if (part == 0)
            return refuseRecall ? Answer{0x00, Next::Idle} : Answer{0x55, Next::Continue};
        const int value = recalls.front()[part - 1];
        if (part < 3) return {static_cast<std::uint8_t>(value), Next::Continue};
        recalls.pop_front();
        return {static_cast<std::uint8_t>(value), Next::Idle};
    }
    int busyPolls() const override { return pls_.busyPolls(); }

private:
    sim::SimPls& pls_;
    int code_ = 0;
    int index_ = 0;
};

// The in-process board's PLS for the tests of the PLS commands and of the
// machine timing window, its trouble scripted at hand.
struct PlsBoard : WindowContext {
    Bytes sent() const {
        const auto s = port.sent();
        return Bytes(s.begin(), s.end());
    }
    sim::SimPls& pls() { return board.pls(); }
    // The PLS refuses the first byte after each of `codes`.
    void refuse(std::set<int> codes) {
        scripted.refuse = std::move(codes);
        board.setCommands(&scripted);
    }

    ScriptedPls scripted{board.pls()};
};

// The program online on the in-process board; the trace starts empty.
class PlsLink : public ::testing::Test, protected PlsBoard {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        online.goOnline();
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
    // One command on a transaction of its own.
    template <class Step>
    auto once(Step step) {
        return InTransaction(link, step);
    }
};

}  // namespace voran::testing
