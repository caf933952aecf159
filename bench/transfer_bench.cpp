// A whole data upload and download (78 items, PLS configuration, eight
// channels) over the pseudo-terminal against k900-sim, timed beside the wire
// time of the same exchanges at 9600 and 19200 bit/s.
#include <time.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "data/Transfer.h"
#include "link/RSComm.h"
#include "platform/Clock.h"
#include "platform/PosixSerialPort.h"

using namespace voran;

namespace {

// The real port, counting the bytes the PC sends (one exchange each).
class CountingPort : public ISerialPort {
public:
    explicit CountingPort(ISerialPort& port) : port_(port) {}
    long sent = 0;
    void setPortNumber(int n) override { port_.setPortNumber(n); }
    int portNumber() const override { return port_.portNumber(); }
    bool setSettings(const std::string& s, PortError* e) override {
        return port_.setSettings(s, e);
    }
    std::string settings() const override { return port_.settings(); }
    bool open(PortError* e) override { return port_.open(e); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    int bytesWaiting() override { return port_.bytesWaiting(); }
    void discardInput() override { port_.discardInput(); }
    bool writeByte(std::uint8_t b) override {
        ++sent;
        return port_.writeByte(b);
    }
    int readByte() override { return port_.readByte(); }
    bool waitForByte(double deadline) override { return port_.waitForByte(deadline); }

private:
    ISerialPort& port_;
};

class CancelAll : public IMessageBox {
public:
    MsgResult show(const std::string& text, const std::string& title, MsgButtons,
                   MsgIcon) override {
        std::cerr << "  [box \"" << title << "\": " << text.substr(0, 40) << "...]\n";
        return MsgResult::Cancel;
    }
};

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

}  // namespace

// Runs one upload and one download against the simulator whose
// Support/COM1 link lies in `folder`. False when either was incomplete.
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
    }
    link.CloseRSComm();
    return ok;
}
