#pragma once

#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "FakeClipboard.h"
#include "FakeFileDialog.h"
#include "FakeLauncher.h"
#include "FakeMessageBox.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "link/AddressCodec.h"
#include "platform/Clock.h"
#include "shell/frmMDIMain.h"

namespace voran::testing {

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

    ShellHarness() {
        window = std::make_unique<frmMDIMain>(ShellServices{
            messages, clock, port, dialogs, clipboard, launcher, folder.path().toStdString()});
        stopTimers();
    }

    // Every timer of the frame and of its windows stays still.
    void stopTimers() {
        for (QTimer* t : window->findChildren<QTimer*>()) t->stop();
    }

    RSComm& link() { return window->link(); }
    AppContext& ctx() { return window->context(); }

    void goOnline() {
        window->mnuViewOnline_Click();
        stopTimers();
    }

    // Runs `n` background ticks.
    void ticks(int n) {
        for (int i = 0; i < n; ++i) window->tmrBackgroungUpdate_Timer();
    }

    // Byte addresses the PC asked the board for, in order, taken from the
    // address pairs it sent (handshakes left out).
    std::vector<unsigned> addressesRead() const {
        std::vector<unsigned> out;
        const std::vector<std::uint8_t> sent = port.sent();
        for (std::size_t i = 0; i < sent.size();) {
            if (sent[i] == 0xFF) {
                i += 2;  // attention and command code
                continue;
            }
            if (i + 1 < sent.size()) out.push_back(sent[i] * 256u + sent[i + 1]);
            i += 2;
        }
        return out;
    }

    // The byte addresses that reading `items` in order asks for.
    static std::vector<unsigned> byteAddressesOf(const std::vector<std::string>& items) {
        std::vector<unsigned> out;
        for (const std::string& item : items) {
            const DecodedAddress a = DecodeAddress(item);
            for (int k = 0; k < a.byteCount(); ++k) out.push_back(a.byteAddress + k);
        }
        return out;
    }
};

}  // namespace voran::testing
