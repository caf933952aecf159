#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "FakeMessageBox.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "data/SetupData.h"
#include "link/RSComm.h"
#include "shell/AppContext.h"
#include "timing/ui/frmSetup.h"
#include "widgets/NumericEntry.h"

namespace voran::testing {

// What the PC asked of the board, taken from the bytes it sent: the byte
// addresses it read and the (byte address, data) pairs it wrote.
struct Traffic {
    std::vector<int> reads;
    std::vector<std::pair<int, int>> writes;

    // `mode` is the link's mode when the trace started (0: no command
    // open, 1: reading, 2: writing).
    static Traffic of(const std::vector<std::uint8_t>& sent, int mode) {
        Traffic t;
        enum { Idle, Code, Read, Write } state = mode == 1 ? Read : mode == 2 ? Write : Idle;
        int step = 0, hi = 0, lo = 0;
        for (const int b : sent) {
            switch (state) {
                case Idle:
                    if (b == 0xFF) state = Code;
                    break;
                case Code:
                    state = b == 1 ? Read : b == 2 ? Write : Idle;
                    step = 0;
                    break;
                case Read:
                    if (step == 0 && b == 0xFF) {
                        state = Code;
                    } else if (step == 0) {
                        hi = b, step = 1;
                    } else {
                        t.reads.push_back(hi * 256 + b), step = 0;
                    }
                    break;
                case Write:
                    if (step == 0 && b == 0xFF) {
                        state = Code;
                    } else if (step == 0) {
                        hi = b, step = 1;
                    } else if (step == 1) {
                        lo = b, step = 2;
                    } else {
                        t.writes.push_back({hi * 256 + lo, b}), step = 0;
                    }
                    break;
            }
        }
        return t;
    }
    // How many times the byte at `address` was written.
    int writesTo(int address) const {
        int n = 0;
        for (const auto& w : writes) n += w.first == address;
        return n;
    }
};

// The set-up window over the in-process board, shown and active; the tests
// run the monitoring passes themselves.
class SetupWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        tables.BuildDefaults(clock.localDateTime());
        // The board starts out holding the default set-up.
        for (int i = 0; i < frmSetup::kItems; ++i)
            ASSERT_TRUE(board.preset(tables.CurrentData.Address[i], tables.CurrentData.Value[i]));
        ctx.UpdateOnlineState = [this] {
            ++onlineStateUpdates;
            if (!link.OnlineMode) link.CloseRSComm();
        };
        window = std::make_unique<frmSetup>(ctx);
        window->setTimerDriven(false);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Opens the link, activates the window and runs the first pass.
    void openOnline() {
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        window->activate();
        window->runMonitorPass();
        port.clearTrace();
        traceMode = link.currentMode();
    }
    void openOffline(bool offlineEditing) {
        ctx.OfflineEditing = offlineEditing;
        window->activate();
        window->runMonitorPass();
    }

    Traffic traffic() const { return Traffic::of(port.sent(), traceMode); }
    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    void typeInto(int i, const QString& text) {
        box(i)->lineEdit()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focus(), box(i)->lineEdit());
        QTest::keyClicks(box(i)->lineEdit(), text);
    }
    void pressTab() { QTest::keyClick(focus(), Qt::Key_Tab); }
    std::int32_t& item(int i) { return tables.CurrentData.Value[i]; }

    QTemporaryDir folder;
    ManualClock clock;
    FakeMessageBox messages;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    RSComm link{clock, messages, folder.path().toStdString()};
    SetupTables tables;
    AppContext ctx{.link = link, .tables = tables, .messages = messages, .clock = clock};
    std::unique_ptr<frmSetup> window;
    int onlineStateUpdates = 0;
    int traceMode = 0;
};

}  // namespace voran::testing
