// The link against the simulated board: in trouble, the data items on the
// wire and the addresses as typed, the traffic as shown; the link through
// the network; and the link's windows (Traffic Monitor, Comm Port).
#include <QComboBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <type_traits>

#include "FakeFileDialog.h"
#include "FileKinds.h"
#include "SimPls.h"
#include "Spawn.h"
#include "WindowFixture.h"
#include "data/SetupFile.h"
#include "data/Transfer.h"
#include "link/AddressCodec.h"
#include "link/BoardAddress.h"
#include "link/LinkFraming.h"
#include "link/PlsCodes.h"
#include "link/TrafficDecoder.h"
#include "link/TrafficHub.h"
#include "link/TrafficPort.h"
#include "link/ui/frmSetupComm.h"
#include "link/ui/frmTrafficMonitor.h"
#include "platform/Clock.h"
#include "platform/ForwardingPort.h"
#include "platform/NamedPort.h"
#include "platform/PortName.h"
#include "platform/PosixSerialPort.h"
#include "platform/TcpSerialPort.h"
#include "timing/PlsCommands.h"
#include "timing/PlsFrames.h"

namespace fs = std::filesystem;

namespace voran::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Boxes = std::vector<FakeMessageBox::Shown>;

inline FakeMessageBox::Shown alarm(const std::string& text) {
    return {text, "WARNING - Communication Error!", MsgButtons::RetryCancel, MsgIcon::Critical};
}
inline const FakeMessageBox::Shown kCableBox = alarm(
    "Cannot Communicate with Target Board.\rVerify RS-232 Cable is Connected Between\r"
    "COMM Port and PROG Port.");

// The link against the simulated board in a fresh program folder.
class LinkTest : public ::testing::Test, protected FreshLink {
protected:
    // One step on a transaction of its own, as a caller that runs it alone
    // does; `failed` when the link is held.
    template <class Step, class Result = std::invoke_result_t<Step, RSComm::Transaction&>>
    Result once(Step step, Result failed = Result{}) {
        return InTransaction(link, step, failed);
    }
    // Times at which the PC sent bytes.
    std::vector<double> sendTimes() const {
        std::vector<double> t;
        for (const auto& w : port.wire)
            if (w.toBoard) t.push_back(w.time);
        return t;
    }
};

TEST_F(LinkTest, SilentBoardGivesTheCableMessageAfterFiveSecondsThenEverythingFailsAtOnce) {
    goOnline();
    port.silent = true;
    const double t0 = clock.now();
    double shownAt = 0;
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(sendTimes(), (std::vector<double>{t0, t0 + 1.0, t0 + 3.0}));
    EXPECT_DOUBLE_EQ(shownAt, t0 + 5.0);
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    EXPECT_TRUE(link.CommError);

    // Cancelled: the board is back, but nothing goes out until reopened.
    port.silent = false;
    port.clearTrace();
    EXPECT_EQ(link.RSRead("B8176"), "0");
    link.RSWrite("W182", "5");
    EXPECT_EQ(once([](RSComm::Transaction& t) { return pls::readWord(t, 24); }), std::nullopt);
    link.CloseRSComm();
    EXPECT_TRUE(port.wire.empty());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(port.isOpen() || link.OnlineMode);
}

TEST_F(LinkTest, GoingOnlineGreetsTheBoardAndGoingOfflineSaysGoodbye) {
    link.OpenRSComm(port);
    link.RSRead("B8176");
    link.CloseRSComm();
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0x01, 0x1F, 0xF0, 0xFF}));
    EXPECT_FALSE(port.isOpen() || link.OnlineMode);
    EXPECT_EQ(link.currentMode(), CommandMode::None);

    // A silent board keeps the program offline until it answers.
    port.silent = true;
    link.OpenRSComm(port);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    port.silent = false;
    link.OpenRSComm(port);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, ATimerInsideTheCableMessageFindsTheLinkBusy) {
    goOnline();
    port.silent = true;
    std::vector<std::string> inner;
    boxes.whileOpen = [&] {
        const bool before = link.CommError;
        link.CommError = false;  // even a clear flag must not let it through
        const std::size_t sent = port.sent().size();
        inner = {link.RSRead("B8176"),
                 std::to_string(
                     once([](RSComm::Transaction& t) { return t.exchange(0xFF); }, RSComm::kFail)),
                 once([](RSComm::Transaction& t) { return pls::readWord(t, 24); }) ? "a word"
                                                                                   : "no word"};
        link.RSWrite("W182", "1");
        link.CloseRSComm();
        link.OpenRSComm(port);
        inner.push_back(std::to_string(port.sent().size() - sent) + " sent, busy " +
                        std::to_string(link.busy()) + ", error " + std::to_string(link.CommError));
        link.CommError = before;
    };
    link.RSRead("B8176");
    EXPECT_EQ(inner, (std::vector<std::string>{"0", std::to_string(RSComm::kFail), "no word",
                                               "0 sent, busy 1, error 0"}));
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(link.busy());
}

TEST_F(LinkTest, ARefusedCommandOrABusyPlsGivesItsMessageAtItsTime) {
    goOnline();
    port.replyDelay = 0.25;
    double shownAt = 0;
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    // The PLS stays busy: the ready poll gives up after 3 s.
    board.pls().setBusyPolls(1000);
    double t0 = clock.now();
    EXPECT_FALSE(
        once([](RSComm::Transaction& t) { return pls::channelFrame(t, 27, 1, 10, 20, 1); }));
    EXPECT_EQ(boxes.shown, Boxes{alarm("Cannot Determine PLS READY Mode Within Target Board.")});
    EXPECT_DOUBLE_EQ(shownAt - t0, 3.0 + 8 * 0.25);  // after the frame's eight bytes
    EXPECT_TRUE(link.CommError && link.OnlineMode);

    // A command code the board does not know: offline after 2 s.
    link.CommError = false;
    boxes.shown.clear();
    t0 = clock.now();
    EXPECT_FALSE(once(
        [](RSComm::Transaction& t) { return t.openCommand(static_cast<CommandMode>(9), 0x63); }));
    EXPECT_EQ(boxes.shown, Boxes{alarm("Cannot Set PLC Mode Within Target Board.")});
    EXPECT_DOUBLE_EQ(shownAt - t0, 2.0);
    EXPECT_TRUE(link.CommError);
    EXPECT_FALSE(link.OnlineMode || port.isOpen());
}

TEST_F(LinkTest, ValuesThatCannotTravelAreRefusedBeforeAnyByte) {
    goOnline();
    EXPECT_FALSE(once([](RSComm::Transaction& t) {
        return pls::writeWord(t, 42, -1) || pls::writeWord(t, 42, 65536) ||
               pls::channelFrame(t, 27, 256, 0, 0, 0) || pls::channelFrame(t, 27, 1, 0, 70000, 0) ||
               pls::blockWrite(t, 59, {1, 2, 3, 4, 5, 300}) || pls::recallRead(t, -1);
    }));
    EXPECT_TRUE(port.sent().empty());
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, AReadCutByALostByteIsTriedOnceMoreFromAQuietHandshake) {
    board.preset("W182", 1000);
    goOnline();
    // FF 01 [00 lost]: a second later the resynchronising FF.
    port.dropAt = {port.bytesWritten() + 3};
    const double t0 = clock.now();
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "1000");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x00, 0xFF,  // cut, resynchronised
                                  0xFF, 0x01, 0x00, 0xB6, 0x00, 0xB7}));
    const std::vector<double> times = sendTimes();
    EXPECT_DOUBLE_EQ(times[3], t0 + framing::kFirstReply);
    EXPECT_GE(times[4] - times[3], framing::kResyncQuiet) << "quiet before the new handshake";
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(link.CommError);
}

TEST_F(LinkTest, ALateAnswerIsNeverTakenAsData) {
    board.preset("W182", 1000);
    board.preset("W1000", 7);
    // One answer late by `late` s: the read repeats when the board may have
    // dropped its frame meanwhile, and gives the value either way.
    for (const double late : {0.3, 0.45, 0.6, 0.95, 0.99}) {
        SCOPED_TRACE(late);
        goOnline();
        link.CloseRSComm();
        link.OpenRSComm(port);
        for (long long at = 3; at <= 6; ++at) {
            port.lateAt = port.bytesWritten() + at;
            port.lateBy = late;
            EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "1000")
                << "late answer to byte " << at;
            clock.advance(2.0);  // let the late answers arrive and go
        }
        link.CloseRSComm();
    }
    // Every answer late: nothing is read and nothing is written.
    link.OpenRSComm(port);
    port.replyDelay = 0.7;
    const auto memory = board.memory();
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "");
    link.CommError = false;
    EXPECT_FALSE(link.RSWrite("W1000", "4321"));
    EXPECT_EQ(board.memory(), memory);
}

TEST_F(LinkTest, AVanishedAdapterEndsTheWaitAtOnceAndRetryOpensItAgain) {
    board.preset("W182", 1000);
    goOnline();
    port.gone = true;
    const double t0 = clock.now();
    double shownAt = -1;
    boxes.whileOpen = [&] {
        shownAt = clock.now();
        port.gone = false;  // plugged back in while the box is up
    };
    boxes.answers = {MsgResult::Retry};
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "1000");
    EXPECT_DOUBLE_EQ(shownAt, t0) << "no waiting on a port that is gone";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::RetryCancel);
    EXPECT_NE(boxes.shown[0].text.find("is gone"), std::string::npos) << boxes.shown[0].text;
    EXPECT_FALSE(link.CommError);

    // Cancel: the fault stands and the read gives nothing, again at once.
    boxes.whileOpen = [&] { shownAt = clock.now(); };
    port.gone = true;
    const double t1 = clock.now();
    EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read("W182"); }), "");
    EXPECT_TRUE(link.CommError);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_DOUBLE_EQ(shownAt, t1);
    EXPECT_DOUBLE_EQ(clock.now(), t1);
}

// A PLS frame cut after FF 1A F4 (its next byte lost on the line, or the
// adapter gone and back when Retry is pressed): the board drops the half
// frame, nothing of it takes effect, and the same write then goes through.
TEST_F(LinkTest, APlsFrameCutByALostByteOrALostAdapterNeverProgramsAValue) {
    goOnline();
    board.pls().setBusyPolls(0);
    const auto write500 = [](RSComm::Transaction& t) { return pls::writeWord(t, 26, 500); };
    for (long long at = 3; at <= 4; ++at) {
        SCOPED_TRACE(at);
        port.dropAt = {port.bytesWritten() + at};
        EXPECT_FALSE(once(write500)) << "a broken frame is reported";
        EXPECT_EQ(board.pls().scaleFactor, 360);
        EXPECT_TRUE(boxes.shown.empty());
    }
    boxes.whileOpen = [&] { port.gone = false; };
    boxes.answers = {MsgResult::Retry};
    port.goneAt = port.bytesWritten() + 4;
    EXPECT_FALSE(once(write500)) << "a broken frame is reported";
    EXPECT_EQ(board.pls().scaleFactor, 360) << "nothing of the broken frame took effect";
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(once(write500));
    EXPECT_EQ(board.pls().scaleFactor, 500);
    // A read that fails is never a word value.
    port.silent = true;
    EXPECT_EQ(once([](RSComm::Transaction& t) { return pls::readWord(t, 24); }), std::nullopt);
    EXPECT_EQ(once(&pls::PLSScaleFactor), std::nullopt);
}

// The adapter unplugged in the middle of a frame. The board does not notice
// the PC's port go and come back: it still holds the half frame, and an
// attention byte that reached it at once would be taken as an address or
// data byte of it. The link keeps quiet first, whether the operator answers
// the box of the lost port with Retry at once or cancels and goes online
// again at once.
// Notes the value of one word item and of one other byte of the board after
// every byte the PC sends, so that a value held only for a moment shows.
class WatchedPort : public ForwardingPort {
public:
    WatchedPort(sim::SimPort& port, std::string item, int other)
        : ForwardingPort(port), board_(port.board()), item_(std::move(item)), other_(other) {}
    bool writeByte(std::uint8_t b) override {
        const bool ok = inner_.writeByte(b);
        itemValues.insert(board_.peek(item_));
        otherValues.insert(board_.memory()[static_cast<std::size_t>(other_)]);
        return ok;
    }
    std::set<std::int64_t> itemValues;
    std::set<int> otherValues;

private:
    sim::SimBoard& board_;
    std::string item_;
    int other_;
};

enum class Back { RetryAtOnce, CancelAndGoOnlineAtOnce };

TEST_F(LinkTest, AnAdapterLostInsideAWriteTripleNeverStoresTheNextAttentionByte) {
    // W1122 lies at 0462H: a 0xFF taken as its low address byte would go
    // to 04FFH (1279), one taken as data would land in the item.
    constexpr std::int64_t kOld = 0x1234, kNew = 0x5678;
    constexpr int kNeighbour = 0x04FF;
    struct Case {
        const char* lost;
        long long at;  // after FF 02: 04 62 78 | 04 63 56
        Back back;
    };
    const std::pair<const char*, long long> losses[] = {
        {"address high", 3}, {"address low", 4}, {"data", 5}, {"second address low", 7}};
    std::vector<Case> cases;
    for (const Back back : {Back::RetryAtOnce, Back::CancelAndGoOnlineAtOnce})
        for (const auto& [lost, at] : losses) cases.push_back({lost, at, back});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lost) +
                     (c.back == Back::RetryAtOnce ? ", Retry" : ", Cancel and online again"));
        ASSERT_TRUE(board.preset("W1122", kOld));
        board.memory()[kNeighbour] = 0x37;
        const auto before = board.memory();
        WatchedPort watched(port, "W1122", kNeighbour);
        link.OpenRSComm(watched);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
        boxes.shown.clear();
        boxes.whileOpen = [&] { port.gone = false; };  // plugged back in at once
        if (c.back == Back::RetryAtOnce) boxes.answers = {MsgResult::Retry};
        port.goneAt = port.bytesWritten() + c.at;
        const double lostAt = clock.now();

        bool ok = link.RSWrite("W1122", std::to_string(kNew));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Comm Port Error");
        if (c.back == Back::CancelAndGoOnlineAtOnce) {
            EXPECT_FALSE(ok);
            link.CloseRSComm();
            link.OpenRSComm(watched);
            ASSERT_TRUE(link.OnlineMode);
            EXPECT_EQ(board.peek("W1122"), c.at <= 5 ? kOld : (kOld & 0xFF00) | (kNew & 0xFF))
                << "only whole triples landed";
            ok = link.RSWrite("W1122", std::to_string(kNew));
        }
        EXPECT_TRUE(ok);
        EXPECT_EQ(board.peek("W1122"), kNew);

        // The first byte after the port came back went out once the board
        // had dropped the half frame.
        const std::vector<double> times = sendTimes();
        ASSERT_GE(times.size(), static_cast<std::size_t>(c.at));
        EXPECT_GE(times[static_cast<std::size_t>(c.at) - 1] - lostAt, framing::kResyncQuiet);
        // Never anything but the old value, a half-written word or the new
        // value; and nothing else of the board touched, not even for a
        // moment.
        for (const std::int64_t v : watched.itemValues)
            EXPECT_TRUE(v == kOld || v == kNew || v == ((kOld & 0xFF00) | (kNew & 0xFF))) << v;
        EXPECT_EQ(watched.otherValues, std::set<int>{0x37});
        auto after = board.memory();
        after[0x0462] = before[0x0462];
        after[0x0463] = before[0x0463];
        EXPECT_EQ(after, before);

        link.CloseRSComm();
        clock.advance(1.0);
    }
}

TEST_F(LinkTest, AGreetingTheBoardDoesNotAcknowledgeMakesTheFirstHandshakeKeepQuiet) {
    // Someone else left the board in the middle of a write triple just now
    // (FF 02 04): the greeting 0xFF is taken as the low address byte and
    // echoed. The next 0xFF must not follow at once, or it is stored at
    // 04FFH.
    for (std::uint8_t b : {0xFF, 0x02, 0x04}) board.receive(b, clock.now());
    link.OpenRSComm(port);
    ASSERT_TRUE(link.OnlineMode);
    EXPECT_EQ(port.received(), Bytes{0xFF}) << "the greeting landed inside the triple";
    EXPECT_TRUE(link.RSWrite("W1000", "4321"));
    EXPECT_EQ(board.peek("W1000"), 4321);
    EXPECT_EQ(board.memory()[0x04FF], 0);
    const std::vector<double> times = sendTimes();
    ASSERT_GE(times.size(), 2u);
    EXPECT_GE(times[1] - times[0], framing::kResyncQuiet);
}

// A stray byte waiting in the PC's input before the PC sends its next byte
// (line noise, or an answer that came after the link stopped waiting for
// it): whatever byte it is and wherever it comes, a read gives the board's
// value or fails, and a write that reports success left its value and
// nothing else in the board.
// The board's port with one stray byte: it is waiting in the PC's input as
// soon as the answer to the PC's byte number `before` - 1 has been read.
class StrayBytePort : public sim::SimPort {
public:
    using SimPort::SimPort;
    long long before = 0;
    std::uint8_t stray = 0;

    int bytesWaiting() override { return (waiting_ ? 1 : 0) + SimPort::bytesWaiting(); }
    void discardInput() override {
        waiting_ = false;
        SimPort::discardInput();
    }
    int readByte() override {
        if (waiting_) {
            waiting_ = false;
            return stray;
        }
        const int r = SimPort::readByte();
        if (r >= 0 && !armed_ && bytesWritten() == before - 1) armed_ = waiting_ = true;
        return r;
    }
    bool waitForByte(double deadline) override {
        return waiting_ || SimPort::waitForByte(deadline);
    }

private:
    bool armed_ = false;
    bool waiting_ = false;
};

struct StrayRig {
    TempFolder folder;
    ManualClock clock;
    sim::SimBoard board;
    StrayBytePort port{board, clock};
    FakeMessageBox boxes;
    RSComm link{clock, boxes, folder.path()};

    StrayRig(long long before, std::uint8_t stray) {
        board.preset("W1000", 47333);
        link.OpenRSComm(port);
        port.before = port.bytesWritten() + before;
        port.stray = stray;
    }
};

// The bytes of W1000 and of the 12345 written to it, an acknowledge, a zero.
const std::uint8_t kStrays[] = {0x03, 0xE8, 0xE9, 0xE5, 0xB8, 0x39, 0x30, 0x55, 0x00};

TEST(StrayByte, ReadGivesTheBoardsValueOrFailsAndASucceedingWriteLeftItsValueAlone) {
    for (long long before = 1; before <= 12; ++before) {
        for (const std::uint8_t stray : kStrays) {
            SCOPED_TRACE(::testing::Message() << "stray 0x" << std::hex << int{stray}
                                              << " before byte " << std::dec << before);
            StrayRig reader(before, stray);
            const std::string value =
                InTransaction(reader.link, [&](RSComm::Transaction& t) { return t.read("W1000"); });
            EXPECT_TRUE(value == "47333" || value.empty()) << "read as " << value;

            StrayRig writer(before, stray);
            const auto memory = writer.board.memory();
            if (writer.link.RSWrite("W1000", "12345")) {
                EXPECT_EQ(writer.board.peek("W1000"), 12345);
            }
            for (std::size_t i = 0; i < memory.size(); ++i)
                if (i != 1000 && i != 1001 && writer.board.memory()[i] != memory[i])
                    ADD_FAILURE() << "byte " << i << " changed";
        }
    }
}

// The port and speed the link takes from Support/RSPort.cfg, and a port that
// cannot be opened.

TEST(PortSettingsFile, ANamedPipeOrADeviceIsRefusedAtOnceAndLeftAsItIs) {
    // RSPort.cfg as a pipe nobody writes to, or as a link to a device node:
    // reading the pipe would wait forever, replacing the link would turn the
    // node into a file. Both are refused with the file's name, untouched.
    const struct {
        const char* name;
        bool device;
    } rows[] = {{"named pipe", false}, {"link to a device node", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.device && ::geteuid() != 0) continue;  // only the superuser makes nodes
        HangGuard guard;
        FreshLink l;
        TempFolder& folder = l.folder;
        std::filesystem::create_directories(folder.path("Support"));
        const std::string path = folder.path("Support/RSPort.cfg");
        const std::string node = folder.path("null");
        if (r.device) {
            ASSERT_TRUE(MakeDeviceNode(node));
            std::filesystem::create_symlink(node, path);
        } else {
            ASSERT_TRUE(MakeFifo(path));
        }
        l.link.OpenRSComm(l.port);
        ASSERT_EQ(l.boxes.shown.size(), 1u);
        EXPECT_EQ(l.boxes.shown[0].text, "Error Number = 22\r\n\r\nNot a regular file: " + path);
        EXPECT_FALSE(l.link.OnlineMode || l.port.isOpen());
        EXPECT_TRUE(r.device ? IsDeviceNode(node) : IsFifo(path));
    }
}

TEST(PortSettingsFile, EachKindOfContentOpensTheRightPortAndTheFolderIsFoundInAnyCase) {
    const struct {
        const char* name;
        std::optional<std::string> content;  // nothing: no file and no folder
        int port;
        const char* lineSettings;
        std::string fileAfter;
    } rows[] = {
        {"port and fast speed", "3,19200", 3, "19200,n,8,1", "3,19200"},
        {"unknown speed", "3,4800", 3, "9600,n,8,1", "3,4800"},
        {"windows line end", "4,19200\r\n", 4, "19200,n,8,1", "4,19200\r\n"},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "3,19200\n",
         3, "19200,n,8,1",
         "\xEF\xBB\xBF"
         "3,19200\n"},
        {"empty file", "", 1, "9600,n,8,1", "1,9600\n"},
        {"missing file and folder", std::nullopt, 1, "9600,n,8,1", "1,9600\n"},
        {"letters", "abc", 1, "9600,n,8,1", "1,9600\n"},
        {"letters for the speed", "3,fast", 3, "9600,n,8,1", "3,9600\n"},
        {"missing comma", "3 19200", 3, "9600,n,8,1", "3,9600\n"},
        {"letters for the port", "com3,19200", 1, "19200,n,8,1", "1,19200\n"},
        {"extra line", "5,19200\n7,9600\n", 5, "19200,n,8,1", "5,19200\n7,9600\n"},
        {"port 0", "0,9600", 1, "9600,n,8,1", "0,9600"},
        {"port 120", "120,19200", 99, "19200,n,8,1", "120,19200"},
        {"huge port", "99999999999999999999,9600", 99, "9600,n,8,1", "99999999999999999999,9600"},
    };
    for (const auto& r : rows) {
        FreshLink l;
        if (r.content) l.folder.write("Support/RSPort.cfg", *r.content);
        l.link.OpenRSComm(l.port);
        EXPECT_TRUE(l.link.OnlineMode) << r.name;
        EXPECT_EQ(l.port.portNumber(), r.port) << r.name;
        EXPECT_EQ(l.port.settings(), r.lineSettings) << r.name;
        EXPECT_EQ(l.folder.read("Support/RSPort.cfg"), r.fileAfter) << r.name;
        EXPECT_TRUE(l.boxes.shown.empty()) << r.name;
    }
    // The settings folder is found whatever its case.
    FreshLink l;
    l.folder.write("support/rsport.cfg", "6,19200");
    l.link.OpenRSComm(l.port);
    EXPECT_EQ(l.port.portNumber(), 6);
    EXPECT_EQ(l.link.CommSettingsFile(), l.folder.path() + "/support/rsport.cfg");
    EXPECT_FALSE(std::filesystem::exists(l.folder.path() + "/Support"));
}

TEST_F(LinkTest, APortThatCannotOpenShowsThePlatformsReason) {
    port.openError = {2, "SimPort", "No such port: /dev/ttyS2 (Support/COM3 does not exist)."};
    link.OpenRSComm(port);
    EXPECT_EQ(boxes.shown,
              (Boxes{{"Error Number = 2\r\nError Source = SimPort\r\n\r\nNo such port: "
                      "/dev/ttyS2 (Support/COM3 does not exist).",
                      "Comm Port Error", MsgButtons::Ok, MsgIcon::Critical}}));
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(link.CommError && link.linkDisabled());
    EXPECT_TRUE(port.wire.empty());

    port.openError = {};
    link.OpenRSComm(port);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.linkDisabled());
}

TEST_F(LinkTest, ASettingsFileThatCannotBeWrittenAsksRetryOrCancel) {
    folder.write("Support", "not a folder");  // a plain file where the folder should be
    link.OpenRSComm(port);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const auto& box = boxes.shown[0];
    EXPECT_EQ(box.text.rfind("Error Number = ", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(box, (FakeMessageBox::Shown{box.text, "RSComm InitializeRSComm",
                                          MsgButtons::RetryCancel, MsgIcon::Critical}));
    EXPECT_TRUE(link.linkDisabled());
    EXPECT_FALSE(link.OnlineMode || port.isOpen());
    EXPECT_TRUE(port.wire.empty());

    // Retry once the folder is put right goes online.
    boxes.answers = {MsgResult::Retry};
    boxes.whileOpen = [&] { std::filesystem::remove(folder.path() + "/Support"); };
    link.OpenRSComm(port);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "1,9600\n");
}

// What crosses the wire when the operator reads and writes data items, the
// addresses as the operator types them, and the traffic as the monitor and
// the voran.link log show it.

TEST_F(LinkTest, ReadsHandshakeOnceThenAskForEachByteOfTheItem) {
    board.preset("B8176", 0x42);
    board.preset("W182", 1000);
    board.preset("D1100", 19999);
    goOnline();
    EXPECT_EQ(link.RSRead("B8176"), "66");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x1F, 0xF0}));
    EXPECT_EQ(port.received(), (Bytes{0x55, 0x55, 0x1F, 0x42}));
    EXPECT_EQ(link.currentMode(), CommandMode::Read);

    const struct {
        const char* add;
        const char* value;
        Bytes sent;
    } rows[] = {{"b8176", "66", {0x1F, 0xF0}},
                {"W182", "1000", {0x00, 0xB6, 0x00, 0xB7}},
                {"D1100", "19999", {0x04, 0x4C, 0x04, 0x4D, 0x04, 0x4E, 0x04, 0x4F}}};
    for (const auto& r : rows) {
        port.clearTrace();
        EXPECT_EQ(link.RSRead(r.add), r.value) << r.add;
        EXPECT_EQ(port.sent(), r.sent) << r.add;
    }
    board.preset("D1100", 655359999);
    board.memory()[1044] = 0x02;
    board.memory()[48] = 0x80;
    const char* const reads[][2] = {
        {"D1100", "655359999"}, {"B1044.1", "1"}, {"B1044.0", "0"}, {"F135", "1"}, {"1FF0H", "66"}};
    for (const auto& r : reads) EXPECT_EQ(link.RSRead(r[0]), r[1]) << r[0];
}

TEST_F(LinkTest, WritingAWordAfterAReadSwitchesToWriteModeAndSendsTriples) {
    goOnline();
    link.RSRead("B8176");
    port.clearTrace();
    link.RSWrite("W182", "1000");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(port.received(), (Bytes{0x55, 0x55, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_EQ(link.currentMode(), CommandMode::Write);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkTest, EntriesAreStoredAsTypedOrRefusedWithTheReasonAndNothingSent) {
    const std::string digits = "Error:\rOnly Numerical Data Allowed.",
                      bit = "Error:\rEnter 0 or 1 Only.",
                      rangeD = "Error:\rEntry out of Range (0-655,359,999).";
    const std::string nines(40, '9');
    const struct {
        const char* add;
        std::string text;
        std::int64_t stored;  // -1: refused with `message`
        std::string message;
    } rows[] = {
        {"W182", "65,535", 65535, ""},
        {"D1100", "655359999", 655359999, ""},
        {"B41", "90\xC2\xB0", 90, ""},
        {"B42", "50 %", 50, ""},
        {"B42", "255", 255, ""},
        {"W182", "12a", -1, digits},
        {"B40", "\xC2", -1, digits},
        {"B40", "\xB1", -1, digits},
        {"B1044.1", "2", -1, bit},
        {"B40", "256", -1, "Error:\rEntry out of Range (0-255)."},
        {"W182", "65536", -1, "Error:\rEntry out of Range (0-65,535)."},
        {"D1100", "655360000", -1, rangeD},
        {"D1100", nines, -1, rangeD},
    };
    board.preset("B40", 9);
    board.preset("B8176", 5);
    goOnline();
    for (const auto& r : rows) {
        link.RSRead("B8176");  // the board now holds that address
        boxes.shown.clear();
        port.clearTrace();
        const auto before = board.memory();
        link.RSWrite(r.add, r.text);
        if (r.stored >= 0) {
            EXPECT_EQ(board.peek(r.add), r.stored) << r.add << " " << r.text;
            EXPECT_EQ(boxes.shown, Boxes{}) << r.add << " " << r.text;
            continue;
        }
        EXPECT_EQ(boxes.shown,
                  (Boxes{{r.message, "ENTRY ALERT", MsgButtons::Ok, MsgIcon::Critical}}));
        EXPECT_EQ(port.sent(), Bytes{}) << r.add << " " << r.text;
        EXPECT_EQ(board.memory(), before);
        // A refused write leaves the next read of the board's address right.
        EXPECT_EQ(link.RSRead("B8176"), "5");
        EXPECT_EQ(port.sent(), (Bytes{0x1F, 0xF0})) << r.add << " " << r.text;
    }
}

TEST_F(LinkTest, SettingABitReadsTheByteThenWritesItBackAndNothingWhenTheReadTimesOut) {
    board.memory()[1044] = 0x80;
    goOnline();
    link.RSWrite("B1044.1", "1");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x04, 0x14, 0xFF, 0x02, 0x04, 0x14, 0x82}));
    EXPECT_EQ(board.memory()[1044], 0x82);
    link.RSWrite("B1044.7", "0");
    EXPECT_EQ(board.memory()[1044], 0x02);
    link.RSWrite("F135", "1");
    EXPECT_EQ(board.memory()[48], 0x80);
    EXPECT_TRUE(boxes.shown.empty());

    port.silent = true;
    port.clearTrace();
    link.RSWrite("B1044.1", "0");
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(board.memory()[1044], 0x02);
    EXPECT_TRUE(link.CommError);
}

TEST_F(LinkTest, AWrongEchoRepeatsAWriteOnceButOnlyFailsARead) {
    board.preset("B8176", 9);
    goOnline();
    link.RSRead("B8176");
    port.clearTrace();
    port.wrongEchoes = 1;
    link.RSWrite("W182", "1000");
    // Nothing more of the triple follows a wrong echo; the retry keeps quiet
    // first, so the board drops the half triple.
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x02, 0x00,  // echo of 0x00 came back wrong
                                  0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_FALSE(link.echoMismatch());

    port.wrongEchoes = 1;
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(link.currentMode(), CommandMode::None);
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(link.RSRead("B8176"), "9");
    EXPECT_TRUE(boxes.shown.empty());
}

// Addresses outside memory are never sent nor wrapped into it; those of the
// FF00H page, which cannot be addressed, are refused with the reason.
TEST_F(LinkTest, AddressesOutsideMemoryOrInTheFF00PageAreRefusedBeforeAnythingIsSent) {
    goOnline();
    const auto memory = board.memory();
    for (const char* add : {"B70000", "D65534", "B-5", "W99999999999", "B1234567890123"})
        EXPECT_EQ(link.RSRead(add), "0") << add;
    link.RSWrite("W65535", "1");
    link.RSWrite("B-3", "1");
    link.RSWrite("F-1", "1");
    EXPECT_FALSE(link.CommError);
    for (const char* add : {"B65282", "W65280", "D65300", "FF00H", "B65535.1"}) {
        SCOPED_TRACE(add);
        boxes.shown.clear();
        EXPECT_FALSE(link.RSWrite(add, "1"));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "ENTRY ALERT");
        EXPECT_NE(boxes.shown[0].text.find("FF00H-FFFFH"), std::string::npos);
        EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read(add); }), "");
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(board.memory(), memory);
    // The page below still travels: its last item, and a byte written.
    EXPECT_EQ(link.RSRead("D65275"), "0");
    EXPECT_FALSE(port.sent().empty());
    EXPECT_TRUE(link.RSWrite("B65279", "200"));
    EXPECT_EQ(board.memory()[65279], 200);
}

// Addresses as the operator types them, and the boards' input and output
// ranges.
TEST(AddressText, NamesTheBytesTheBoardIsAskedFor) {
    const struct {
        const char* text;
        char letter;
        std::uint32_t byte;
        int mask;  // 0: not a bit
    } rows[] = {{"B8176", 'B', 8176, 0}, {"b8176", 'B', 8176, 0},   {"W182", 'W', 182, 0},
                {"w182", 'W', 182, 0},   {"D1100", 'D', 1100, 0},   {"F0", 'B', 32, 1},
                {"F135", 'B', 48, 128},  {"f991", 'B', 155, 128},   {"B1044.1", 'B', 1044, 2},
                {"W182.3", 'B', 182, 8}, {"1FF0H", 'B', 8176, 0},   {"1ff0h", 'B', 8176, 0},
                {"5H", 'B', 5, 0},       {"EFF0H", 'B', 0xEFF0, 0}, {"Q17", 'B', 32, 0},
                {"Z5", 'B', 32, 0},      {"", 'B', 32, 0},          {"X30", 'B', 32, 0},
                {"B12abc", 'B', 12, 0}};
    for (const auto& r : rows) {
        const DecodedAddress a = DecodeAddress(r.text);
        EXPECT_EQ(a.letter, r.letter) << r.text;
        EXPECT_EQ(a.byteAddress, r.byte) << r.text;
        EXPECT_EQ(a.bitItem, r.mask != 0) << r.text;
        EXPECT_TRUE(r.mask == 0 || a.mask == r.mask) << r.text;
    }
    EXPECT_EQ(DecodeAddress("W182.3").byteCount(), 1) << "a bit is always of one byte";
}

TEST(BoardIo, InputsAndOutputsTranslateToTheirBytes) {
    const struct {
        const char* var;
        int board;
        const char* result;
    } rows[] = {
        {"X30.5", 49, "B49.5"}, {"X30", 49, "B49"},   {"x30.9", 49, "B49.7"}, {"X40", 49, "X40"},
        {"X80", 49, "B57"},     {"Y81", 49, "B58"},   {"Y141", 49, "B67"},    {"I30", 49, "I30"},
        {"X0", 50, "B160"},     {"Y11", 50, "B163"},  {"X151", 50, "B191"},   {"Y12", 50, "Y12"},
        {"I0", 50, "B192"},     {"I151", 50, "B223"}, {"X160", 50, "X160"},   {"X10", 58, "B51"},
        {"Y1", 58, "B50"},      {"X20", 58, "X20"},   {"X21", 59, "B54"},     {"Y0", 59, "B49"},
        {"Y21", 60, "B54"},     {"X20", 60, "B53"},   {"X0", 61, "B49"},      {"Y11", 61, "B52"},
        {"Y0", 61, "Y0"},       {"Y21", 65, "B54"},   {"X21", 66, "B54"},     {"X10", 67, "X10"},
        {"B100", 49, "B100"},   {"", 49, ""}};
    for (const auto& r : rows)
        EXPECT_EQ(EquateAdd(r.var, r.board), r.result) << r.var << " on " << r.board;
}

TEST(BoardIo, AddressesOutsideABoardsRangeAreRefused) {
    const struct {
        const char* var;
        int board;
        bool valid;
    } rows[] = {
        {"B31", 68, false},   {"B32", 68, true},     {"B8275", 68, true},  {"B8276", 68, false},
        {"W183", 68, false},  {"W8274", 68, true},   {"X21", 68, false},   {"C0", 68, true},
        {"C1", 68, false},    {"X12", 59, false},    {"X21", 59, true},    {"X22", 59, false},
        {"X31", 59, false},   {"X21", 69, true},     {"X0", 0, false},     {"B255", 49, true},
        {"B256", 49, false},  {"W254", 49, true},    {"D255", 49, false},  {"W256", 49, false},
        {"B65535", 55, true}, {"B65536", 55, false}, {"W65534", 55, true}, {"F120", 49, true},
        {"F121", 49, false},  {"F991", 50, true},    {"F992", 67, false},  {"I151", 49, true},
        {"I21", 56, true},    {"I31", 56, false},    {"I0", 58, false},    {"Y151", 50, true},
        {"Y152", 50, false},  {"X21.5", 59, true},   {"X22.5", 59, false}, {"b32", 49, true},
        {"", 49, false}};
    for (const auto& r : rows)
        EXPECT_EQ(ValidAdd(r.var, r.board), r.valid) << r.var << " on " << r.board;
}

// The link's traffic as the traffic monitor shows it (the program download's
// records; the other operations are the monitor's own tests), and the
// voran.link log a field engineer can turn on.

// A program download as the board's program mode frames it: the handshake
// into program mode, records of count, address and data each answered with
// its sum, and the attention byte that ends it.
TEST(Traffic, NamesProgramRecordsByAddress) {
    TrafficDecoder d(10.0);
    std::string lines;
    const auto out = [&](bool sent, int b, double t) {
        lines += FormatTrafficLine(sent ? d.sent(b, t) : d.received(b, t)) + "\n";
    };
    const std::vector<std::pair<bool, int>> wire = {
        {true, 0xFF}, {false, 0x55}, {true, 0x03},  {false, 0x55}, {true, 0x02}, {true, 0x40},
        {true, 0x00}, {true, 0xFF},  {true, 0x12},  {false, 0x53}, {true, 0x01}, {true, 0x7F},
        {true, 0xF0}, {true, 0xAA},  {false, 0x1A}, {true, 0xFF},  {false, 0x55}};
    double t = 10.0;
    for (const auto& [sent, b] : wire) out(sent, b, t += 0.0005);
    EXPECT_EQ(lines, R"(     0.500 ms  ->  FF 255  attention
     1.000 ms  <-  55  85  acknowledge
     1.500 ms  ->  03   3  program mode
     2.000 ms  <-  55  85  acknowledge
     2.500 ms  ->  02   2
     3.000 ms  ->  40  64
     3.500 ms  ->  00   0  record 4000H, 2 bytes
     4.000 ms  ->  FF 255
     4.500 ms  ->  12  18
     5.000 ms  <-  53  83  record answer
     5.500 ms  ->  01   1
     6.000 ms  ->  7F 127
     6.500 ms  ->  F0 240  record 7FF0H, 1 byte
     7.000 ms  ->  AA 170
     7.500 ms  <-  1A  26  record answer
     8.000 ms  ->  FF 255  end of program mode
     8.500 ms  <-  55  85  acknowledge
)");
}

QStringList gTrace;
void collect(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (QString(context.category) == "voran.link") gTrace << text;
}

TEST_F(LinkTest, TraceShowsEveryByteBothWaysOnlyWhenEnabled) {
    goOnline();
    gTrace.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    link.RSRead("B8176");
    EXPECT_TRUE(gTrace.isEmpty()) << "off by default";

    QLoggingCategory::setFilterRules("voran.link.debug=true");
    board.memory()[8176] = 0x2A;
    link.RSRead("B8177");
    link.RSRead("B8176");
    QLoggingCategory::setFilterRules("");
    qInstallMessageHandler(previous);

    ASSERT_EQ(gTrace.size(), 8);
    EXPECT_TRUE(gTrace[0].startsWith("-> 0x1F  t="));
    EXPECT_TRUE(gTrace[1].startsWith("<- 0x1F  t="));
    EXPECT_TRUE(gTrace[2].startsWith("-> 0xF1  t="));
    EXPECT_TRUE(gTrace[7].startsWith("<- 0x2A  t="));
}

// The link through the network: a raw TCP connection to the simulated board
// on 127.0.0.1 side by side with the in-process board, and voran-cli through
// k900-sim serving TCP, through ser2net and over the pseudo-terminal itself.

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

// The link's windows. The Traffic Monitor: the decoder's lines, as the trace
// shows them, reach its model for each kind of operation and trouble, filter
// and pause, the 100,000-line cap, Save As, and watching the link only while
// the window exists. Edit > Comm Port: what the window shows, what Save
// writes, and how the link follows.

// The trace of one exchange at `ms`: the PC's byte, then the board's answer,
// each with what it means (if anything).
std::string exchange(double ms, int sent, int answer, const std::string& sentMeaning = "",
                     const std::string& answerMeaning = "") {
    const auto line = [ms](const char* way, int byte, const std::string& meaning) {
        char head[40];
        std::snprintf(head, sizeof head, "%10.3f ms  %s  %02X %3d", ms, way, byte, byte);
        return head + (meaning.empty() ? "" : "  " + meaning) + "\n";
    };
    return line("->", sent, sentMeaning) + line("<-", answer, answerMeaning);
}
// Attention and a command mode's code, each acknowledged.
std::string command(double ms, int code, const std::string& meaning) {
    return exchange(ms, 0xFF, 0x55, "attention", "acknowledge") +
           exchange(ms, code, 0x55, meaning, "acknowledge");
}
// W182 read (1000): its two address pairs, each answered with its byte.
std::string readW182(double ms) {
    return exchange(ms, 0x00, 0x00) + exchange(ms, 0xB6, 0xE8, "", "R182 = 232") +
           exchange(ms, 0x00, 0x00) + exchange(ms, 0xB7, 0x03, "", "R183 = 3");
}

class TrafficMonitorTest : public ::testing::Test, protected WindowContext {
protected:
    TrafficPort tracedPort{port, clock};
    TrafficHub hub{link, tracedPort};
    FakeFileDialog dialogs;
    // What the decoder itself makes of the same traffic.
    std::vector<TrafficLine> decoded;
    TrafficTap reference{clock.now(), [this](const TrafficLine& l) { decoded.push_back(l); }};
    std::unique_ptr<frmTrafficMonitor> window;

    void SetUp() override {
        ctx.traffic = &hub;
        ctx.dialogs = &dialogs;
        window = std::make_unique<frmTrafficMonitor>(ctx);
        hub.attach(&reference);
        link.OpenRSComm(tracedPort);
        ASSERT_TRUE(link.OnlineMode);
    }
    // A read, a write, a PLS frame, then a read that loses a byte (time-out,
    // resync, retry).
    void runEveryKind() {
        board.preset("W182", 1000);
        auto t = link.begin();
        ASSERT_TRUE(t);
        EXPECT_EQ(t->read("W182"), "1000");
        t->write("B1004", "61");
        EXPECT_FALSE(t->writeFailed());
        EXPECT_EQ(board.peek("B1004"), 61);
        pls::readWord(*t, pls::kReadOffset);
        port.dropAt = {port.bytesWritten() + 4};
        EXPECT_EQ(t->read("W182"), "1000");
    }
    std::vector<std::string> shownTexts() const {
        std::vector<std::string> out;
        for (const TrafficLine* l : window->model().shown()) out.push_back(l->text);
        return out;
    }
    static bool has(const std::vector<std::string>& texts, const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
};

TEST_F(TrafficMonitorTest, TheDecodersLinesReachTheModelAndTheFilterPicksTheirKinds) {
    const std::size_t greeting = decoded.size();
    runEveryKind();
    // Every byte decoded, and the link's time-out, resync and retry as lines
    // of their own.
    std::string text;
    for (std::size_t i = greeting; i < decoded.size(); ++i)
        text += FormatTrafficLine(decoded[i]) + "\n";
    EXPECT_EQ(text, command(0, 0x01, "read mode") + readW182(0) + command(0, 0x02, "write mode") +
                        exchange(0, 0x03, 0x03) + exchange(0, 0xEC, 0xEC) +
                        exchange(0, 0x3D, 0x3D, "W1004 = 61") +
                        command(0, 0x28, "PLS read offset") + exchange(0, 0x55, 0x00) +
                        exchange(0, 0x55, 0x00, "", "offset = 0") + command(0, 0x01, "read mode") +
                        exchange(0, 0x00, 0x00) +
                        R"(     0.000 ms  ->  B6 182
  1000.000 ms  !!          time-out: no answer from the board
  1000.000 ms  ->  FF 255  attention
  1000.000 ms  <-  55  85  acknowledge
  1000.000 ms  !!          resync: the frame is given up, the next command starts afresh
  1000.000 ms  !!          retry: the operation once more
)" + command(1600, 0x01, "read mode") +
                        readW182(1600));
    window->showPending();
    std::vector<TrafficLine> shown;
    for (const TrafficLine* l : window->model().shown()) shown.push_back(*l);
    EXPECT_EQ(shown, decoded);
    EXPECT_EQ(window->model().rowCount(), static_cast<int>(decoded.size()));

    const struct {
        TrafficFilter filter;
        TrafficKind kind;
        const char* oneText;
    } rows[] = {
        {TrafficFilter::Reads, TrafficKind::Read, "R182 = 232"},
        {TrafficFilter::Writes, TrafficKind::Write, "W1004 = 61"},
        {TrafficFilter::Pls, TrafficKind::Pls, nullptr},
        {TrafficFilter::Errors, TrafficKind::Fault, "time-out: no answer from the board"},
    };
    for (const auto& r : rows) {
        window->cboFilter()->setCurrentIndex(static_cast<int>(r.filter));
        ASSERT_FALSE(window->model().shown().empty());
        for (const TrafficLine* l : window->model().shown()) EXPECT_EQ(l->kind, r.kind);
        if (r.oneText) {
            EXPECT_TRUE(has(shownTexts(), r.oneText)) << r.oneText;
        }
    }
    window->cboFilter()->setCurrentIndex(static_cast<int>(TrafficFilter::Errors));
    EXPECT_TRUE(has(shownTexts(), "resync: the frame is given up, the next command starts afresh"));
    EXPECT_TRUE(has(shownTexts(), "retry: the operation once more"));
}

TEST_F(TrafficMonitorTest, PauseHoldsTheLinesBackAndTheWindowWatchesOnlyWhileItExists) {
    window->hide();  // another window on show: still recording
    window->cmdPause_Click();
    link.RSRead("B1004");
    window->showPending();
    EXPECT_EQ(window->model().kept(), 0u);
    window->cmdPause_Click();
    EXPECT_EQ(window->model().kept(), decoded.size());
    EXPECT_GT(decoded.size(), 0u);

    hub.detach(&reference);
    EXPECT_TRUE(hub.watched());
    window.reset();
    EXPECT_FALSE(hub.watched());
    EXPECT_EQ(tracedPort.observer(), nullptr) << "nothing decoded once the window is gone";
}

TEST_F(TrafficMonitorTest, AWindowOpenedWhileTheLinkStaysInReadModeNamesTheReads) {
    board.preset("B1004", 61);
    ASSERT_EQ(link.RSRead("B1004"), "61");
    frmTrafficMonitor late(ctx);
    ASSERT_EQ(link.RSRead("B1004"), "61");
    late.showPending();
    ASSERT_EQ(late.model().kept(), 4u) << "one address pair, no handshake";
    EXPECT_EQ(late.model().shown().back()->text, "R1004 = 61");
}

TEST_F(TrafficMonitorTest, KeepsTheNewest100000LinesAndSavesThemAsTextOrCsv) {
    TrafficModel& model = window->model();
    std::vector<TrafficLine> many(TrafficModel::kMaxLines + 5);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = {static_cast<double>(i), TrafficDirection::Sent, 0xFF, TrafficKind::Handshake,
                   "attention"};
    model.append({many.begin(), many.begin() + 10});
    model.append({many.begin() + 10, many.end()});
    EXPECT_EQ(model.kept(), TrafficModel::kMaxLines);
    EXPECT_EQ(model.rowCount(), static_cast<int>(TrafficModel::kMaxLines));
    EXPECT_EQ(model.shown().front()->ms, 5.0);
    EXPECT_EQ(model.shown().back()->ms, static_cast<double>(TrafficModel::kMaxLines + 4));

    window->cmdClear()->click();
    window->model().append(
        {{1.5, TrafficDirection::Sent, 0xFF, TrafficKind::Handshake, "attention"},
         {2.25, TrafficDirection::Received, 0x03, TrafficKind::Read, "R183 = 3"},
         {3, TrafficDirection::Event, -1, TrafficKind::Fault, "a, \"b\""}});
    dialogs.choose(path("trace.csv"));
    ASSERT_TRUE(window->cmdSaveAs_Click());
    EXPECT_EQ(readFile("trace.csv"),
              "ms,direction,hex,decimal,meaning\r\n1.500,->,FF,255,attention\r\n"
              "2.250,<-,03,3,R183 = 3\r\n3.000,!!,,,\"a, \"\"b\"\"\"\r\n");
    dialogs.choose(path("trace.txt"));
    ASSERT_TRUE(window->cmdSaveAs_Click());
    std::string text;
    for (const TrafficLine* l : window->model().shown()) text += FormatTrafficLine(*l) + "\r\n";
    EXPECT_EQ(readFile("trace.txt"), text);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "     1.500 ms  ->  FF 255  attention");
    dialogs.choose(path("missing/trace.txt"));
    EXPECT_FALSE(window->cmdSaveAs_Click());
    EXPECT_EQ(messages.shown.size(), 1u);
}

class CommPort : public ::testing::Test, protected WindowContext {
protected:
    // Everything under the program folder, as relative paths.
    std::set<std::string> files() const {
        std::set<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(folder.path().toStdString()))
            if (e.is_regular_file())
                out.insert(fs::relative(e.path(), folder.path().toStdString()).string());
        return out;
    }
    void openWindow(const std::string& deviceRoot = "/") {
        window = std::make_unique<frmSetupComm>(ctx, nullptr, deviceRoot);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void save() { QTest::mouseClick(window->cmdSave(), Qt::LeftButton); }
    // Gives the port box the focus as Tab would and types over its text.
    QLineEdit* typePort(const char* typed) {
        QLineEdit* box = window->txtCommPort()->lineEdit();
        box->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(box->hasFocus());
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(typed));
        return box;
    }
    QString portText() const { return window->txtCommPort()->text(); }
    bool closed() const { return !window->isVisible(); }

    std::unique_ptr<frmSetupComm> window;
};

// One file content per row, each in a fresh program folder.
struct HeldSettings {
    const char* content;
    const char* shown;
    int speed;
};
class CommPortOpening : public CommPort, public ::testing::WithParamInterface<HeldSettings> {};

TEST_P(CommPortOpening, SettingsOpenAsTheFileHoldsThemAndCancelWritesNothing) {
    const auto [content, shown, speed] = GetParam();
    writeFile("Support/RSPort.cfg", content);
    openWindow();
    EXPECT_EQ(portText(), QString::fromLatin1(shown));
    EXPECT_TRUE(window->optPortSpeed(speed)->isChecked());
    window->cmdCancel()->click();
    EXPECT_TRUE(closed());
    EXPECT_EQ(readFile("Support/RSPort.cfg"), content);
}
INSTANTIATE_TEST_SUITE_P(Rows, CommPortOpening,
                         ::testing::Values(HeldSettings{"3,19200\n", "3", 1},
                                           HeldSettings{"7,9600", "7", 0},
                                           HeldSettings{"0,19200", "1", 1},
                                           HeldSettings{"", "1", 0}, HeldSettings{"junk", "1", 0},
                                           HeldSettings{"120,9600\r\n", "99", 0}));

TEST_F(CommPort, Port1At19200WritesTheLinksFileAndEachToolFolders) {
    // Folders and files matched without regard to case; TNX96 is missing.
    writeFile("tnx51/tarnix.sfg", "4\r\n");
    fs::create_directories(path("PLS51"));
    openWindow();
    window->txtCommPort()->setText(QStringLiteral("1"));
    window->optPortSpeed(1)->click();
    save();
    EXPECT_EQ(readFile("Support/RSPort.cfg"), "1,19200\n");
    EXPECT_EQ(readFile("tnx51/tarnix.sfg"), "0\r\n");
    EXPECT_EQ(readFile("PLS51/TARNIX.SFG"), "0\r\n");
    EXPECT_EQ(files(), (std::set<std::string>{"Support/RSPort.cfg", "tnx51/tarnix.sfg",
                                              "PLS51/TARNIX.SFG"}));
}

TEST_F(CommPort, PortOutside1To99IsRefusedWithTheRangeAndTheBoxTakesDigitsOnly) {
    writeFile("Support/RSPort.cfg", "4,9600\n");
    for (const char* typed : {"0", "100", "000"}) {
        openWindow();
        QLineEdit* edit = typePort(typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_EQ(messages.shown, std::vector{box("Only a Number Between 1 and 99 can be Entered",
                                                  "Comm Port", MsgIcon::Information)})
            << typed;
        EXPECT_EQ(portText(), QStringLiteral("4")) << typed;
        EXPECT_TRUE(edit->hasFocus()) << typed;
        messages.shown.clear();

        // Still in the box and saved with Alt+S: refused the same way.
        QTest::keyClicks(edit, QString::fromLatin1(typed));
        window->cmdSave_Click();
        EXPECT_EQ(messages.shown.size(), 1u) << typed;
        EXPECT_FALSE(closed());
        EXPECT_EQ(readFile("Support/RSPort.cfg"), "4,9600\n") << typed;
        messages.shown.clear();
        window->cmdCancel_Click();
    }

    // The box takes digits only; Escape takes back what was typed and, with
    // nothing to take back, closes the window without writing anything.
    struct Case {
        const char* typed;
        const char* shown;
        int escapesToClose;
    };
    const Case cases[] = {{"", "4", 1}, {"abc", "4", 1}, {"1x2", "12", 2}, {"-3", "3", 2}};
    for (const Case& c : cases) {
        openWindow();
        QLineEdit* edit = typePort(c.typed);
        EXPECT_EQ(portText(), QString::fromLatin1(c.shown)) << c.typed;
        for (int k = 1; k <= c.escapesToClose; ++k) {
            EXPECT_FALSE(closed()) << c.typed << " before Escape " << k;
            QTest::keyClick(edit, Qt::Key_Escape);
        }
        EXPECT_TRUE(closed()) << c.typed;
        EXPECT_EQ(readFile("Support/RSPort.cfg"), "4,9600\n") << c.typed;
        EXPECT_TRUE(messages.shown.empty()) << c.typed;
    }
}

TEST_F(CommPort, SavingClosesTheWindowAndReopensTheLinkWithTheNewSettingsOnlyWhenOnline) {
    for (const bool online : {false, true}) {
        SCOPED_TRACE(online ? "online" : "offline");
        if (online) ctx.goOnline();
        ASSERT_EQ(link.OnlineMode, online);
        openWindow();
        // Offline port 2 at 9600; online, from there, port 5 at 19200.
        window->txtCommPort()->setText(online ? QStringLiteral("5") : QStringLiteral("2"));
        window->optPortSpeed(online ? 1 : 0)->click();
        save();
        EXPECT_TRUE(closed());
        EXPECT_EQ(window->result(), QDialog::Accepted);
        EXPECT_EQ(link.OnlineMode, online);
        EXPECT_EQ(port.isOpen(), online);
        EXPECT_EQ(port.sent().empty(), !online);
    }
    EXPECT_EQ(port.portNumber(), 5);
    EXPECT_EQ(port.settings(), "19200,n,8,1");
    EXPECT_EQ(link.settings(), (PortSettings{5, 19200}));
}

TEST_F(CommPort, PortThatCannotBeOpenedKeepsTheWindowOpenAndTheProgramOffline) {
    ctx.goOnline();
    openWindow();
    port.openError = {2, "SimPort", "There is no such port."};
    window->txtCommPort()->setText(QStringLiteral("9"));
    save();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Comm Port Error");
    EXPECT_FALSE(closed());
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(readFile("Support/RSPort.cfg"), "9,9600\n");

    // Another try with a port that opens goes online and closes the window.
    port.openError = {};
    window->txtCommPort()->setText(QStringLiteral("3"));
    save();
    EXPECT_TRUE(closed());
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(port.portNumber(), 3);
}

TEST_F(CommPort, UnwritableSettingsFileIsReportedAndTheWindowStays) {
    // A folder where the file should be: it cannot be replaced.
    fs::create_directories(path("Support/RSPort.cfg"));
    openWindow();
    messages.shown.clear();
    save();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "SetupComm");
    EXPECT_EQ(messages.shown[0].text.rfind("Error Number = ", 0), 0u);
    EXPECT_FALSE(closed());
}

TEST_F(CommPort, DeviceBesideThePortNumberSaysWhatItOpens) {
    const std::string device = path("ttyFAKE0");
    writeFile("ttyFAKE0", "");
    fs::create_directories(path("Support"));
    fs::create_symlink(device, path("Support/COM3"));
    fs::create_symlink(path("ttyGONE"), path("Support/COM4"));
    openWindow();
    const auto shown = [&](const char* port) {
        window->txtCommPort()->setText(QString::fromLatin1(port));
        return window->lblPortDevice()->text().toStdString();
    };
    EXPECT_EQ(shown("3"), "COM3 \u2192 " + device);
    EXPECT_EQ(shown("4"), "COM4 \u2192 " + path("ttyGONE") + ", which is missing");
    if (!fs::exists("/dev/ttyS97")) {
        EXPECT_EQ(shown("98"), "COM98: Support/COM98 and /dev/ttyS97 are both missing");
    }
    EXPECT_EQ(shown("abc"), "");
}

TEST_F(CommPort, TheDeviceBoxOffersWhatWasFoundAndMapsThePortNumberToTheChoice) {
    // A made-up machine: one USB adapter by its lasting name, one built-in port.
    writeFile("root/dev/ttyUSB0", "");
    writeFile("root/dev/ttyS0", "");
    fs::create_directories(path("root/dev/serial/by-id"));
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink("../../ttyUSB0", path("root" + byId));
    writeFile("Support/RSPort.cfg", "3,19200\n");
    openWindow(path("root"));
    const QComboBox* box = window->cboPortDevice();
    QStringList offered;
    for (int i = 0; i < box->count(); ++i) offered << box->itemText(i);
    EXPECT_EQ(offered, (QStringList{"Its own device (no mapping)",
                                    QString::fromStdString(byId) +
                                        "  \u2014  FTDI FT232R USB UART, serial A50285BI (ttyUSB0)",
                                    "/dev/ttyS0  \u2014  serial port COM1"}));
    EXPECT_EQ(box->currentIndex(), 0) << "nothing mapped yet";

    struct Step {
        std::function<void()> choose;
        std::string label;    // beside the number, before Save
        std::string mapping;  // Support/PortMap.cfg after Save
    };
    const Step steps[] = {
        {[&] { window->cboPortDevice()->setCurrentIndex(1); },
         "COM3 \u2192 " + byId + ", which is missing", "3," + byId + "\n"},
        {[&] { window->cboPortDevice()->setEditText("rfc2217://10.20.0.13:2217"); },
         "COM3 \u2192 rfc2217://10.20.0.13:2217", "3,rfc2217://10.20.0.13:2217\n"},
        {[&] { window->cboPortDevice()->setCurrentIndex(0); }, "", ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.mapping);
        openWindow(path("root"));
        step.choose();
        if (!step.label.empty()) {
            EXPECT_EQ(window->lblPortDevice()->text().toStdString(), step.label);
        }
        save();
        EXPECT_TRUE(closed());
        EXPECT_EQ(readFile("Support/PortMap.cfg"), step.mapping);
        EXPECT_EQ(readFile("Support/RSPort.cfg"), "3,19200\n") << "keeps its port,speed line";
    }
    // The window opens showing what the number is mapped to.
    writeFile("Support/PortMap.cfg", "3,socket://127.0.0.1:4001\n");
    openWindow(path("root"));
    EXPECT_EQ(window->cboPortDevice()->currentText(), "socket://127.0.0.1:4001");
    EXPECT_TRUE(messages.shown.empty());

    // A typed text that names no port is refused before anything is written.
    for (const char* bad : {"socket://127.0.0.1", "ttyUSB0", "7"}) {
        messages.shown.clear();
        window->cboPortDevice()->setEditText(QString::fromLatin1(bad));
        save();
        ASSERT_EQ(messages.shown.size(), 1u) << bad;
        EXPECT_EQ(messages.shown[0].title, "Comm Port");
        EXPECT_FALSE(closed());
        EXPECT_EQ(readFile("Support/PortMap.cfg"), "3,socket://127.0.0.1:4001\n");
    }
    EXPECT_NE(messages.shown[0].text.find("cannot stand for another"), std::string::npos);
}

}  // namespace
}  // namespace voran::testing
