#pragma once

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <deque>

#include "../pls/PlsFixture.h"
#include "SimPls.h"
#include "WindowFixture.h"
#include "link/PlsCodes.h"
#include "timing/ui/TimingDiagram.h"
#include "timing/ui/frmTiming.h"

namespace voran::testing {

// The PLS answering recalls from a script: each entry is one recall's state,
// low and high byte; `refuseRecall` refuses the channel byte (a recall that
// fails without a link fault); `refuseCodes` refuses the first byte after
// those command codes. Everything else goes to the simulated PLS.
class ScriptedRecall : public sim::SimCommand {
public:
    explicit ScriptedRecall(sim::SimPls& pls) : pls_(pls) {}
    std::deque<std::array<int, 3>> recalls;
    bool refuseRecall = false;
    std::set<int> refuseCodes;

    bool begin(std::uint8_t code) override {
        code_ = code;
        index_ = 0;
        return pls_.begin(code);
    }
    Answer receive(std::uint8_t byte) override {
        if (refuseCodes.count(code_) > 0) return {0x00, Next::Idle};
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

// The machine timing window over the in-process board: the default set-up
// in the working data, channels 0 and 1 programmed as the defaults say, the
// machine standing. The tests run the monitoring passes themselves.
class TimingWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        tables.BuildDefaults(clock.localDateTime());
        pls().program(0, 180, 240);
        pls().program(1, 90, 270);
        window = std::make_unique<frmTiming>(ctx);
        window->monitor().setTimerDriven(false);
        window->resize(900, 600);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    sim::SimPls& pls() { return board.pls(); }
    // Opens the link (or stays offline), activates the window and runs the
    // first pass; the trace starts when the window does.
    void open(bool online, bool offlineEditing = false) {
        ctx.OfflineEditing = offlineEditing;
        if (online) {
            ctx.goOnline();
            ASSERT_TRUE(link.OnlineMode);
        }
        port.clearTrace();
        window->activate();
        window->monitor().runPass();
    }
    void pass() { window->monitor().runPass(); }
    void script() { board.setCommands(&scripted); }
    Bytes sent() const {
        const auto s = port.sent();
        return Bytes(s.begin(), s.end());
    }

    NumericEntry* box(int i) const { return window->txtChannel(i); }
    QString text(int i) const { return box(i)->text(); }
    QString panel(int k) const { return window->panel(k)->text(); }
    // The four live panels: speed, position, offset, scale.
    QStringList panelTexts() const { return {panel(1), panel(2), panel(3), panel(4)}; }
    // The ten PLS configuration labels.
    QStringList configTexts() const {
        QStringList t;
        for (int i = 0; i < 10; ++i) t << window->lblPLSCfg(i)->text();
        return t;
    }
    std::array<std::int16_t, 2>& setpoint(int ch) { return tables.CurrentData.Setpoint[ch]; }

    // Frames of the PLS commands as the PC sends them.
    static Bytes recall(int ch) { return {0xFF, pls::kRecall, ch, 0x55, 0x55, 0x55}; }
    static Bytes configRead() {
        Bytes b{0xFF, pls::kConfigRead};
        b.insert(b.end(), 19, 0x55);
        return b;
    }
    static Bytes channelFrame(int ch, int on, int off, int flag) {
        return cat({{0xFF, pls::kChannelFrame, ch, on % 256, on / 256, off % 256, off / 256, flag},
                    readyPoll(2)});
    }
    // SingleSetpoint with the clearing frame first.
    static Bytes programmed(int ch, int on, int off) {
        return cat({readWord(pls::kReadScaleFactor), channelFrame(ch, 0, 0, 0),
                    channelFrame(ch, on, off, 1)});
    }
    // The four live panels of a pass with the machine at or below 50 RPM.
    static Bytes panels() {
        return cat({readWord(pls::kReadRpm), readWord(pls::kReadRpm), readWord(pls::kReadPosition),
                    readWord(pls::kReadOffset), readWord(pls::kReadScaleFactor)});
    }
    static FakeMessageBox::Shown info(const std::string& text, const std::string& title) {
        return {text, title, MsgButtons::Ok, MsgIcon::Information};
    }

    ScriptedRecall scripted{board.pls()};
    std::unique_ptr<frmTiming> window;
};

}  // namespace voran::testing
