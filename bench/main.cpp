// voran-bench: what the link costs per byte exchange over a real
// pseudo-terminal against k900-sim, beside a bare write/poll/read loop, and
// what a reply time-out costs in CPU time.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <deque>

#include "link/RSComm.h"
#include "link/TrafficDecoder.h"
#include "link/TrafficPort.h"
#include "link/ui/TrafficModel.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/AliveWait.h"
#include "platform/BusyPort.h"
#include "platform/PortName.h"
#include "platform/PosixSerialPort.h"
#include "platform/TcpSerialPort.h"
#include "platform/qt/QtEventTurn.h"
#include "platform/qt/QtSerialPort.h"

extern char** environ;
namespace fs = std::filesystem;
using namespace voran;

bool RunTransferBench(const std::string& folder);  // transfer_bench.cpp
// network_bench.cpp
bool RunNetworkUploadBench(const std::string& folder, const voran::PortName& address);
bool RunProgramBench(const std::string& folder);  // program_bench.cpp
bool RunHistoryBench(const std::string& folder);  // history_bench.cpp

namespace {

constexpr double kWire9600 = 20.0 / 9600 * 1e6;    // µs for one byte out and one back
constexpr double kWire19200 = 20.0 / 19200 * 1e6;  // µs

double wallNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}
double cpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

struct Figure {
    double wall = 0;  // µs per exchange
    double cpu = 0;   // CPU µs per exchange
    bool ok = true;
};

Figure measure(long exchanges, const std::function<bool()>& run) {
    const double w0 = wallNow(), c0 = cpuNow();
    const bool ok = run();
    return {(wallNow() - w0) / exchanges, (cpuNow() - c0) / exchanges, ok};
}

// Answers every link box with Cancel and says so.
class CancelBoxes : public IMessageBox {
public:
    MsgResult show(const std::string& text, const std::string& title, MsgButtons,
                   MsgIcon) override {
        ++shown;
        std::cerr << "  [box \"" << title << "\": " << text.substr(0, 40) << "...]\n";
        return MsgResult::Cancel;
    }
    int shown = 0;
};

// One k900-sim, serving a pseudo-terminal linked as <folder>/Support/COM1.
class Simulator {
public:
    Simulator(const std::string& exe, const std::string& folder, bool silent,
              std::vector<std::string> extra = {}) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        std::string f = folder;
        std::vector<char*> argv = {const_cast<char*>(exe.c_str()), const_cast<char*>("--folder"),
                                   f.data()};
        if (silent) argv.push_back(const_cast<char*>("--silent"));
        for (std::string& e : extra) argv.push_back(e.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, exe.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        // "device <pty>" then "link <path>"
        FILE* in = ::fdopen(out[0], "r");
        char line[512];
        while (in && std::fgets(line, sizeof line, in)) {
            std::string s(line);
            if (!s.empty() && s.back() == '\n') s.pop_back();
            if (s.rfind("device ", 0) == 0) device = s.substr(7);
            if (s.rfind("link ", 0) == 0) {
                link = s.substr(5);
                break;
            }
            // With --tcp: "listen 127.0.0.1:<port>".
            if (s.rfind("listen ", 0) == 0) {
                link = "socket://" + s.substr(7);
                break;
            }
        }
        out_ = in;
    }
    ~Simulator() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_) std::fclose(out_);
    }
    bool ok() const { return pid_ > 0 && !link.empty(); }
    std::string device, link;

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

// The baseline: the same bytes with nothing but write, poll and read.
bool bareLoop(const std::string& device, long pairs) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &tio);
    ::tcflush(fd, TCIOFLUSH);
    const auto exchange = [fd](std::uint8_t b) -> int {
        if (::write(fd, &b, 1) != 1) return -1;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) != 1) return -1;
        std::uint8_t r = 0;
        return ::read(fd, &r, 1) == 1 ? r : -1;
    };
    bool ok = exchange(0xFF) == 0x55 && exchange(0x01) == 0x55;
    for (long i = 0; ok && i < pairs; ++i) {
        ok = exchange(0x00) == 0x00 && exchange(0xB6) >= 0;  // reads byte 182
    }
    exchange(0xFF);
    ::close(fd);
    return ok;
}

// No wait cursor in a benchmark.
struct NoSign : IBusyIndicator {
    void busy(bool) override {}
};

// The link: RSRead of a byte item, two exchanges per read once in mode 1.
bool linkLoop(ISerialPort& port, const std::string& folder, long pairs, IClock* linkClock = nullptr,
              ILinkObserver* observer = nullptr) {
    SystemClock systemClock;
    IClock& clock = linkClock ? *linkClock : systemClock;
    CancelBoxes boxes;
    RSComm link(clock, boxes, folder);
    link.setObserver(observer);
    link.OnlineMode = true;
    link.OpenRSComm(port);
    if (!link.OnlineMode) return false;
    link.RSRead("B182");  // handshake into read mode outside the count
    bool ok = true;
    for (long i = 0; ok && i < pairs; ++i) {
        link.RSRead(i % 2 ? "B182" : "B183");
        ok = !link.CommError;
    }
    link.CloseRSComm();
    return ok;
}

const char* const kBenchUsage =
    "usage: voran-bench [PAIRS]\n"
    "Measures the link against k900-sim (from this program's folder) on a\n"
    "pseudo-terminal: PAIRS reads of two byte exchanges each per run (default\n"
    "10000, 1..1000000), a whole upload and download, and reply time-outs.\n";

// A count of read pairs: digits only, 1 .. 1000000.
std::optional<long> pairCount(const std::string& text) {
    if (text.empty() || text.size() > 7) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    const long n = std::stol(text);
    if (n < 1 || n > 1000000) return std::nullopt;
    return n;
}

void row(const char* name, const Figure& f, const Figure& base) {
    std::printf("%-28s %8.1f %8.1f %7.2f %9.1f%% %9.1f%%%s\n", name, f.wall, f.cpu,
                base.wall > 0 ? f.wall / base.wall : 0.0, 100 * f.wall / kWire9600,
                100 * f.wall / kWire19200, f.ok ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
    long pairs = 10000;
    if (argc > 1) {
        const std::string a = argv[1];
        if (a == "--help" || a == "-h") {
            std::cout << kBenchUsage;
            return 0;
        }
        const std::optional<long> n = argc == 2 ? pairCount(a) : std::nullopt;
        if (!n) {
            std::cerr << "voran-bench: "
                      << (argc == 2 ? "not a number of read pairs: " + a
                                    : std::string("one argument at most"))
                      << "\n"
                      << kBenchUsage;
            return 2;
        }
        pairs = *n;
    }
    // Widgets for the window-driven transfers; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long exchanges = 2 * pairs;

    const std::string exe = ExecutableFolder() + "/k900-sim";
    const fs::path tmp = fs::temp_directory_path() / ("voran-bench-" + std::to_string(::getpid()));
    fs::create_directories(tmp / "live");
    fs::create_directories(tmp / "silent");

    Simulator sim(exe, (tmp / "live").string(), false);
    // The same board served on a TCP port of 127.0.0.1, as a device server would.
    fs::create_directories(tmp / "tcp");
    Simulator tcpSim(exe, (tmp / "tcp").string(), false, {"--tcp", "0"});
    const std::optional<PortName> tcpAddress = ParsePortName(tcpSim.link).name;
    if (!sim.ok() || !tcpSim.ok() || !tcpAddress) {
        std::cerr << "voran-bench: cannot start " << exe << "\n";
        return 1;
    }
    std::printf("k900-sim on %s; %ld exchanges per run\n\n", sim.device.c_str(), exchanges);
    std::printf("%-28s %8s %8s %7s %10s %10s\n", "per exchange", "us", "CPU us", "x bare",
                "of 9600", "of 19200");

    // Alternate runs and keep each one's best, so that a busy moment of the
    // machine does not decide the comparison.
    Figure bare{1e18, 1e18}, posix{1e18, 1e18}, qt{1e18, 1e18}, tcp{1e18, 1e18}, alive{1e18, 1e18},
        idle{1e18, 1e18}, watched{1e18, 1e18};
    const auto keepBest = [](Figure& best, const Figure& f) {
        if (f.wall < best.wall) best = f;
        best.ok = best.ok && f.ok;
    };
    const std::string folder = (tmp / "live").string();
    for (int round = 0; round < 3; ++round) {
        keepBest(bare, measure(exchanges, [&] { return bareLoop(sim.device, pairs); }));
        keepBest(posix, measure(exchanges, [&] {
                     SystemClock clock;
                     PosixSerialPort port(clock, folder);
                     return linkLoop(port, folder, pairs);
                 }));
        keepBest(qt, measure(exchanges, [&] {
                     SystemClock clock;
                     QtSerialPort port(clock, folder);
                     return linkLoop(port, folder, pairs);
                 }));
        keepBest(tcp, measure(exchanges, [&] {
                     SystemClock clock;
                     TcpSerialPort port(clock);
                     port.setAddress(*tcpAddress);
                     return linkLoop(port, folder, pairs);
                 }));
        // The traffic port without and with the traffic monitor's observer,
        // which decodes every byte into the monitor's model.
        keepBest(idle, measure(exchanges, [&] {
                     SystemClock clock;
                     PosixSerialPort port(clock, folder);
                     TrafficPort traffic(port, clock);
                     return linkLoop(traffic, folder, pairs);
                 }));
        keepBest(watched, measure(exchanges, [&] {
                     SystemClock clock;
                     PosixSerialPort port(clock, folder);
                     TrafficPort traffic(port, clock);
                     // The monitor window's path: lines gathered as they
                     // come, handed to its model in batches (its timer's
                     // work), the model keeping the newest 100,000.
                     TrafficModel model;
                     std::vector<TrafficLine> pending;
                     TrafficTap tap(clock.now(), [&](const TrafficLine& l) {
                         pending.push_back(l);
                         if (pending.size() < 1000) return;
                         model.append(pending);
                         pending.clear();
                     });
                     traffic.setObserver(&tap);
                     return linkLoop(traffic, folder, pairs, nullptr, &tap);
                 }));
        // As the window wires it: waits that turn the event loop.
        keepBest(alive, measure(exchanges, [&] {
                     SystemClock clock;
                     PosixSerialPort port(clock, folder);
                     QtEventTurn turns(clock);
                     AliveWait wait(clock, turns);
                     AliveClock aliveClock(clock, wait);
                     NoSign sign;
                     BusyPort busyPort(port, clock, sign, BusyPort::kMoment, &wait);
                     return linkLoop(busyPort, folder, pairs, &aliveClock);
                 }));
    }
    row("bare write/poll/read", bare, bare);
    row("RSComm + PosixSerialPort", posix, bare);
    row("RSComm + QtSerialPort", qt, bare);
    row("RSComm + Posix, alive waits", alive, bare);
    row("RSComm + TcpSerialPort", tcp, bare);
    row("RSComm + traffic port, idle", idle, bare);
    row("RSComm + traffic monitor", watched, bare);
    std::printf(
        "exchanges per second: %.0f over the pseudo-terminal, %.0f over loopback TCP "
        "(TCP/pty time %.2f)\n",
        1e6 / posix.wall, 1e6 / tcp.wall, tcp.wall / posix.wall);
    std::printf("wire time of one exchange: %.0f us at 9600, %.0f us at 19200 bit/s\n\n", kWire9600,
                kWire19200);
    const bool transferOk = RunTransferBench(folder);
    std::printf("\n");
    const bool networkOk = RunNetworkUploadBench(folder, *tcpAddress);
    std::printf("\n");
    const bool programOk = RunProgramBench(folder);
    std::printf("\n");
    const bool historyOk = RunHistoryBench(folder);
    std::printf("\n");

    // Reply time-outs against a silent board.
    Simulator silent(exe, (tmp / "silent").string(), true);
    const std::string sfolder = (tmp / "silent").string();
    {
        SystemClock clock;
        PosixSerialPort port(clock, sfolder);
        port.open(nullptr);
        port.writeByte(0xFF);
        const Figure f = measure(1, [&] { return !port.waitForByte(clock.now() + 1.0); });
        std::printf("1 s reply time-out, PosixSerialPort: %7.2f ms CPU (%.3f s)\n", f.cpu / 1000,
                    f.wall / 1e6);
    }
    {
        SystemClock clock;
        QtSerialPort port(clock, sfolder);
        port.open(nullptr);
        port.writeByte(0xFF);
        const Figure f = measure(1, [&] { return !port.waitForByte(clock.now() + 1.0); });
        std::printf("1 s reply time-out, QtSerialPort:    %7.2f ms CPU (%.3f s)\n", f.cpu / 1000,
                    f.wall / 1e6);
    }
    {
        SystemClock clock;
        CancelBoxes boxes;
        PosixSerialPort port(clock, sfolder);
        RSComm link(clock, boxes, sfolder);
        link.OnlineMode = true;
        const Figure f = measure(1, [&] {
            link.OpenRSComm(port);  // 1 s + 2 s + 2 s, then the cable box (Cancel)
            return link.CommError && boxes.shown == 1;
        });
        link.CloseRSComm();
        std::printf("silent board, whole 1+2+2 s sequence: %7.2f ms CPU (%.3f s)%s\n", f.cpu / 1000,
                    f.wall / 1e6, f.ok ? "" : "  (unexpected outcome)");
    }

    std::printf(
        "\ntargets: link <= 1.3 x bare (%.2f), link < 5%% of 19200 wire time (%.1f%%), "
        "time-out < 10 ms CPU, traffic monitor <= 1.05 x link (%.2f)\n",
        posix.wall / bare.wall, 100 * posix.wall / kWire19200, watched.wall / posix.wall);
    std::printf("port for Linux: %s\n",
                posix.wall <= qt.wall ? "PosixSerialPort" : "QtSerialPort (faster here)");
    fs::remove_all(tmp);
    return bare.ok && posix.ok && qt.ok && tcp.ok && transferOk && networkOk && programOk &&
                   historyOk
               ? 0
               : 1;
}
