#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "FakeMessageBox.h"
#include "WindowFixture.h"
#include "SimBoard.h"
#include "SimPls.h"
#include "SimPort.h"
#include "link/RSComm.h"

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
// first byte after the command codes in `refuse`.
class ScriptedPls : public sim::SimCommand {
public:
    explicit ScriptedPls(sim::SimPls& pls) : pls_(pls) {}
    std::set<int> refuse;
    bool begin(std::uint8_t code) override {
        code_ = code;
        return pls_.begin(code);
    }
    Answer receive(std::uint8_t byte) override {
        return refuse.count(code_) > 0 ? Answer{0x00, Next::Idle} : pls_.receive(byte);
    }
    int busyPolls() const override { return pls_.busyPolls(); }

private:
    sim::SimPls& pls_;
    int code_ = 0;
};

// The program online on the in-process board; the trace starts empty.
class PlsLink : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        online.goOnline();
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
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

}  // namespace voran::testing
