// The link in trouble: a board that falls silent, refuses commands or stays
// busy, callers that arrive while the link is busy, a lost byte, a late
// answer, a stray byte, a vanished adapter, and settings or a port that
// cannot be used. A failure is never passed off as a value, and a write
// never lands at a wrong address.
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>

#include "FileKinds.h"
#include "LinkFixture.h"
#include "SimPls.h"
#include "link/LinkFraming.h"
#include "platform/ForwardingPort.h"
#include "timing/PlsCommands.h"
#include "timing/PlsFrames.h"

namespace voran::testing {
namespace {

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

}  // namespace
}  // namespace voran::testing
