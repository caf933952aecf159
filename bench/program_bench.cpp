// A whole K-900 program image (32768 bytes, 2048 records) downloaded and
// uploaded over the pseudo-terminal against k900-sim, beside the protocol's
// minimum byte counts and their wire time at 9600 and 19200 bit/s.
#include <time.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "link/RSComm.h"
#include "platform/Clock.h"
#include "platform/ForwardingPort.h"
#include "platform/PosixSerialPort.h"
#include "program/HexImage.h"
#include "program/ProgramDownload.h"
#include "program/ProgramFiles.h"
#include "program/ProgramUpload.h"

using namespace voran;

namespace {

// The real port, counting the bytes each way.
class TallyPort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    long out = 0, in = 0;
    bool writeByte(std::uint8_t b) override {
        ++out;
        return inner_.writeByte(b);
    }
    int readByte() override {
        const int b = inner_.readByte();
        if (b >= 0) ++in;
        return b;
    }
};

// Answers the download's question Yes and reports every other box.
class YesBoxes : public IMessageBox {
public:
    std::string last;
    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon) override {
        if (buttons == MsgButtons::YesNoCancel) return MsgResult::Yes;
        last = text;
        if (text.find("Complete!") == std::string::npos)
            std::cerr << "  [box \"" << title << "\": " << text.substr(0, 60) << "]\n";
        return EscapeAnswer(buttons);
    }
};

double seconds(clockid_t id = CLOCK_MONOTONIC) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Wall and CPU time of one run per byte the PC sent, beside the totals; on a
// busy machine the CPU figure is the one to hold against the link's own.
void row(const char* what, long out, long in, long minOut, long minIn, double took, double cpu) {
    const double wire = (out + in) * 10.0;
    std::printf("%-30s %7ld %7ld %7ld %7ld %8.3f %9.1f %9.1f %7.1f %7.1f\n", what, out, in, minOut,
                minIn, took, wire / 9600, wire / 19200, took / out * 1e6, cpu / out * 1e6);
}

}  // namespace

// Downloads and uploads a whole K-900 image against the simulator whose
// Support/COM1 link lies in `folder`. False when either did not complete or
// the image did not come back byte for byte.
bool RunProgramBench(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path sets = fs::path(folder) / "program-bench";
    fs::create_directories(sets);
    std::string bytes(0x8000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + (i >> 8));
    std::string image;
    for (int a = 0; a < 0x8000; a += 16)
        image += HexRecordLine(0x4000 + a, reinterpret_cast<const std::uint8_t*>(&bytes[a]), 16);
    image += std::string(kHexEndRecord) + "\r\n";
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream((sets / name).string(), std::ios::binary) << text;
    };
    write("sent.tnx", "DBENCH\r\n");
    write("sent.rev", "BENCH-01=\?0:\r\n");
    write("sent.hex", image);
    write("back.tnx", "DBENCH\r\n");

    SystemClock clock;
    YesBoxes boxes;
    PosixSerialPort serial(clock, folder);
    TallyPort port(serial);
    RSComm link(clock, boxes, folder);
    link.OnlineMode = true;
    link.OpenRSComm(port);
    if (!link.OnlineMode) return false;

    std::printf("%-30s %7s %7s %7s %7s %8s %9s %9s %7s %7s\n", "whole K-900 program", "out", "in",
                "min out", "min in", "s", "wire 9600", "wire19200", "us/out", "CPU us");
    // The minimum: 22 bytes each way to read the ident block, 9 + 2 to enter
    // program mode, each record's count, address and data with one answer,
    // 1 to leave, 32 for the ident block; an upload one handshake and a pair
    // per byte.
    const long records = 0x8000 / 16;
    const long minDownOut = 22 + 9 + 2 + records * 19 + 1 + 32;
    const long minDownIn = 22 + 9 + 2 + records + 1 + 32;
    const long minUp = 2 + 2 * (10 + 0x8000);

    ProgramState down;
    DownloadFile(down.set, (sets / "sent.tnx").string(), boxes);
    port.out = port.in = 0;
    double t0 = seconds(), c0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const DownloadOutcome d = DumpProgram(link, down, boxes);
    double took = seconds() - t0, cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - c0;
    row("download (incl. 2.1 s pauses)", port.out, port.in, minDownOut, minDownIn, took, cpu);
    bool ok = d == DownloadOutcome::Complete;

    for (const bool events : {false, true}) {
        ProgramState up;
        UploadFile(up.set, (sets / "back.tnx").string(), boxes);
        up.progress.InUploadMode = true;
        if (events) up.doEvents = [] { QCoreApplication::processEvents(); };
        port.out = port.in = 0;
        t0 = seconds();
        c0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
        const UploadOutcome u = UploadProgram(link, up, boxes);
        took = seconds() - t0;
        cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - c0;
        row(events ? "upload, events per record" : "upload", port.out, port.in, minUp, minUp, took,
            cpu);
        std::ifstream back((sets / "back.hex").string(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(back), {}};
        ok = ok && u == UploadOutcome::Complete && text == image;
    }
    std::printf("image back byte for byte: %s\n", ok ? "yes" : "NO");
    link.CloseRSComm();
    return ok;
}
