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

// The byte addresses the PC wrote, one entry per data byte, taken from the
// bytes it sent. `mode` is the link's mode when the trace started (1: a
// read command open, 2: a write command open).
inline std::vector<int> WrittenBytes(const std::vector<std::uint8_t>& sent, int mode) {
    std::vector<int> written;
    enum { Idle, Code, Other, Write } state = mode == 2 ? Write : mode == 1 ? Other : Idle;
    int step = 0, hi = 0, lo = 0;
    for (const int b : sent) {
        if (state == Idle || ((state == Other || state == Write) && step == 0 && b == 0xFF)) {
            state = b == 0xFF ? Code : state;
            continue;
        }
        if (state == Code) {
            state = b == 2 ? Write : Other, step = 0;
        } else if (state == Other) {
            step = (step + 1) % 2;  // a read: two address bytes
        } else if (step == 0) {
            hi = b, step = 1;
        } else if (step == 1) {
            lo = b, step = 2;
        } else {
            written.push_back(hi * 256 + lo), step = 0;
        }
    }
    return written;
}

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

    std::vector<int> written() const { return WrittenBytes(port.sent(), traceMode); }
    // How many times the item at "W1042" (or "B1030") was written.
    int writesTo(const char* address) const {
        const int byteAddress = QString::fromLatin1(address).mid(1).toInt();
        int n = 0;
        for (const int a : written()) n += a == byteAddress;
        return n;
    }
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
