// A whole data upload and download (78 items, PLS configuration, eight
// channels) over the pseudo-terminal against k900-sim, timed beside the wire
// time of the same exchanges at 9600 and 19200 bit/s.
#include <time.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include <QCoreApplication>

#include "data/Transfer.h"
#include "data/ui/frmMain.h"
#include "data/ui/frmProcessing.h"
#include "link/RSComm.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/ForwardingPort.h"
#include "platform/PosixSerialPort.h"
#include "window/AppContext.h"

using namespace voran;

namespace {

// The real port, counting the bytes the PC sends (one exchange each).
class CountingPort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    long sent = 0;
    bool writeByte(std::uint8_t b) override {
        ++sent;
        return inner_.writeByte(b);
    }
};

class CancelAll : public IMessageBox {
public:
    MsgResult show(const std::string& text, const std::string& title, MsgButtons,
                   MsgIcon) override {
        std::cerr << "  [box \"" << title << "\": " << text.substr(0, 40) << "...]\n";
        return MsgResult::Cancel;
    }
};

struct NoClipboard : IClipboard {
    void clear() override {}
    void setText(const std::string&) override {}
    std::string text() const override { return {}; }
};

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

}  // namespace

namespace {
// Exchanges of a whole upload and download run on their own: the protocol's
// minimum, against which the window-driven transfers are measured.
long minimumExchanges[2] = {0, 0};

// The transfer window's logic with the main display open beside it, its
// monitoring pass running from its timer, as the operator has it.
bool RunWindowTransfers(const std::string& folder, bool pauseMonitoring) {
    SystemClock clock;
    CancelAll boxes;
    PosixSerialPort serial(clock, folder);
    CountingPort port(serial);
    RSComm link(clock, boxes, folder);
    SetupTables tables;
    tables.BuildDefaults(clock.localDateTime());
    NoClipboard clipboard;
    OnlineState online(link, port, boxes);
    AppContext ctx(link, tables, boxes, clock, clipboard, folder, online);
    ctx.goOnline();
    if (!link.OnlineMode) return false;
    frmMain display(ctx);
    display.show();
    display.activate();
    // Let the display's pass run for a moment first.
    const double until = monotonicSeconds() + 0.2;
    while (monotonicSeconds() < until) QCoreApplication::processEvents();

    bool ok = true;
    int k = 0;
    for (const TransferDirection mode : {kTransferUpload, kTransferDownload}) {
        port.sent = 0;
        const double t0 = monotonicSeconds();
        TransferReport report;
        {
            std::optional<AppContext::ModalOperation> modal;
            if (pauseMonitoring) modal.emplace(ctx);
            frmProcessing window(ctx, mode);
            window.exec();
            report = window.report();
        }
        const double took = monotonicSeconds() - t0;
        std::printf("%-28s %8ld %10.3f %10ld%s\n",
                    mode == kTransferUpload ? "  upload" : "  download", port.sent, took,
                    minimumExchanges[k], report.complete() ? "" : "  (INCOMPLETE)");
        ok = ok && report.complete() && (!pauseMonitoring || port.sent <= minimumExchanges[k]);
        ++k;
    }
    display.deactivate();
    link.CloseRSComm();
    return ok;
}
}  // namespace

// Runs one upload and one download against the simulator whose
// Support/COM1 link lies in `folder`, first on their own, then from the
// transfer window with the main display open. False when any was
// incomplete or a window-driven transfer took more than the minimum.
bool RunTransferBench(const std::string& folder) {
    SystemClock clock;
    CancelAll boxes;
    PosixSerialPort serial(clock, folder);
    CountingPort port(serial);
    RSComm link(clock, boxes, folder);
    link.OnlineMode = true;
    link.OpenRSComm(port);
    if (!link.OnlineMode) return false;

    SetupTables tables;
    tables.BuildDefaults(clock.localDateTime());
    std::printf("%-28s %8s %10s %10s %10s\n", "whole data set", "bytes", "s", "wire 9600",
                "wire 19200");
    bool ok = true;
    for (const TransferDirection mode : {kTransferUpload, kTransferDownload}) {
        port.sent = 0;
        const double t0 = monotonicSeconds();
        const TransferReport r = DataTransfer(link, tables).RunTransfer(mode);
        const double took = monotonicSeconds() - t0;
        // One byte out and one back, ten bits each.
        const double wire9600 = port.sent * 20.0 / 9600, wire19200 = port.sent * 20.0 / 19200;
        std::printf("%-28s %8ld %10.3f %10.3f %10.3f%s\n",
                    mode == kTransferUpload ? "upload (items, PLS)" : "download (items, PLS)",
                    port.sent, took, wire9600, wire19200, r.complete() ? "" : "  (INCOMPLETE)");
        ok = ok && r.complete();
        minimumExchanges[mode == kTransferUpload ? 0 : 1] = port.sent;
    }
    link.CloseRSComm();

    std::printf("\n%-28s %8s %10s %10s\n", "from the transfer window", "bytes", "s", "minimum");
    std::printf("with the main display's pass paused (as the program runs them):\n");
    ok = RunWindowTransfers(folder, true) && ok;
    std::printf("with the main display's pass left running (for comparison):\n");
    RunWindowTransfers(folder, false);
    return ok;
}
