// A whole data upload over the pseudo-terminal and over loopback TCP against
// the same simulated board, each the best of three runs, with the ratio.
#include <time.h>

#include <cstdio>
#include <iostream>

#include "data/Transfer.h"
#include "link/RSComm.h"
#include "platform/Clock.h"
#include "platform/PortName.h"
#include "platform/PosixSerialPort.h"
#include "platform/TcpSerialPort.h"

using namespace voran;

namespace {

class CancelEvery : public IMessageBox {
public:
    MsgResult show(const std::string& text, const std::string& title, MsgButtons,
                   MsgIcon) override {
        std::cerr << "  [box \"" << title << "\": " << text.substr(0, 40) << "...]\n";
        return MsgResult::Cancel;
    }
};

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Seconds of one whole upload through `port`, or a negative number when it
// did not complete.
double timedUpload(ISerialPort& port, IClock& clock, const std::string& folder) {
    CancelEvery boxes;
    RSComm link(clock, boxes, folder);
    link.OnlineMode = true;
    link.OpenRSComm(port);
    if (!link.OnlineMode) return -1;
    SetupTables tables;
    tables.BuildDefaults(clock.localDateTime());
    const double t0 = now();
    const bool complete = DataTransfer(link, tables).RunTransfer(kTransferUpload).complete();
    const double took = now() - t0;
    link.CloseRSComm();
    return complete ? took : -1;
}

}  // namespace

bool RunNetworkUploadBench(const std::string& folder, const PortName& address) {
    double pty = 1e18, tcp = 1e18;
    bool ok = true;
    for (int round = 0; round < 3; ++round) {
        SystemClock clock;
        PosixSerialPort serial(clock, folder);
        const double p = timedUpload(serial, clock, folder);
        TcpSerialPort network(clock);
        network.setAddress(address);
        const double t = timedUpload(network, clock, folder);
        ok = ok && p >= 0 && t >= 0;
        if (p >= 0 && p < pty) pty = p;
        if (t >= 0 && t < tcp) tcp = t;
    }
    std::printf("%-28s %10s\n", "whole upload", "s");
    std::printf("%-28s %10.3f\n", "  pseudo-terminal", pty);
    std::printf("%-28s %10.3f\n", "  loopback TCP", tcp);
    std::printf("upload over TCP / over the pseudo-terminal: %.2f%s\n", tcp / pty,
                ok ? "" : "  (INCOMPLETE)");
    return ok;
}
