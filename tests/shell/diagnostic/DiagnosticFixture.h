#pragma once

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

#include "WindowFixture.h"

namespace voran::testing {

// A live diagnostic window over the in-process board, shown; the tests go
// online through the context and run the monitoring passes themselves.
template <class Window>
class DiagnosticWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        window = std::make_unique<Window>(ctx);
        window->monitor().setTimerDriven(false);
        window->show();
    }
    // Goes online (or stays offline), activates the window and runs the
    // first pass.
    void open(bool online) {
        if (online) ctx.goOnline();
        window->activate();
        window->monitor().runPass();
    }

    std::unique_ptr<Window> window;
};

}  // namespace voran::testing
