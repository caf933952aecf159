#pragma once

#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FakeClipboard.h"
#include "FakeFileDialog.h"
#include "FakeMessageBox.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "WireDecoder.h"
#include "link/AddressCodec.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Launcher.h"
#include "shell/frmMDIMain.h"

namespace voran::testing {

// Knows the files it is told exist; records the documents it was asked to open.
struct FakeLauncher : ILauncher {
    bool fileExists(const std::string& path) const override { return existing.count(path) > 0; }
    bool openDocument(const std::string& path) override { return opened.push_back(path), true; }
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return true; }
    std::set<std::string> existing;
    std::vector<std::string> opened;
};

// The real frame window in a temporary program folder, wired to the
// in-process simulated board, a manual clock and fakes of every dialog. Its
// timers are stopped: tests run ticks and refresh steps themselves.
struct ShellHarness {
    QTemporaryDir folder;
    ManualClock clock;
    sim::SimBoard board;
    sim::SimPort port{board, clock};
    FakeMessageBox messages;
    FakeFileDialog dialogs;
    FakeClipboard clipboard;
    FakeLauncher launcher;
    std::unique_ptr<frmMDIMain> window;
    int traceMode = 0;  // the link's command mode when the trace was cleared

    ShellHarness() { makeWindow(clock, port); }
    // A new frame whose link waits on `linkClock` and talks through
    // `linkPort` (wrappers of the harness's own, as the program wraps them).
    void makeWindow(IClock& linkClock, ISerialPort& linkPort) {
        window = std::make_unique<frmMDIMain>(ShellServices{messages, linkClock, linkPort, dialogs,
                                                            clipboard, launcher,
                                                            folder.path().toStdString()});
        stopTimers();
    }
    void stopTimers() {
        for (QTimer* t : window->findChildren<QTimer*>()) t->stop();
    }
    RSComm& link() { return window->link(); }
    AppContext& ctx() { return window->context(); }
    std::string panel(int i) const { return window->panel(i)->text().toStdString(); }
    void goOnline() {
        window->mnuViewOnline_Click();
        stopTimers();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) window->tmrBackgroungUpdate_Timer();
    }
    void clearTrace() {
        port.clearTrace();
        traceMode = static_cast<int>(link().currentMode());
    }
    // Byte addresses the board was asked for since the trace was cleared.
    std::vector<int> addressesRead() const { return ReadAddresses(port.sent(), traceMode); }
};

}  // namespace voran::testing
