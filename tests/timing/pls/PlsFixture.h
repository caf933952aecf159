#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "FakeMessageBox.h"
#include "SimBoard.h"
#include "SimPls.h"
#include "SimPort.h"
#include "link/RSComm.h"

namespace voran::testing {

using Bytes = std::vector<int>;

// The PC's side of the ready poll when the PLS answers busy `busy` times.
inline Bytes readyPoll(int busy) {
    Bytes b;
    for (int i = 0; i < busy; ++i) b.insert(b.end(), {0x38, 0x55});
    b.insert(b.end(), {0x38, 0x55, 0x55});
    return b;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The board's PLS, except that it refuses (answers 0x00 to) the first byte
// after chosen command codes.
class RefusingPls : public sim::SimCommand {
public:
    explicit RefusingPls(sim::SimPls& pls) : pls_(pls) {}
    std::set<int> refuse;
    bool begin(std::uint8_t code) override {
        refusing_ = refuse.count(code) > 0;
        return pls_.begin(code);
    }
    Answer receive(std::uint8_t byte) override {
        if (refusing_) return {0x00, Next::Idle};
        return pls_.receive(byte);
    }
    int busyPolls() const override { return pls_.busyPolls(); }

private:
    sim::SimPls& pls_;
    bool refusing_ = false;
};

// A link opened on the in-process board; the trace starts empty.
class PlsLink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }

    Bytes sent() const {
        Bytes out;
        for (auto b : port.sent()) out.push_back(b);
        return out;
    }
    sim::SimPls& pls() { return board.pls(); }

    QTemporaryDir folder;
    ManualClock clock;
    FakeMessageBox messages;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    RSComm link{clock, messages, folder.path().toStdString()};
};

}  // namespace voran::testing
