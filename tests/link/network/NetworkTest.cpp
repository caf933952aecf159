// The link through the network: a raw TCP connection to the simulated board
// on 127.0.0.1 side by side with the in-process board, and voran-cli through
// k900-sim serving TCP, through ser2net and over the pseudo-terminal itself.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeMessageBox.h"
#include "ProgramRun.h"
#include "SimBoard.h"
#include "SimPls.h"
#include "SimPort.h"
#include "Spawn.h"
#include "data/SetupFile.h"
#include "data/Transfer.h"
#include "link/RSComm.h"
#include "platform/Clock.h"
#include "platform/NamedPort.h"
#include "platform/PortName.h"
#include "platform/PosixSerialPort.h"
#include "platform/TcpSerialPort.h"

namespace voran::testing {
namespace {

// A TCP socket bound to a free port of 127.0.0.1 and not listening (-1 when
// none could be made); `port` receives the port's number.
inline int BoundLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port = ntohs(a.sin_port);
        return fd;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

// The simulated board behind a raw TCP server on 127.0.0.1 (a free port),
// served from a thread of its own as a serial device server would, one
// connection at a time. It can close the connection at a given byte, or take
// bytes and answer nothing.
class LoopbackBoard {
public:
    LoopbackBoard() {
        listener_ = BoundLoopbackSocket(port_);
        if (listener_ >= 0 && ::listen(listener_, 4) == 0)
            thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackBoard() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
    }
    LoopbackBoard(const LoopbackBoard&) = delete;
    LoopbackBoard& operator=(const LoopbackBoard&) = delete;

    std::string address() const { return "socket://127.0.0.1:" + std::to_string(port_); }

    // The connection is closed as the PC's byte with this number (counted
    // over all connections, from 1) arrives; the board never gets that byte
    // (0: never).
    std::atomic<long long> closeAt{0};
    // Bytes are taken and nothing is answered.
    std::atomic<bool> silent{false};
    // Bytes the PC sent, over all connections.
    long long bytesHeard() const { return heard_; }
    int connections() const { return connections_; }
    // The PC's bytes as they arrived (under the lock of withBoard).
    std::vector<std::uint8_t> heard() {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }

    // Runs `f` on the board while the server does not touch it.
    template <typename F>
    auto withBoard(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(board_);
    }

private:
    void serve() {
        int client = -1;
        while (!stop_) {
            pollfd p{client >= 0 ? client : listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (client < 0) {
                client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                const int one = 1;
                if (client >= 0) {
                    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    ++connections_;
                }
                continue;
            }
            std::uint8_t in[256];
            const ssize_t n = ::recv(client, in, sizeof in, 0);
            if (n <= 0) {
                ::close(client);
                client = -1;
                continue;
            }
            std::vector<std::uint8_t> out;
            bool close = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                const double now = std::chrono::duration<double>(
                                       std::chrono::steady_clock::now().time_since_epoch())
                                       .count();
                for (ssize_t k = 0; k < n && !close; ++k) {
                    ++heard_;
                    log_.push_back(in[k]);
                    if (closeAt != 0 && heard_ == closeAt) {
                        close = true;
                        break;
                    }
                    if (silent) continue;
                    if (const auto answer = board_.receive(in[k], now)) out.push_back(*answer);
                }
            }
            if (!out.empty()) ::send(client, out.data(), out.size(), MSG_NOSIGNAL);
            if (close) {
                ::close(client);
                client = -1;
            }
        }
        if (client >= 0) ::close(client);
    }

    sim::SimBoard board_;
    std::mutex mutex_;
    std::vector<std::uint8_t> log_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<long long> heard_{0};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

void presetBoard(sim::SimBoard& b) {
    for (const auto& [address, value] : std::vector<std::pair<std::string, std::int64_t>>{
             {"W1000", 111}, {"B1030", 9}, {"W1042", 2048}, {"D1100", 19999}, {"W1072", 7}})
        b.preset(address, value);
    b.pls().setBusyPolls(0);
}

// What a download changes.
void change(SetupData& d) {
    d.Value[0] = 222;
    d.Value[37] = 4095;
    d.SpeedComp[7] = 12;
    d.Setpoint[2] = {10, 20};
}

SetupData unstamped(SetupData d) {
    d.Stamp = 0;
    return d;
}

class NetworkLink : public ::testing::Test {
protected:
    NetworkLink() {
        folder.write("Support/RSPort.cfg", "4,9600\n");
        folder.write("Support/PortMap.cfg", "4," + server.address() + "\n");
        server.withBoard(presetBoard);
        presetBoard(reference);
        for (SetupTables* t : {&tables, &refTables}) t->BuildDefaults({2026, 1, 2, 3, 4, 5, 0});
    }
    ~NetworkLink() override {
        link.CloseRSComm();
        refLink.CloseRSComm();
    }

    // The same transfer on both boards; the network one's report.
    TransferReport transfer(TransferDirection direction) {
        const TransferReport r = DataTransfer(refLink, refTables).RunTransfer(direction);
        EXPECT_TRUE(r.complete()) << "the in-process board's transfer";
        return DataTransfer(link, tables).RunTransfer(direction);
    }
    std::array<std::uint8_t, 65536> served() {
        return server.withBoard([](sim::SimBoard& b) { return b.memory(); });
    }
    void online() {
        link.OpenRSComm(port);
        refLink.OpenRSComm(refPort);
        ASSERT_TRUE(link.OnlineMode) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
        ASSERT_TRUE(refLink.OnlineMode);
    }

    TempFolder folder;
    LoopbackBoard server;
    SystemClock clock;
    FakeMessageBox boxes;
    PosixSerialPort device{clock, folder.path()};
    NamedPort port{clock, folder.path(), device};
    RSComm link{clock, boxes, folder.path()};
    SetupTables tables;

    sim::SimBoard reference;
    ManualClock manual;
    sim::SimPort refPort{reference, manual};
    FakeMessageBox refBoxes;
    TempFolder refFolder;
    RSComm refLink{manual, refBoxes, refFolder.path()};
    SetupTables refTables;
};

TEST_F(NetworkLink, ReadsWritesAndMovesWholeDataSetsExactlyAsOverTheSerialLine) {
    online();
    EXPECT_EQ(port.target().text(), server.address()) << "COM4 is mapped to the address";
    EXPECT_EQ(link.RSRead("D1100"), "19999");
    EXPECT_EQ(link.RSRead("W1000"), "111");
    EXPECT_TRUE(link.RSWrite("W182", "4321"));
    EXPECT_TRUE(refLink.RSWrite("W182", "4321"));
    EXPECT_EQ(server.withBoard([](sim::SimBoard& b) { return b.peek("W182"); }), 4321);

    ASSERT_TRUE(transfer(kTransferUpload).complete());
    EXPECT_EQ(unstamped(tables.CurrentData), unstamped(refTables.CurrentData));
    EXPECT_EQ(tables.CurrentData.Value[0], 111);

    change(tables.CurrentData);
    change(refTables.CurrentData);
    ASSERT_TRUE(transfer(kTransferDownload).complete());
    EXPECT_TRUE(served() == reference.memory()) << "the same bytes in the board's memory";
    ASSERT_TRUE(transfer(kTransferUpload).complete());
    EXPECT_EQ(unstamped(tables.CurrentData), unstamped(refTables.CurrentData));
    EXPECT_EQ(tables.CurrentData.Setpoint[2], (std::array<std::int16_t, 2>{10, 20}));

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(server.connections(), 1);
    // The far side of the wire saw the link's own bytes, nothing of TCP's.
    const auto heard = server.heard();
    const auto sent = refPort.sent();
    ASSERT_GE(heard.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.end() - 200, sent.end(), heard.end() - 200))
        << "the last exchanges are byte for byte those of the serial line";
}

TEST_F(NetworkLink, AConnectionDroppedMidTransferNeverPassesForSuccessAndRetryConnectsAgain) {
    const std::pair<TransferDirection, MsgResult> cases[] = {{kTransferUpload, MsgResult::Cancel},
                                                             {kTransferUpload, MsgResult::Retry},
                                                             {kTransferDownload, MsgResult::Cancel},
                                                             {kTransferDownload, MsgResult::Retry}};
    for (const auto& [direction, answer] : cases) {
        const bool upload = direction == kTransferUpload;
        SCOPED_TRACE(std::string(upload ? "upload" : "download") +
                     (answer == MsgResult::Retry ? ", Retry" : ", Cancel"));
        online();
        boxes.shown.clear();
        boxes.answers = {answer};
        const SetupData before = tables.CurrentData;
        const auto memoryBefore = served();
        if (!upload) {
            change(tables.CurrentData);
            change(refTables.CurrentData);
        }
        const int connections = server.connections();
        server.closeAt = server.bytesHeard() + 150;

        const TransferReport r = transfer(direction);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
        EXPECT_NE(boxes.shown[0].text.find("The connection to " + server.address() + " was closed"),
                  std::string::npos)
            << boxes.shown[0].text;
        EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::RetryCancel);
        if (answer == MsgResult::Cancel) {
            EXPECT_FALSE(r.complete());
            if (upload) {
                EXPECT_EQ(tables.CurrentData, before) << "nothing of a cut upload kept";
            }
            // Every byte of the board is as it was or as the whole download
            // leaves it: nothing landed at a wrong address.
            const auto now = served();
            for (std::size_t a = 0; a < now.size(); ++a)
                ASSERT_TRUE(now[a] == memoryBefore[a] || now[a] == reference.memory()[a]) << a;
        } else {
            EXPECT_TRUE(r.complete());
            EXPECT_EQ(server.connections(), connections + 1) << "Retry connected anew";
            if (upload) {
                EXPECT_EQ(unstamped(tables.CurrentData), unstamped(refTables.CurrentData));
            }
            EXPECT_TRUE(served() == reference.memory());
        }
        link.CloseRSComm();
        server.closeAt = 0;
        refLink.CloseRSComm();
        // Both boards alike again for the next case.
        server.withBoard([&](sim::SimBoard& b) { b.memory() = reference.memory(); });
        tables.CurrentData = refTables.CurrentData;
    }
}

TEST_F(NetworkLink, AServerThatTakesBytesButNeverAnswersGivesTheCableMessageAfterTheUsualTime) {
    server.silent = true;
    const double t0 = clock.now();
    link.OpenRSComm(port);
    const double took = clock.now() - t0;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "WARNING - Communication Error!");
    EXPECT_EQ(boxes.shown[0].text.substr(0, 38), "Cannot Communicate with Target Board.\r");
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(server.heard(), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}))
        << "the greeting and two resynchronising bytes";
    EXPECT_GE(took, 5.0) << "1 s, then 2 s after each resend";
}

TEST_F(NetworkLink, APortThatCannotBeReachedIsRefusedAtOnceSayingWhy) {
    // A TCP port of this machine that is bound but takes no connections.
    int number = 0;
    const int closed = BoundLoopbackSocket(number);
    ASSERT_GE(closed, 0);
    const std::string refused = "127.0.0.1:" + std::to_string(number);

    const std::pair<std::string, std::string> cases[] = {
        {"socket://" + refused, "Nothing takes connections at socket://" + refused},
        {"rfc2217://" + refused, "Nothing takes connections at rfc2217://" + refused},
        {"/dev/voran-no-such-adapter",
         "There is no such port: /dev/voran-no-such-adapter does not exist"},
    };
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(name);
        folder.write("Support/PortMap.cfg", "4," + name + "\n");
        boxes.shown.clear();
        const double t0 = clock.now();
        link.OpenRSComm(port);
        EXPECT_LT(clock.now() - t0, 1.0);
        EXPECT_FALSE(link.OnlineMode);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
        EXPECT_NE(boxes.shown[0].text.find(why), std::string::npos) << boxes.shown[0].text;
    }
    ::close(closed);
}

// voran-cli through the network: k900-sim serving the board on a TCP port
// of 127.0.0.1 (raw), and Debian's ser2net in front of k900-sim's
// pseudo-terminal speaking RFC 2217, each against the same upload over the
// pseudo-terminal itself.

const char* const kPreset = "W1000 111\nB1030 255\nW1042 2048\nD1100 19999\nW1072 7\n";

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// The upload of a board through `args`, without its time stamp.
SetupData uploadWith(SimProgramFolder& folder, std::vector<std::string> args,
                     const std::string& file) {
    args.insert(args.end(), {"upload", folder.path(file)});
    const RunResult o = folder.cli(args);
    EXPECT_EQ(o.status, 0) << o.err;
    SetupData d;
    EXPECT_TRUE(ReadSetupFile(folder.path(file), d)) << file;
    d.Stamp = 0;
    return d;
}

TEST(DeviceServer, VoranCliReachesK900SimServingTcpAsItReachesItsPseudoTerminal) {
    SimProgramFolder tcp, pty;
    for (SimProgramFolder* f : {&tcp, &pty}) f->write("board.preset", kPreset);
    ASSERT_TRUE(tcp.startSim(1, {"--tcp", "0", "--preset", tcp.path("board.preset")})) << tcp.said;
    ASSERT_TRUE(pty.startSim(1, {"--preset", pty.path("board.preset")})) << pty.said;
    const std::string address = "socket://" + tcp.link;
    ASSERT_EQ(tcp.link.rfind("127.0.0.1:", 0), 0u) << tcp.link;

    EXPECT_EQ(tcp.cliSays({"--port", address, "read", "D1100", "B1030"}), "0|19999\n255\n|");
    EXPECT_EQ(tcp.cliSays({"--port", address, "write", "W182", "4321"}), "0||");
    EXPECT_EQ(pty.cliSays({"write", "W182", "4321"}), "0||");
    EXPECT_EQ(uploadWith(tcp, {"--port", address}, "tcp.sdt"), uploadWith(pty, {}, "pty.sdt"));

    // A port number mapped to the address in the program folder, as
    // Edit > Comm Port leaves it.
    tcp.write("Support/RSPort.cfg", "6,9600\n");
    tcp.write("Support/PortMap.cfg", "6," + address + "\n");
    EXPECT_EQ(tcp.cliSays({"read", "W182"}), "0|4321\n|");

    const std::string bad = tcp.cliSays({"--port", "socket://127.0.0.1", "read", "W182"});
    EXPECT_EQ(bad.substr(0, 3), "2||") << bad;
    EXPECT_NE(bad.find("voran-cli: --port: \"socket://127.0.0.1\" is not a port: no port number"),
              std::string::npos)
        << bad;
}

// ser2net in front of a device, told by a configuration file in the test's
// folder, serving RFC 2217 on a port of 127.0.0.1.
class Ser2net {
public:
    Ser2net(const TempFolder& folder, const std::string& device) : folder_(folder) {
        ::close(BoundLoopbackSocket(port_));  // a port of 127.0.0.1 free a moment ago
        folder.write("ser2net.yaml",
                     "connection: &board\n"
                     "  accepter: telnet(rfc2217),tcp,127.0.0.1," +
                         std::to_string(port_) +
                         "\n"
                         "  connector: serialdev," +
                         device + ",9600n81,local\n");
        const int out = ::open(folder.path("ser2net.out").c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        pid_ = Spawn({"ser2net", "-n", "-u", "-c", folder.path("ser2net.yaml"), "-P",
                      folder.path("ser2net.pid")},
                     out, out);
        ::close(out);
        for (int i = 0; pid_ > 0 && i < 100 && !listening_; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            listening_ = accepts(port_);
        }
    }
    ~Ser2net() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    // Empty when it serves; otherwise why not, for the failure message.
    std::string trouble() const {
        if (listening_) return {};
        return pid_ <= 0 ? "ser2net could not be started (is Debian's ser2net package "
                           "installed? scripts/deps.sh installs it)"
                         : "ser2net started but does not serve 127.0.0.1:" + std::to_string(port_) +
                               ": " + folder_.read("ser2net.out").value_or("");
    }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

private:
    const TempFolder& folder_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool listening_ = false;
};

// The line settings of a terminal device as "speed,parity,data bits,stop
// bits" ("?" when it cannot be read).
std::string lineSettings(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    const bool read = fd >= 0 && ::tcgetattr(fd, &tio) == 0;
    if (fd >= 0) ::close(fd);
    if (!read) return "?";
    const speed_t s = ::cfgetospeed(&tio);
    const std::string speed = s == B9600 ? "9600" : s == B19200 ? "19200" : "other";
    const char parity = !(tio.c_cflag & PARENB) ? 'n' : (tio.c_cflag & PARODD) ? 'o' : 'e';
    const char bits = (tio.c_cflag & CSIZE) == CS7 ? '7' : (tio.c_cflag & CSIZE) == CS8 ? '8' : '?';
    return speed + "," + parity + "," + bits + "," + ((tio.c_cflag & CSTOPB) ? "2" : "1");
}

TEST(DeviceServer, Rfc2217ThroughSer2netSetsTheSpeedAndCarriesEveryByte) {
    SimProgramFolder folder;
    folder.write("board.preset", kPreset);
    ASSERT_TRUE(folder.startSim(1, {"--preset", folder.path("board.preset")})) << folder.said;
    const Ser2net server(folder, folder.device);
    ASSERT_EQ(server.trouble(), "") << "the RFC 2217 tests need ser2net";

    // While the port is open the server's line is as the PC asked (a
    // pseudo-terminal always holds 8 data bits without parity, whatever it is
    // told; the server confirmed what it was asked, or the port would not
    // have opened).
    SystemClock clock;
    TcpSerialPort port(clock);
    port.setAddress(*ParsePortName(server.address()).name);
    const std::pair<const char*, const char*> cases[] = {
        {"19200,n,8,1", "19200,n,8,1"}, {"9600,e,7,2", "9600,n,8,2"}, {"9600,n,8,1", "9600,n,8,1"}};
    for (const auto& [settings, onThePty] : cases) {
        PortError error;
        ASSERT_TRUE(port.setSettings(settings, &error));
        ASSERT_TRUE(port.open(&error)) << error.description;
        EXPECT_EQ(lineSettings(folder.device), onThePty) << settings;
        // And again while open.
        ASSERT_TRUE(port.setSettings("19200,n,8,2", &error)) << error.description;
        EXPECT_EQ(lineSettings(folder.device), "19200,n,8,2");
        port.close();
    }
    for (const char* speed : {"19200", "9600"}) {
        // B1030 holds 255: the attention byte of Telnet as data, both ways.
        EXPECT_EQ(folder.cliSays(
                      {"--port", server.address(), "--speed", speed, "read", "D1100", "B1030"}),
                  "0|19999\n255\n|")
            << speed;
    }
    EXPECT_EQ(folder.cliSays({"--port", server.address(), "write", "W1072", "65535"}), "0||");
    EXPECT_EQ(folder.cliSays({"--port", server.address(), "read", "W1072"}), "0|65535\n|");
    EXPECT_EQ(uploadWith(folder, {"--port", server.address(), "--speed", "19200"}, "net.sdt"),
              uploadWith(folder, {"--port", "1"}, "pty.sdt"));
}

// voran-cli over k900-sim's pseudo-terminal itself, the way a field
// engineer would use them.
TEST(CliEndToEnd, ReadsWritesAndReadsBackThroughTheSharedSettingsOrSaysWhyNot) {
    SimProgramFolder folder;
    ASSERT_TRUE(folder.startBoard(9, 19200, "B8176 66\nW182 1000\nD1100 19999\n")) << folder.said;
    const auto cli = [&](const std::vector<std::string>& args) { return folder.cliSays(args); };
    EXPECT_EQ(cli({"read", "B8176", "W182", "D1100"}), "0|66\n1000\n19999\n|");
    EXPECT_EQ(cli({"write", "W182", "4321"}), "0||");
    EXPECT_EQ(cli({"--port", "9", "--speed", "9600", "read", "W182"}), "0|4321\n|");
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "9,19200\n");

    EXPECT_EQ(cli({"write", "B8176", "-5"}),
              "1||ENTRY ALERT: Error: Only Numerical Data Allowed.\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"read", "X30"}, {"write", "W182"}, {"--speed", "4800", "read", "B1"}, {}})
        EXPECT_EQ(cli(args).substr(0, 3), "2||") << cli(args);
}

// A set-up item takes from the command line only what the set-up window
// takes, with the window's message; --force writes any value the item's
// type holds. Other addresses are written as given.
TEST(CliEndToEnd, WriteToASetUpItemKeepsTheSetUpWindowsRange) {
    SimProgramFolder folder;
    ASSERT_TRUE(folder.startBoard(11, 9600, "W1000 20\nB1030 5\nW1042 4095\nW182 7\n"))
        << folder.said;
    struct Case {
        const char* args;
        int status;
        std::string item, holds, err;
    };
    const auto refused = [](const std::string& range, const std::string& item) {
        return "voran-cli: Only a Number Between " + range + " can be Entered (item " + item +
               "; --force writes it anyway)\n";
    };
    const std::string shifts = refused("1 and 319", "0 W1000, Station 01 shifts");
    const Case cases[] = {
        {"write W1000 500", 1, "W1000", "20", shifts},
        {"write w1000 0", 1, "W1000", "20", shifts},
        {"write B1030 256", 1, "B1030", "5",
         refused("0 and 255", "12 B1030, Station 01 missing cans")},
        {"write W1042 4096", 1, "W1042", "4095",
         refused("0 and 4095", "37 W1042, Transfer jam enable mask")},
        {"write W1000 319", 0, "W1000", "319", ""},
        {"write --force W1000 500", 0, "W1000", "500", ""},
        {"write W182 5000", 0, "W182", "5000", ""},
    };
    for (const Case& c : cases) {
        const RunResult o = folder.cli(Words(c.args));
        EXPECT_EQ(std::tie(o.status, o.err), std::tie(c.status, c.err)) << c.args;
        EXPECT_EQ(folder.cli({"read", c.item}).out, c.holds + "\n") << c.args;
    }
}

}  // namespace
}  // namespace voran::testing
