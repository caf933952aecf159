#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FakeMessageBox.h"
#include "ProgramRun.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "link/RSComm.h"

namespace voran::testing {

using Bytes = std::vector<std::uint8_t>;
using Boxes = std::vector<FakeMessageBox::Shown>;

// A board answering by a script, for the answers the simulated board never
// gives (a refused handshake, a PLS that stays busy). Each answer takes
// `replyTime` seconds.
class ScriptedPort : public ISerialPort {
public:
    explicit ScriptedPort(ManualClock& clock) : clock_(clock) {}

    std::function<std::optional<std::uint8_t>(std::uint8_t)> answer;
    double replyTime = 0.25;
    Bytes sent;

    void setPortNumber(int number) override { port_ = number; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& s, PortError*) override {
        settings_ = s;
        return true;
    }
    std::string settings() const override { return settings_; }
    bool open(PortError*) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    int bytesWaiting() override { return pending_ && pending_->second <= clock_.now() ? 1 : 0; }
    void discardInput() override {
        if (bytesWaiting() > 0) pending_.reset();
    }
    bool writeByte(std::uint8_t byte) override {
        sent.push_back(byte);
        if (auto a = answer ? answer(byte) : std::nullopt)
            pending_ = std::make_pair(*a, clock_.now() + replyTime);
        return true;
    }
    int readByte() override {
        if (bytesWaiting() == 0) return -1;
        const int b = pending_->first;
        pending_.reset();
        return b;
    }
    bool waitForByte(double deadline) override {
        if (pending_ && pending_->second <= deadline) {
            clock_.advanceTo(pending_->second);
            return true;
        }
        clock_.advanceTo(deadline);
        return false;
    }

private:
    ManualClock& clock_;
    int port_ = 1;
    std::string settings_;
    bool open_ = false;
    std::optional<std::pair<std::uint8_t, double>> pending_;
};

// The link online against the simulated board in a fresh program folder.
class LinkTest : public ::testing::Test {
protected:
    TempFolder folder;
    ManualClock clock;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    FakeMessageBox boxes;
    RSComm link{clock, boxes, folder.path()};

    // Opens the link and forgets the greeting on the wire.
    void goOnline() {
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
    // Times at which the PC sent bytes.
    std::vector<double> sendTimes() const {
        std::vector<double> t;
        for (const auto& w : port.wire)
            if (w.toBoard) t.push_back(w.time);
        return t;
    }
};

}  // namespace voran::testing
