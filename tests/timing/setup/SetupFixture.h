#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "timing/ui/frmSetup.h"

namespace voran::testing {

// The set-up window over the in-process board holding the default set-up,
// shown and active; the tests run the monitoring passes themselves.
class SetupWindow : public ::testing::Test, protected WindowContext {
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
        if (online) ctx.goOnline();
        window->activate();
        window->monitor().runPass();
        clearTrace();
    }
    // Bytes written since the trace was cleared; with an address ("W1042"),
    // only those to it.
    int writes(const char* address = nullptr) const {
        return WindowContext::writes(address ? std::atoi(address + 1) : -1);
    }
    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QCheckBox* check(int k) const { return window->chkSetup(k); }
    void typeInto(int i, const QString& text) { WindowContext::typeInto(box(i), text); }
    // The one box a refused entry gives.
    static std::vector<FakeMessageBox::Shown> rangeBox(int minimum, int maximum) {
        return {{"Only a Number Between " + std::to_string(minimum) + " and " +
                     std::to_string(maximum) + " can be Entered",
                 "Set-up", MsgButtons::Ok, MsgIcon::Information}};
    }
    std::int32_t& item(int i) { return tables.CurrentData.Value[i]; }

    std::unique_ptr<frmSetup> window;
};

}  // namespace voran::testing
