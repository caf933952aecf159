// The link against the simulated board. In trouble: a board that falls
// silent, refuses commands or stays busy, callers that arrive while the link
// is busy, a lost byte, a late answer, a stray byte, a vanished adapter, and
// settings or a port that cannot be used; a failure is never passed off as a
// value, and a write never lands at a wrong address. Then what crosses the
// wire for data items, the addresses as typed, and the traffic as shown.
#include <QLoggingCategory>
#include <QString>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "FileKinds.h"
#include "SimLink.h"
#include "SimPls.h"
#include "link/AddressCodec.h"
#include "link/BoardAddress.h"
#include "link/LinkFraming.h"
#include "link/TrafficDecoder.h"
#include "platform/ForwardingPort.h"
#include "timing/PlsCommands.h"
#include "timing/PlsFrames.h"

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
    // Opens the link and forgets the greeting on the wire.
    void goOnline() {
        link.OpenRSComm(port);
        ASSERT_TRUE(link.OnlineMode);
        port.clearTrace();
    }
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

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

// A program download as the board's program mode frames it: the handshake
// into program mode, records of count, address and data each answered with
// its sum, and the attention byte that ends it.
TEST(Traffic, NamesProgramRecordsByAddress) {
    TrafficDecoder d(10.0);
    std::vector<std::string> lines;
    const auto out = [&](bool sent, int b, double t) {
        lines.push_back(FormatTrafficLine(sent ? d.sent(b, t) : d.received(b, t)));
    };
    const std::vector<std::pair<bool, int>> wire = {
        {true, 0xFF}, {false, 0x55}, {true, 0x03},  {false, 0x55}, {true, 0x02}, {true, 0x40},
        {true, 0x00}, {true, 0xFF},  {true, 0x12},  {false, 0x53}, {true, 0x01}, {true, 0x7F},
        {true, 0xF0}, {true, 0xAA},  {false, 0x1A}, {true, 0xFF},  {false, 0x55}};
    double t = 10.0;
    for (const auto& [sent, b] : wire) out(sent, b, t += 0.0005);
    EXPECT_EQ(Joined(lines), R"(     0.500 ms  ->  FF 255  attention
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

}  // namespace
}  // namespace voran::testing
