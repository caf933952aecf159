#pragma once

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "SimLink.h"
#include "WireDecoder.h"
#include "link/AddressCodec.h"
#include "window/AppContext.h"

namespace voran::testing {

// A live diagnostic window over the in-process board, shown; the tests go
// online through the context and run the monitoring passes themselves.
template <class Window>
class DiagnosticWindow : public ::testing::Test, protected SimLink {
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
    void clearTrace() {
        port.clearTrace();
        traceMode = link.currentMode();
    }
    std::vector<WireAccess> traffic() const { return DecodeSent(port.sent(), traceMode); }
    std::vector<int> addressesRead() const { return ReadAddresses(port.sent(), traceMode); }
    static std::vector<int> byteAddressesOf(const std::vector<std::string>& items) {
        return ByteAddressesOf(items);
    }
    // The board stops answering: the next read times out (the fake clock
    // makes that instant) and its Retry/Cancel box is cancelled.
    void breakLink() { port.silent = true; }

    SetupTables tables;
    FakeClipboard clipboard;
    AppContext ctx{
        link, tables, messages, clock, clipboard, folder.path().toStdString(), followOnlineMode()};
    std::unique_ptr<Window> window;
    int traceMode = 0;
};

}  // namespace voran::testing
