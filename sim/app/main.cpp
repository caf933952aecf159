// k900-sim: the simulated K-900 board on a pseudo-terminal, linked as
// <folder>/Support/COM<n> so that voran and voran-cli can go online without
// hardware.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <random>
#include <thread>
#include <tuple>

#include "SimBoard.h"
#include "SimDump.h"
#include "SimLossBurst.h"
#include "SimPls.h"
#include "SimProgram.h"
#include "Version.h"
#include "platform/Logging.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;
using voran::sim::SimBoard;

namespace {

volatile sig_atomic_t gStop = 0;
volatile sig_atomic_t gToggleSilent = 0;
volatile sig_atomic_t gToggleResolver = 0;
volatile sig_atomic_t gToggleFaults = 0;
volatile sig_atomic_t gDump = 0;
volatile sig_atomic_t gDie = 0;

void onStop(int) {
    gStop = 1;
}
void onToggle(int) {
    gToggleSilent = 1;
}
void onToggleResolver(int) {
    gToggleResolver = 1;
}
void onToggleFaults(int) {
    gToggleFaults = 1;
}
void onDump(int) {
    gDump = 1;
}
void onDie(int) {
    gDie = 1;
}

struct Options {
    int port = 1;
    std::string folder;
    std::string preset;
    std::string program;
    std::string programFault;
    std::optional<std::pair<int, int>> programMemory;
    bool live = false;
    bool demo = false;
    bool clock = false;
    bool still = false;
    bool silent = false;
    int dropEvery = 0;
    voran::sim::SimLossBurst burst;
    double replyDelay = 0;
    int rpm = 0;  // 0: the board's running speed
    // Serve on this TCP port of 127.0.0.1 instead of a pseudo-terminal (0: a
    // free one; -1: the pseudo-terminal).
    int tcp = -1;
    // Whole-board dumps on request.
    std::string dump;
    // Drops at random positions, repeatable from the stream number (-1: every N-th).
    long long dropStream = -1;
};

const char* const kUsage =
    "usage: k900-sim [options]\n"
    "Serves a simulated K-900 board on a pseudo-terminal and links\n"
    "<folder>/Support/COM<n> to it.\n"
    "  --port N           COM port number to link (1..99, default 1)\n"
    "  --folder DIR       program folder holding Support/ (default: the one voran uses,\n"
    "                     this program's folder or else ~/.local/share/voran)\n"
    "  --preset FILE      preset the board memory (lines \"ADDRESS VALUE\", # comments)\n"
    "  --program FILE     load an Intel HEX program image into the board memory\n"
    "  --program-fault F  misbehave in program mode: wrong-sum (first record),\n"
    "                     silent (no answer after the first record), stay (refuse to leave)\n"
    "  --program-memory FROM-TO\n"
    "                     the loader stores record bytes only from FROM to TO\n"
    "                     (hexadecimal, 2000-3FFF; default the whole memory)\n"
    "  --live             run the line: count cans, jam now and then, raise alarms\n"
    "  --demo             --live from the demonstration preset of the examples folder,\n"
    "                     holding its demonstration program DEMO.tnx (program memory\n"
    "                     4000-BFFF)\n"
    "                     (examples/ beside the program, or /usr/share/voran/examples)\n"
    "  --clock            run a real-time clock at B43008..B43017 (N-24, J-700 boards),\n"
    "                     from the host's time; it overlays the K-900 program memory\n"
    "  --still            the machine stands (by default the resolver turns)\n"
    "  --rpm N            running speed of the resolver (default 120)\n"
    "  --silent           hear nothing and answer nothing (a pulled cable)\n"
    "  --drop-every N     lose every N-th byte from the PC\n"
    "  --reply-delay S    answer S seconds late\n"
    "  --tcp PORT         serve the board on TCP port PORT of 127.0.0.1 (raw, one\n"
    "                     connection at a time; 0: a free port) instead of a\n"
    "                     pseudo-terminal: reach it as socket://127.0.0.1:PORT\n"
    "  --drop-stream S    with --drop-every N: lose each byte with a chance of 1 in N,\n"
    "                     at positions drawn from stream S (the same stream, the same bytes)\n"
    "  --lose-burst N[,after=K][,at=HEX][,times=R]\n"
    "                     lose N bytes from the PC in a row at a chosen moment: after\n"
    "                     its first K bytes and then right after it has sent the bytes\n"
    "                     HEX in a row (at=1FFC: the address of B8188, a configuration\n"
    "                     write); R bursts (default 1, 0: after every match)\n"
    "  --dump FILE        on SIGRTMIN+1 write all 64 KiB of memory, then the PLS state\n"
    "                     as text lines, to FILE (replaced whole)\n"
    "  --help, --version  say what it is and end\n"
    "Prints \"device <pty>\" and \"link <path>\" on stdout (with --tcp, \"listen\n"
    "127.0.0.1:PORT\"). SIGUSR1 toggles --silent, SIGUSR2 stops or starts the resolver,\n"
    "SIGRTMIN toggles --drop-every, --reply-delay and --lose-burst (a clean line and\n"
    "back), SIGRTMIN+1 writes the --dump file, SIGRTMIN+2 writes it and ends at once,\n"
    "as a board that dies between two bytes.\n"
    "Trace the wire with QT_LOGGING_RULES=\"voran.sim.debug=true\".\n";

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--live")
            o.live = true;
        else if (a == "--demo")
            o.demo = true;
        else if (a == "--clock")
            o.clock = true;
        else if (a == "--still")
            o.still = true;
        else if (a == "--silent")
            o.silent = true;
        else if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (a == "--version" || a == "-v") {
            std::cout << "k900-sim " VORAN_VERSION "\n";
            std::exit(0);
        } else if (a == "--port" && (v = value()))
            o.port = std::atoi(v);
        else if (a == "--folder" && (v = value()))
            o.folder = v;
        else if (a == "--preset" && (v = value()))
            o.preset = v;
        else if (a == "--program" && (v = value()))
            o.program = v;
        else if (a == "--program-fault" && (v = value()) &&
                 (std::string(v) == "wrong-sum" || std::string(v) == "silent" ||
                  std::string(v) == "stay"))
            o.programFault = v;
        else if (a == "--program-memory" && (v = value()) &&
                 (o.programMemory = voran::sim::SimProgram::parseProgramMemory(v))) {
        } else if (a == "--drop-every" && (v = value()))
            o.dropEvery = std::atoi(v);
        else if (a == "--lose-burst" && (v = value()) && o.burst.parse(v)) {
        } else if (a == "--rpm" && (v = value()))
            o.rpm = std::atoi(v);
        else if (a == "--reply-delay" && (v = value()))
            o.replyDelay = std::atof(v);
        else if (a == "--tcp" && (v = value()))
            o.tcp = std::string(v).find_first_not_of("0123456789") == std::string::npos &&
                            std::string(v).size() <= 5 && std::atoi(v) <= 65535
                        ? std::atoi(v)
                        : -2;
        else if (a == "--drop-stream" && (v = value()))
            o.dropStream = std::atoll(v);
        else if (a == "--dump" && (v = value()))
            o.dump = v;
        else {
            std::cerr << "k900-sim: bad option " << a << "\n" << kUsage;
            return false;
        }
    }
    if (o.port < 1 || o.port > 99) {
        std::cerr << "k900-sim: --port must be 1..99\n";
        return false;
    }
    if (o.tcp == -2) {
        std::cerr << "k900-sim: --tcp takes a TCP port 0..65535 (0: a free one)\n";
        return false;
    }
    if (o.folder.empty()) o.folder = voran::ProgramFolder();
    return true;
}

// A listening socket on 127.0.0.1:port (this machine only), or -1; `port`
// 0 takes a free one and is set to it.
int listenOn(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

double monotonic() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Links <folder>/Support/COM<n> to the pty, replacing a stale link of an
// earlier run but never a real file.
bool makeLink(const std::string& folder, int port, const std::string& target, std::string& link) {
    std::error_code ec;
    const std::string support = voran::ResolvePath(folder, "Support");
    fs::create_directories(support, ec);
    link = voran::ResolvePath(folder, "Support/COM" + std::to_string(port));
    if (fs::exists(fs::symlink_status(link, ec)) && !fs::is_symlink(fs::symlink_status(link, ec))) {
        std::cerr << "k900-sim: " << link << " exists and is not a link; not replacing it\n";
        return false;
    }
    const std::string temp = link + ".k900-sim." + std::to_string(::getpid());
    fs::create_symlink(target, temp, ec);
    if (!ec) fs::rename(temp, link, ec);
    if (ec) {
        fs::remove(temp);
        std::cerr << "k900-sim: cannot link " << link << ": " << ec.message() << "\n";
        return false;
    }
    return true;
}

void removeLink(const std::string& link, const std::string& target) {
    std::error_code ec;
    // Only our own link: another simulator may have taken the name since.
    if (fs::is_symlink(link, ec) && fs::read_symlink(link, ec).string() == target)
        fs::remove(link, ec);
}

// The examples: beside the program in the build tree, under share/voran
// for an installed one.
std::string ExamplesFolder() {
    const std::string exe = voran::ExecutableFolder();
    std::error_code ec;
    if (fs::is_directory(exe + "/examples", ec)) return exe + "/examples";
    return exe + "/" + voran::kInstalledDefaults + "/examples";
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parse(argc, argv, opt)) return 2;
    // The demonstration: a line part-way through a shift, running, on a
    // K-900(PLC) that holds the demonstration program (DEMO.tnx of the
    // examples) and its ident.
    std::string demoRevision;
    if (opt.demo) {
        opt.live = true;
        if (opt.preset.empty()) opt.preset = ExamplesFolder() + "/demo.preset";
        if (opt.program.empty()) {
            opt.program = ExamplesFolder() + "/DEMO.hex";
            demoRevision = ExamplesFolder() + "/DEMO.rev";
        }
        if (!opt.programMemory) opt.programMemory = std::pair{0x4000, 0xBFFF};
    }

    SimBoard board;
    if (!opt.preset.empty()) {
        std::string error;
        if (!board.loadPresetFile(opt.preset, &error)) {
            std::cerr << "k900-sim: " << error << "\n";
            return 1;
        }
    }
    if (!opt.program.empty()) {
        std::string error;
        if (!voran::sim::SimProgram::loadHexFile(board, opt.program, &error) ||
            (!demoRevision.empty() &&
             !voran::sim::SimProgram::loadRevisionFile(board, demoRevision, &error))) {
            std::cerr << "k900-sim: " << error << "\n";
            return 1;
        }
    }
    board.program().wrongSumAt = opt.programFault == "wrong-sum" ? 1 : 0;
    board.program().silentAfter = opt.programFault == "silent" ? 1 : 0;
    board.program().refuseExit = opt.programFault == "stay";
    if (opt.programMemory)
        std::tie(board.program().programFrom, board.program().programTo) = *opt.programMemory;
    board.setLive(opt.live);
    if (opt.clock) {
        // The board's clock starts at the host's local time.
        const std::time_t t = std::time(nullptr);
        std::tm local{};
        localtime_r(&t, &local);
        board.rtc().start({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec},
                          monotonic());
    }
    if (opt.rpm > 0) board.pls().liveRpm = opt.rpm;
    board.pls().resolverRunning = !opt.still;

    int master = -1, slave = -1, listener = -1, client = -1;
    std::string device, link;
    if (opt.tcp >= 0) {
        listener = listenOn(opt.tcp);
        if (listener < 0) {
            std::cerr << "k900-sim: cannot listen on 127.0.0.1:" << opt.tcp << ": "
                      << std::strerror(errno) << "\n";
            return 1;
        }
        // A client gone mid-answer must not end the board.
        ::signal(SIGPIPE, SIG_IGN);
    } else {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            std::cerr << "k900-sim: no pseudo-terminal: " << std::strerror(errno) << "\n";
            return 1;
        }
        device = ::ptsname(master);
        // Hold the far side open ourselves: its line settings stay raw between
        // clients, and the master does not report a hang-up while no client is
        // connected, so voran can close and reopen the port at will.
        slave = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (slave < 0 || ::tcgetattr(slave, &tio) != 0) {
            std::cerr << "k900-sim: cannot set up " << device << ": " << std::strerror(errno)
                      << "\n";
            return 1;
        }
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);

        if (!makeLink(opt.folder, opt.port, device, link)) return 1;
    }

    struct sigaction sa {};
    sa.sa_handler = onStop;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    sa.sa_handler = onToggle;
    ::sigaction(SIGUSR1, &sa, nullptr);
    sa.sa_handler = onToggleResolver;
    ::sigaction(SIGUSR2, &sa, nullptr);
    sa.sa_handler = onToggleFaults;
    ::sigaction(SIGRTMIN, &sa, nullptr);
    sa.sa_handler = onDump;
    ::sigaction(SIGRTMIN + 1, &sa, nullptr);
    sa.sa_handler = onDie;
    ::sigaction(SIGRTMIN + 2, &sa, nullptr);

    if (listener >= 0) {
        std::cout << "listen 127.0.0.1:" << opt.tcp << std::endl;
        qCInfo(lcSim, "serving socket://127.0.0.1:%d", opt.tcp);
    } else {
        std::cout << "device " << device << "\nlink " << link << std::endl;
        qCInfo(lcSim, "serving %s as COM%d (%s)", device.c_str(), opt.port, link.c_str());
    }

    bool silent = opt.silent;
    bool faults = true;
    long long heard = 0;
    double lastTick = monotonic();
    std::mt19937_64 dropDraw(static_cast<std::uint64_t>(opt.dropStream));
    const auto dropNow = [&] {
        if (opt.dropEvery <= 0) return false;
        if (opt.dropStream < 0) return heard % opt.dropEvery == 0;
        return dropDraw() % static_cast<std::uint64_t>(opt.dropEvery) == 0;
    };
    while (!gStop) {
        // The board dies between two bytes: what it held then goes to the
        // dump file, and it is gone as a killed process is (nothing tidied).
        if (gDie) {
            std::string error;
            if (!opt.dump.empty() && !voran::sim::WriteBoardDump(board, opt.dump, &error))
                std::cerr << "k900-sim: " << error << std::endl;
            ::_exit(137);
        }
        if (gDump) {
            gDump = 0;
            std::string error;
            if (!opt.dump.empty() && !voran::sim::WriteBoardDump(board, opt.dump, &error))
                std::cerr << "k900-sim: " << error << std::endl;
        }
        if (gToggleSilent) {
            gToggleSilent = 0;
            silent = !silent;
            std::cerr << "k900-sim: " << (silent ? "silent" : "answering") << std::endl;
        }
        if (gToggleResolver) {
            gToggleResolver = 0;
            auto& pls = board.pls();
            pls.resolverRunning = !pls.resolverRunning;
            std::cerr << "k900-sim: resolver " << (pls.resolverRunning ? "turning" : "stopped")
                      << std::endl;
        }
        if (gToggleFaults) {
            gToggleFaults = 0;
            faults = !faults;
            std::cerr << "k900-sim: " << (faults ? "line faults on" : "clean line") << std::endl;
        }
        // The pseudo-terminal; or the connected client, else the listener.
        const int io = listener < 0 ? master : client >= 0 ? client : listener;
        pollfd p{io, POLLIN, 0};
        // The resolver moves (or may be started) at any time: a short poll.
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) break;

        const double now = monotonic();
        // With --live the whole line runs; otherwise the machine turns (unless
        // its resolver is stopped) with the counters left alone.
        if (opt.live)
            board.tick(now - lastTick);
        else
            board.pls().liveTick(now - lastTick);
        lastTick = now;
        if (r <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        if (io == listener) {
            client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            const int one = 1;
            if (client >= 0) ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            continue;
        }

        std::uint8_t in[256];
        const ssize_t n = ::read(io, in, sizeof in);
        if (n <= 0) {
            // The client went away: the board waits for the next one, keeping
            // what it holds (a half frame too, as a board whose cable was
            // pulled would).
            if (io == client && (n == 0 || (errno != EINTR && errno != EAGAIN))) {
                ::close(client);
                client = -1;
            }
            continue;
        }
        std::uint8_t out[256];
        int count = 0;
        for (ssize_t k = 0; k < n; ++k) {
            ++heard;
            const bool burstLost = opt.burst.lose(in[k]);
            if (silent) continue;
            if (faults && burstLost) {
                qCDebug(lcSim, "PC -> %02X (lost in a burst)", in[k]);
                continue;
            }
            if (faults && dropNow()) {
                qCDebug(lcSim, "PC -> %02X (lost)", in[k]);
                continue;
            }
            const auto answer = board.receive(in[k], now);
            qCDebug(lcSim, "PC -> %02X, board <- %s", in[k],
                    answer ? QByteArray::number(*answer, 16).toUpper().constData() : "none");
            if (answer) out[count++] = *answer;
        }
        if (count == 0) continue;
        if (faults && opt.replyDelay > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(opt.replyDelay));
        for (int done = 0; done < count;) {
            const ssize_t w = ::write(io, out + done, count - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) break;
            done += static_cast<int>(w);
        }
    }

    if (listener >= 0) {
        if (client >= 0) ::close(client);
        ::close(listener);
    } else {
        removeLink(link, device);
        ::close(slave);
        ::close(master);
    }
    qCInfo(lcSim, "stopped");
    return 0;
}
