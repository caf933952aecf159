#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "../pls/PlsFixture.h"
#include "timing/ui/TimingDiagram.h"
#include "timing/ui/frmTiming.h"

namespace voran::testing {

// The machine timing window over the in-process board: the default set-up
// in the working data, channels 0 and 1 programmed as the defaults say, the
// machine standing. The tests run the monitoring passes themselves.
class TimingWindow : public ::testing::Test, protected PlsBoard {
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
    // The eight channels recalled in order, a programmed one twice (ON, then OFF).
    static Bytes recalls(const std::set<int>& programmed) {
        Bytes b;
        for (int ch = 0; ch < 8; ++ch)
            b = cat({b, recall(ch), programmed.count(ch) ? recall(ch) : Bytes{}});
        return b;
    }
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

    std::unique_ptr<frmTiming> window;
};

}  // namespace voran::testing
