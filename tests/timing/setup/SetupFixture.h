#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "SimLink.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "WireDecoder.h"
#include "link/RSComm.h"
#include "window/AppContext.h"
#include "timing/ui/frmSetup.h"
#include "widgets/NumericEntry.h"

namespace voran::testing {

// The set-up window over the in-process board holding the default set-up,
// shown and active; the tests run the monitoring passes themselves.
class SetupWindow : public ::testing::Test, protected SimLink {
protected:
    void SetUp() override {
        tables.BuildDefaults(clock.localDateTime());
        for (int i = 0; i < frmSetup::kItems; ++i)
            ASSERT_TRUE(board.preset(tables.CurrentData.Address[i], tables.CurrentData.Value[i]));
        window = std::make_unique<frmSetup>(ctx);
        window->monitor().setTimerDriven(false);
        window->show();
        activate(window.get());
    }
    static void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    // Opens the link (or stays offline), activates the window and runs the
    // first pass.
    void open(bool online, bool offlineEditing = false) {
        ctx.OfflineEditing = offlineEditing;
        if (online) link.OpenRSComm(port);
        window->activate();
        window->monitor().runPass();
        clearTrace();
    }
    void clearTrace() {
        port.clearTrace();
        traceMode = link.currentMode();
    }
    // Items written since the trace was cleared; with an address ("W1042"),
    // only those to it.
    int writes(const char* address = nullptr) const {
        int n = 0;
        for (const WireAccess& a : DecodeSent(port.sent(), traceMode))
            n += a.write && (!address || a.address == std::atoi(address + 1));
        return n;
    }
    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QCheckBox* check(int k) const { return window->chkSetup(k); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    // Gives box `i` the focus as Tab would and types over its text (key
    // events carrying the text, so any script can be typed).
    void typeInto(int i, const QString& text) {
        box(i)->lineEdit()->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focus(), box(i)->lineEdit());
        if (text.isEmpty()) key(Qt::Key_Delete);
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(focus(), &press);
        }
    }
    void key(Qt::Key k) { QTest::keyClick(focus(), k); }
    // The one box a refused entry gives.
    static std::vector<FakeMessageBox::Shown> rangeBox(int minimum, int maximum) {
        return {{"Only a Number Between " + std::to_string(minimum) + " and " +
                     std::to_string(maximum) + " can be Entered",
                 "Set-up", MsgButtons::Ok, MsgIcon::Information}};
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    std::int32_t& item(int i) { return tables.CurrentData.Value[i]; }

    SetupTables tables;
    FakeClipboard clipboard;
    AppContext ctx{link, tables, messages, clock, clipboard, "", [this] {
                       if (!link.OnlineMode) link.CloseRSComm();
                   }};
    std::unique_ptr<frmSetup> window;
    int traceMode = 0;
};

}  // namespace voran::testing
