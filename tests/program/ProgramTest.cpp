// Programs for the board: the download and the upload, the same transfers
// with waits that keep the window alive, voran-cli's program commands, the
// program files and their rules, the program menu commands, the progress
// window, Help > About, and the target board window.
#include <QAction>
#include <QDateTime>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#include "AliveLink.h"
#include "FileKinds.h"
#include "ShellHarness.h"
#include "SimProgram.h"
#include "Version.h"
#include "WindowFixture.h"
#include "data/Transfer.h"
#include "platform/ForwardingPort.h"
#include "program/BoardTable.h"
#include "program/FaultText.h"
#include "program/HexImage.h"
#include "program/ProgramDownload.h"
#include "program/ProgramFiles.h"
#include "program/ProgramState.h"
#include "program/ProgramUpload.h"
#include "program/TargetBoardInfo.h"
#include "program/ui/frmAbout.h"
#include "program/ui/frmDownloadProg.h"
#include "program/ui/frmTargetBoard.h"

namespace voran::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A revision line: the ident, then checksum and revision as MarkHEX pairs.
inline std::string revisionText(const std::string& ident, int checksum, int revision) {
    std::string c = HexByteText(checksum), r = HexByteText(revision);
    return ident + HEX2MarkHEX(c) + HEX2MarkHEX(r) + "\r\n";
}

// An image of `data` from `start` in 16-byte records and the end record.
inline std::string imageText(int start, const Bytes& data) {
    std::string text;
    for (std::size_t i = 0; i < data.size(); i += 16) {
        const int n = static_cast<int>(std::min<std::size_t>(16, data.size() - i));
        text += HexRecordLine(start + static_cast<int>(i), data.data() + i, n);
    }
    return text + kHexEndRecord + "\r\n";
}

// The titles of the boxes shown, in order.
std::vector<std::string> titles(const FakeMessageBox& boxes) {
    std::vector<std::string> t;
    for (const auto& b : boxes.shown) t.push_back(b.title);
    return t;
}

// The link online against the in-process board, in a program folder that
// holds the program sets a test writes.
class ProgramTest : public ::testing::Test, protected FreshLink {
protected:
    ProgramState program;

    // Writes a program set NAME.tnx/.rev/.hex (and .lcf when given); returns
    // the path of the program file.
    std::string writeSet(const std::string& name, char boardType,
                         const std::optional<std::string>& revision,
                         const std::optional<std::string>& image,
                         const std::optional<std::string>& config = std::nullopt) {
        std::string tnx(1, boardType);
        tnx += "PROGRAM,TARNIX\r\n";
        folder.write(name + ".tnx", tnx);
        if (revision) folder.write(name + ".rev", *revision);
        if (image) folder.write(name + ".hex", *image);
        if (config) folder.write(name + ".lcf", *config);
        return folder.path(name + ".tnx");
    }
    void setIdent(const std::string& ident, int checksum, int revision) {
        for (int i = 0; i < 8; ++i)
            board.memory()[kIdentBlock + i] =
                i < static_cast<int>(ident.size()) ? static_cast<std::uint8_t>(ident[i]) : 0;
        board.memory()[kIdentBlock + 8] = static_cast<std::uint8_t>(checksum);
        board.memory()[kIdentBlock + 9] = static_cast<std::uint8_t>(revision);
    }
    // Bytes the PC sent since the trace was cleared.
    Bytes sent() const { return port.sent(); }
};

// Reading the ident block from an idle board: the read handshake, then the
// ten address pairs of EFF0H..EFF9H.
Bytes identRead() {
    Bytes b{0xFF, 0x01};
    for (int i = 0; i < 10; ++i) b.insert(b.end(), {0xEF, static_cast<std::uint8_t>(0xF0 + i)});
    return b;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Writing the ident block: the write handshake, then the ten bytes. The
// first ident byte says whether the block holds an ident: it is cleared
// first and set last.
Bytes identWrite(const std::array<std::uint8_t, 10>& block) {
    const bool clearing = block[0] == 0;
    Bytes b{0xFF, 0x02};
    for (int k = 0; k < 10; ++k) {
        const int i = clearing ? k : (k + 1) % 10;
        b.insert(b.end(), {0xEF, static_cast<std::uint8_t>(0xF0 + i), block[i]});
    }
    return b;
}

std::array<std::uint8_t, 10> identBlockOf(const sim::SimBoard& board) {
    std::array<std::uint8_t, 10> b{};
    for (int i = 0; i < 10; ++i) b[i] = board.memory()[kIdentBlock + i];
    return b;
}

class Download : public ProgramTest {
protected:
    Bytes data16() const {
        Bytes d;
        for (int i = 0; i < 16; ++i) d.push_back(static_cast<std::uint8_t>(i));
        return d;
    }
    // Two records (16 bytes at 4000H, FFH 55H 03H at 4010H) and the end.
    std::string smallImage() const {
        return imageText(0x4000, cat({data16(), {0xFF, 0x55, 0x03}}));
    }

    std::string select(const std::string& ident, char type = 'D',
                       std::optional<std::string> image = std::nullopt,
                       std::optional<std::string> config = std::nullopt) {
        const std::string tnx = writeSet("line", type, revisionText(ident, 79, 10),
                                         image ? *image : smallImage(), config);
        DownloadFile(program.set, tnx, link.messages());
        EXPECT_TRUE(program.set.ValidProgram);
        return tnx;
    }
    DownloadOutcome run(MsgResult answer = MsgResult::Yes) {
        boxes.answers = {answer};
        return DumpProgram(link, program, boxes);
    }
    // Ends one row of a table: the link closed, the boxes forgotten.
    void nextRow() {
        link.CloseRSComm();
        boxes.shown.clear();
    }
};

TEST_F(Download, SmallProgramByteForByteThenIdentBlock) {
    setIdent("OLDPROG1", 1, 2);
    select("ABC");
    goOnline();
    ASSERT_EQ(run(), DownloadOutcome::Complete);

    EXPECT_EQ(sent(), cat({identRead(),
                           {0xFF, 0x02, 0x1F, 0xF5, 86},  // B8181 = 86
                           {0x1F, 0xF0, 0},               // B8176 = 0
                           {0xFF},                        // after 0.1 s
                           identWrite({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                           {0xFF, 0x03},  // program mode
                           {0x10, 0x40, 0x00},
                           data16(),
                           {0x03, 0x40, 0x10, 0xFF, 0x55, 0x03},
                           {0xFF},  // leave program mode
                           identWrite({'A', 'B', 'C', 0, 0, 0, 0, 0, 79, 10})}));

    // One answer per record, its sum; the closing FFH answered 55H.
    std::vector<std::pair<std::uint8_t, double>> replies;
    int exitAnswer = 0;
    double firstIdentWrite = 0, beforeAttention = 0, attention = 0;
    int pcBytes = 0;
    const int zeroing = 2 + 30;
    const int recordEnd1 = 22 + 5 + 3 + 1 + zeroing + 2 + 19, recordEnd2 = recordEnd1 + 6;
    for (std::size_t i = 0; i < port.wire.size(); ++i) {
        const sim::WireByte& w = port.wire[i];
        if (w.toBoard) {
            ++pcBytes;
            if (pcBytes == 30) beforeAttention = w.time;
            if (pcBytes == 31) attention = w.time;
            if (pcBytes == recordEnd2 + 2) firstIdentWrite = w.time;
            continue;
        }
        if (pcBytes == recordEnd1 || pcBytes == recordEnd2) replies.push_back({w.byte, w.time});
        if (pcBytes == recordEnd2 + 1) exitAnswer = w.byte;
        if (pcBytes > 33 + zeroing && pcBytes < recordEnd1) {
            ADD_FAILURE() << "answer inside a record";
        }
    }
    EXPECT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].first, (0x10 + 0x40 + 120) & 0xFF);
    EXPECT_EQ(replies[1].first, (3 + 0x40 + 0x10 + 0xFF + 0x55 + 3) & 0xFF);
    EXPECT_EQ(exitAnswer, 0x55);
    EXPECT_GE(attention - beforeAttention, 0.1);
    EXPECT_GE(firstIdentWrite - replies[1].second, 2.0) << "the board stores before the ident";

    for (int i = 0; i < 16; ++i) EXPECT_EQ(board.memory()[0x4000 + i], i);
    EXPECT_EQ((Bytes{board.memory()[0x4010], board.memory()[0x4011], board.memory()[0x4012]}),
              (Bytes{0xFF, 0x55, 0x03}));
    EXPECT_EQ(identBlockOf(board),
              (std::array<std::uint8_t, 10>{'A', 'B', 'C', 0, 0, 0, 0, 0, 79, 10}));
    EXPECT_FALSE(board.program().inProgramMode());

    const std::string question =
        "Program to be loaded into module (on disk):\r\n  Program Ident: \t\tABC\r\n  Program "
        "Revision: \t\t10\r\n  Program Checksum: \t79\r\n  Target Board: \t\tK-900(PLC)\r\n\r\n"
        "Program currently loaded in module:\r\n  Program Ident: \t\tOLDPROG1\r\n  Program "
        "Revision: \t\t2\r\n  Program Checksum: \t1\r\n\r\nEntire program file will be dumped "
        "to the PLC.\r\nAll outputs are off while program dump occurrs.\r\n\r\nDo You Wish to "
        "Continue?\r\n";
    EXPECT_EQ(
        boxes.shown,
        (std::vector<FakeMessageBox::Shown>{
            box(question, "Program Download - [ABC]", MsgIcon::Question, MsgButtons::YesNoCancel),
            box("Program Download Complete!", "Program Download", MsgIcon::Information)}));
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(program.set.ValidProgram) << "the program must be chosen again";
    EXPECT_FALSE(program.progress.InProgramMode);
}

// Configuration boards get their three items by code. The question shows
// the board's ident without its trailing zeros; an ident of ten characters
// is written as its first eight.
TEST_F(Download, ConfigurationBoardsGetTheirThreeItemsByCodeAndIdentsTheirEightCharacters) {
    struct Row {
        int c36, c39, c40;
        int b8188, b8189, b8190;
    };
    const Row rows[] = {
        {1, 4, 1, 5, 4, 3}, {2, 0, 2, 10, 0, 5}, {3, 9, 3, 20, 9, 12}, {0, 7, 0, 20, 7, 12}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.c36 * 100 + r.c39 * 10 + r.c40);
        const std::string lcf = "@" + std::string(34, '0') + std::to_string(r.c36) + "00" +
                                std::to_string(r.c39) + std::to_string(r.c40) + "000%\r\n";
        setIdent("XY", 5, 6);
        select("ABCDEFGHIJ", ':', imageText(0x2000, Bytes{1, 2, 3}), lcf);
        goOnline();
        ASSERT_EQ(run(), DownloadOutcome::Complete);
        EXPECT_NE(boxes.shown[0].text.find("loaded in module:\r\n  Program Ident: \t\tXY\r\n"),
                  std::string::npos);
        const auto ident = identBlockOf(board);
        EXPECT_EQ(std::string(ident.begin(), ident.begin() + 8), "ABCDEFGH");
        std::vector<std::pair<int, int>> writes;
        for (const WireAccess& a : DecodeSent(sent()))
            if (a.write && a.address < kIdentBlock) writes.push_back({a.address, a.value});
        EXPECT_EQ(writes,
                  (std::vector<std::pair<int, int>>{
                      {8181, 86}, {8176, 0}, {8188, r.b8188}, {8189, r.b8189}, {8190, r.b8190}}));
        EXPECT_EQ((Bytes{board.memory()[0x2000], board.memory()[0x2002]}), (Bytes{1, 3}));
        nextRow();
    }
}

TEST_F(Download, BadImageIsRefusedWithNothingSent) {
    const std::string good = smallImage();
    struct Row {
        const char* name;
        std::optional<std::string> image;
        FakeMessageBox::Shown expected;
        bool validAfter;
    };
    const std::string hex = folder.path("line.hex");
    // The image read finds it damaged: the line and what is wrong with it.
    const auto invalid = [&](const std::string& where) {
        return box("Currently Selected Program is Invalid.\r\n\r\n" + hex + " line " + where +
                       "\r\n\r\nProgram Download Halted!",
                   "Program Dump", MsgIcon::Exclamation);
    };
    const std::string first = good.substr(0, good.find('\n') + 1);
    const Row rows[] = {
        {"bad checksum on line 2", first + ":03401000FF5503AB\r\n",
         invalid("2: the record checksum is wrong."), false},
        {"empty file", std::string(),
         box(hex + " File is Not Valid\r\n\r\nProgram Downloaded Halted", "Program Download",
             MsgIcon::Exclamation),
         true},
        {"no file", std::nullopt,
         box(hex + " File Does Not Exist.\r\n\r\nProgram Downloaded Halted", "Program Download",
             MsgIcon::Information),
         true},
    };
    setIdent("OLDPROG1", 1, 2);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        select("ABC");
        if (r.image)
            folder.write("line.hex", *r.image);
        else
            std::filesystem::remove(hex);
        goOnline();
        ASSERT_EQ(run(), DownloadOutcome::Refused);
        EXPECT_EQ(sent(), identRead()) << "nothing after the question";
        EXPECT_EQ(boxes.shown.back(), r.expected);
        EXPECT_TRUE(link.OnlineMode) << "nothing was sent: still online";
        EXPECT_EQ(program.set.ValidProgram, r.validAfter);
        EXPECT_NE(board.peek("B8181"), 86);
        EXPECT_EQ(identBlockOf(board)[0], 'O') << "the ident stays";
        nextRow();
    }
}

TEST_F(Download, DeclinedOfflineOrInvalidSendsNothing) {
    select("ABC");
    // Offline: the message and nothing else.
    ASSERT_EQ(run(), DownloadOutcome::NotStarted);
    EXPECT_EQ(boxes.shown, (std::vector<FakeMessageBox::Shown>{
                               box("Program is Currently OFFLINE.\r\n\r\nSwitch to ONLINE MODE to "
                                   "Continue.",
                                   "Program Download", MsgIcon::Information)}));
    goOnline();
    for (MsgResult answer : {MsgResult::No, MsgResult::Cancel}) {
        port.clearTrace();
        ASSERT_EQ(run(answer), DownloadOutcome::Declined);
        EXPECT_EQ(DecodeSent(sent(), 1).size(), 10u) << "the ident reads only";
        EXPECT_TRUE(link.OnlineMode);
    }
    program.set.ValidProgram = false;
    boxes.shown.clear();
    port.clearTrace();
    ASSERT_EQ(run(), DownloadOutcome::NotStarted);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(boxes.shown.back().text,
              "Currently Selected Program is Invalid.\r\n\r\nProgram Download Halted!");
}

// Bytes outside the board type's program memory (the K-900's is 4000H to
// BFFFH) may be meant, but they overwrite the board's data: they go only
// after a question of their own that names them.
TEST_F(Download, BytesOutsideProgramMemoryGoOnlyAfterTheirOwnQuestion) {
    struct Row {
        const char* name;
        int address;
        const char* ranges;
    };
    const Row rows[] = {
        {"data memory", 0x0000, "0000H to 000FH"},
        {"fault code and entry item", 0x1FF0, "1FF0H to 1FFFH"},
        {"the top page", 0xFF00, "FF00H to FF0FH"},
    };
    const std::string hex = folder.path("line.hex");
    for (const Row& r : rows) {
        for (const MsgResult answer : {MsgResult::No, MsgResult::Yes}) {
            SCOPED_TRACE(std::string(r.name) + (answer == MsgResult::Yes ? " Yes" : " No"));
            board.memory().fill(0);
            const Bytes data = data16();
            select("ABC", 'D',
                   HexRecordLine(0x4000, data.data(), 16) +
                       HexRecordLine(r.address, data.data(), 16) + kHexEndRecord + "\r\n");
            goOnline();
            boxes.answers = {MsgResult::Yes, answer};
            const DownloadOutcome outcome = DumpProgram(link, program, boxes);
            ASSERT_GE(boxes.shown.size(), 2u);
            EXPECT_EQ(boxes.shown[1],
                      box("The image " + hex +
                              " holds bytes outside the K-900(PLC) program memory (4000H to "
                              "BFFFH):\r\n  " +
                              r.ranges +
                              "\r\n\r\nThey will replace whatever the board keeps there."
                              "\r\n\r\nDo you wish to download them as well?",
                          "Program Download - Outside Program Memory", MsgIcon::Exclamation,
                          MsgButtons::YesNo));
            if (answer == MsgResult::No) {
                EXPECT_EQ(outcome, DownloadOutcome::Refused);
                EXPECT_EQ(sent(), identRead()) << "nothing sent";
                EXPECT_TRUE(link.OnlineMode);
            } else {
                EXPECT_EQ(outcome, DownloadOutcome::Complete);
                EXPECT_EQ(board.memory()[r.address + 15], 15);
                EXPECT_EQ(board.memory()[0x4001], 1);
            }
            nextRow();
        }
    }
}

// A write that failed twice (lost bytes, no link fault) never ends in "Complete".
TEST_F(Download, FailedWritesEndItWithTheMessageOfTheirStep) {
    const std::string lcf = "@" + std::string(34, '0') + "1004" + "1000%\r\n";
    const auto configBox = box("Could Not Set Program Configuration in PLC!",
                               "Program Config Download", MsgIcon::Critical);
    const auto identBox = box("Could Not Send Program Ident and Revision to PLC!",
                              "Program Download", MsgIcon::Critical);
    const auto notComplete =
        box("Program Download Not Complete!", "Program Download", MsgIcon::Critical);
    struct Row {
        const char* name;
        const char* burst;  // each write and its retry lose their last byte
        bool armInProgramMode;
        std::vector<FakeMessageBox::Shown> ends;
        bool programSent;
    };
    const Row rows[] = {
        {"entry B8181", "1,at=1FF5,times=2", false, {notComplete}, false},
        {"configuration B8188", "1,at=1FFC,times=2", false, {configBox, notComplete}, false},
        {"configuration B8190", "1,at=1FFE,times=2", false, {configBox, notComplete}, false},
        {"clearing the ident", "1,after=22,at=EFF3,times=2", false, {identBox, notComplete}, false},
        {"writing the ident", "1,at=EFF3,times=2", true, {identBox, notComplete}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        board.memory().fill(0);
        board.preset("B8188", 77);
        board.preset("B8190", 78);
        setIdent("OLDPROG1", 1, 2);
        select("NEWPROG", ':', imageText(0x2000, data16()), lcf);
        goOnline();
        bool armed = false;
        program.doEvents = [&] {
            if (r.armInProgramMode && !armed && board.program().entered > 0) {
                ASSERT_TRUE(port.burst.parse(r.burst));
                armed = true;
            }
        };
        if (!r.armInProgramMode) {
            ASSERT_TRUE(port.burst.parse(r.burst));
        }
        EXPECT_EQ(run(), DownloadOutcome::NotComplete);
        program.doEvents = nullptr;
        EXPECT_EQ(port.burst.bursts(), 2) << "the write and its retry";
        ASSERT_GE(boxes.shown.size(), r.ends.size());
        EXPECT_EQ(std::vector<FakeMessageBox::Shown>(boxes.shown.end() - r.ends.size(),
                                                     boxes.shown.end()),
                  r.ends);
        EXPECT_FALSE(link.OnlineMode);
        EXPECT_EQ(board.memory()[0x2001] == 1, r.programSent);
        EXPECT_FALSE(board.peek("B8188") == 5 && board.peek("B8190") == 3 &&
                     identBlockOf(board)[0] == 'N')
            << "never the whole new program claimed";
        if (r.programSent) {
            EXPECT_EQ(identBlockOf(board)[0], 0) << "no ident over it";
        }
        nextRow();
        port.burst = {};
    }
}

// A download halted part way (a record answered with a wrong sum or not at
// all, a board that stays in program mode) is reported and leaves the link
// offline with the selection kept. Part of a program is in: the ident block,
// cleared before the first record, says that no program is loaded, and the
// next download's question shows it.
TEST_F(Download, HaltedDownloadIsReportedAndLeavesAnEmptyIdentBlock) {
    const auto checksum =
        box("Checksum Error, Program Download Halted!", "Program Download", MsgIcon::Exclamation);
    struct Row {
        const char* name;
        int wrongSumAt, silentAfter;
        bool stay;
        FakeMessageBox::Shown last;
    };
    const Row rows[] = {
        {"wrong sum", 2, 0, false, checksum},
        {"no answer", 0, 2, false, checksum},
        {"stays in program mode", 0, 0, true,
         box("PLC did not Exit Program Mode!", "Program Download", MsgIcon::Critical)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        setIdent("OLDPROG1", 1, 2);
        board.program().wrongSumAt = r.wrongSumAt;
        board.program().silentAfter = r.silentAfter;
        board.program().refuseExit = r.stay;
        select("ABC");
        goOnline();
        const double start = clock.now();
        ASSERT_EQ(run(), DownloadOutcome::Halted);
        EXPECT_EQ(titles(boxes),
                  (std::vector<std::string>{"Program Download - [ABC]", "Program Download"}));
        EXPECT_EQ(boxes.shown.back(), r.last);
        if (!r.stay) {
            // The second record was the last thing sent: no closing FFH, no ident.
            const Bytes s = sent();
            EXPECT_EQ(Bytes(s.end() - 6, s.end()), (Bytes{0x03, 0x40, 0x10, 0xFF, 0x55, 0x03}));
        }
        if (r.silentAfter) {
            EXPECT_GE(clock.now() - start, 1.0);
        }
        EXPECT_FALSE(link.OnlineMode);
        EXPECT_TRUE(program.set.ValidProgram) << "a halt keeps the selection";
        EXPECT_TRUE(board.program().inProgramMode());
        EXPECT_EQ(board.memory()[0x4001], 1) << "part of the new program is in";
        EXPECT_EQ(identBlockOf(board), (std::array<std::uint8_t, 10>{})) << "no ident written";

        // The next greeting (FFH where a record would begin) takes the board
        // out of program mode.
        board.program().wrongSumAt = board.program().silentAfter = 0;
        board.program().refuseExit = false;
        nextRow();
        select("ABC");
        goOnline();
        run(MsgResult::No);
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_NE(boxes.shown[0].text.find(
                      "Program currently loaded in module:\r\n  Program Ident: \t\t(none: the "
                      "last program download did not complete)\r\n  Program Revision: "
                      "\t\t-\r\n  Program Checksum: \t-\r\n"),
                  std::string::npos)
            << boxes.shown[0].text;
        nextRow();
    }
}

// What the progress window is given each time it may repaint: the address
// of the record about to be sent (never the one before), and "ident" while
// the block is cleared and while the ident is written (and, through the
// clock's pause, during the 2 s the board takes to store the program).
TEST_F(Download, ProgressNamesTheRecordBeingSentAndTheIdentWrites) {
    select("ABC");
    goOnline();
    const ProgramProgress& p = program.progress;
    std::vector<std::string> seen;
    int identSteps = 0;
    program.doEvents = [&] {
        const std::string now = p.WritingIdent ? "ident" : p.CurrentProgramAdd;
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        if (p.WritingIdent) {
            ++identSteps;
        } else {
            // The record named has not gone out yet: the last byte sent is
            // the program-mode code or the last data byte of the record before.
            EXPECT_EQ(port.sent().back(), p.CurrentProgramAdd == "4000H" ? 0x03 : 0x0F);
        }
    };
    // A window that is slow to repaint between two records (1 s) does not
    // take the board out of program mode.
    const auto progress = program.doEvents;
    program.doEvents = [&] {
        progress();
        if (!p.WritingIdent) clock.advance(1.0);
    };
    ASSERT_EQ(run(), DownloadOutcome::Complete);
    program.doEvents = nullptr;
    EXPECT_EQ(seen, (std::vector<std::string>{"ident", "4000H", "4010H", "ident"}));
    EXPECT_GE(identSteps, 10 + 10) << "after each write of the clearing and of the ident";
}

// The program upload against the simulated board: the files it writes, the
// exchanges it needs, and the earlier set left alone when it fails.

// The simulated port, falling silent for good after `after` bytes from the
// PC (the cable pulled at an exact byte).
class CutPort : public ForwardingPort {
public:
    CutPort(sim::SimPort& port) : ForwardingPort(port), sim_(port) {}
    long long after = -1;
    long long written = 0;
    bool writeByte(std::uint8_t b) override {
        ++written;
        sim_.silent = after >= 0 && written >= after;
        return inner_.writeByte(b);
    }

private:
    sim::SimPort& sim_;
};

class Upload : public ProgramTest {
protected:
    std::string tnx;
    void prepare(char type, const std::string& name = "back") {
        folder.write(name + ".tnx", std::string(1, type) + "PROGRAM\r\n");
        tnx = folder.path(name + ".tnx");
        UploadFile(program.set, tnx, link.messages());
        program.progress.InUploadMode = true;
    }
    UploadOutcome run() { return UploadProgram(link, program, boxes); }
    void fillMemory(int start, int length) {
        for (int i = 0; i < length; ++i)
            board.memory()[start + i] = static_cast<std::uint8_t>((i * 7 + 3) ^ (i >> 8));
    }
};

// A byte lost on the line costs one read started again, as in the data upload.
TEST_F(Upload, K900ProgramComesBackByteForByteEvenWhenAByteIsLost) {
    fillMemory(0x4000, 0x8000);
    setIdent("FLANGE3", 10, 255);
    const Bytes memory(board.memory().begin() + 0x4000, board.memory().begin() + 0xC000);
    // PC bytes counted from the read handshake (0: none lost): ident block,
    // first record, the middle of the memory, its last byte.
    for (const long long at : {0LL, 7LL, 2LL + 20 + 5, 2LL + 20 + 20000, 2LL + 20 + 65536}) {
        SCOPED_TRACE(at);
        boxes.shown.clear();
        prepare('D');
        goOnline();
        if (at > 0) port.dropAt = {port.bytesWritten() + at};
        ASSERT_EQ(run(), UploadOutcome::Complete);
        EXPECT_EQ(folder.read("back.hex"), imageText(0x4000, memory))
            << "2048 records of 16 bytes and the end";
        EXPECT_EQ(folder.read("back.rev"), std::string("FLANGE3\0", 8) + "0:??\r\n");
        EXPECT_FALSE(folder.read("back.lcf")) << "the K-900 has no configuration file";
        if (at == 0) {
            // One handshake, then two exchanges per byte: 10 ident bytes and 32768.
            EXPECT_EQ(sent().size(), 2u + 2 * (10 + 32768));
        }
        EXPECT_EQ(boxes.shown,
                  (std::vector<FakeMessageBox::Shown>{
                      box("Program Upload Complete!", "Program Upload", MsgIcon::Information)}));
        EXPECT_FALSE(program.progress.InUploadMode);
        EXPECT_TRUE(link.OnlineMode);
        EXPECT_FALSE(link.CommError);
        link.CloseRSComm();
    }
}

TEST_F(Upload, PlsSetGetsRevisionAndAnEmptyImage) {
    setIdent("", 0, 0);
    prepare('7');
    goOnline();
    ASSERT_EQ(run(), UploadOutcome::Complete);
    EXPECT_EQ(folder.read("back.hex"), ":00000001FF\r\n");
    EXPECT_EQ(folder.read("back.rev"), std::string(8, '\0') + "0000\r\n");
}

TEST_F(Upload, ConfigurationBoardsWriteTheirConfigurationLine) {
    struct Row {
        int b8190, b8189, b8188;
        const char* digits;  // positions 36 to 40 (37 and 38 always 0)
    };
    const Row rows[] = {{3, 4, 5, "10041"}, {5, 0, 10, "20002"}, {12, 7, 20, "30073"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.digits);
        for (const auto& [item, value] :
             {std::pair{"B8190", r.b8190}, {"B8189", r.b8189}, {"B8188", r.b8188}})
            board.preset(item, value);
        prepare(':');
        goOnline();
        ASSERT_EQ(run(), UploadOutcome::Complete);
        EXPECT_EQ(folder.read("back.lcf"), "@" + std::string(34, '0') + r.digits + "000%\r\n");
        link.CloseRSComm();
    }
}

TEST_F(Upload, LinkFaultOnTheLastByteLeavesTheEarlierSetAsItWas) {
    CutPort cut(port);
    folder.write("back.rev", "OLDREV0102\r\n");
    folder.write("back.lcf", "OLD LCF\r\n");
    folder.write("back.hex", ":00000001FF\r\n");
    fillMemory(0x2000, 0x6000);
    prepare(':');
    link.OnlineMode = true;
    link.OpenRSComm(cut);
    ASSERT_TRUE(link.OnlineMode);
    // After the greeting: handshake, 10 ident bytes, 3 configuration items,
    // then the memory; the last byte's low address byte is never answered.
    cut.after = cut.written + 2 + 2 * (10 + 3 + 0x6000);
    ASSERT_EQ(run(), UploadOutcome::NotComplete);
    EXPECT_EQ(boxes.shown.back(), box("Program Upload Not Complete!\r\n\r\nHEX file not created.",
                                      "Program Upload", MsgIcon::Critical));
    EXPECT_EQ(folder.read("back.rev"), "OLDREV0102\r\n");
    EXPECT_EQ(folder.read("back.lcf"), "OLD LCF\r\n");
    EXPECT_EQ(folder.read("back.hex"), ":00000001FF\r\n");
    EXPECT_TRUE(link.CommError);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(program.progress.InUploadMode);
}

TEST_F(Upload, RefusedBeforeTheBoardIsTouched) {
    struct Row {
        const char* name;
        std::optional<char> type;  // nothing: no program file
        bool online;
        bool inUploadMode;
        std::vector<FakeMessageBox::Shown> expected;
    };
    const auto one = [](const std::string& text, MsgIcon icon) {
        return std::vector{box(text, "Program Upload", icon)};
    };
    const Row rows[] = {
        {"not asked", 'D', true, false, {}},
        {"offline", 'D', false, true,
         one("Program is Currently OFFLINE.\r\n\r\nSwitch to ONLINE MODE to Continue.",
             MsgIcon::Information)},
        {"N-22 reaches FFFFH", '2', true, true,
         one("Program Upload Not Complete!\r\n\r\nThe N-22 program memory runs to FFFFH; "
             "addresses FF00H to FFFFH cannot be read over the PROG port.\r\n\r\nHEX file not "
             "created.",
             MsgIcon::Critical)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boxes.shown.clear();
        prepare(*r.type, r.name);
        program.progress.InUploadMode = r.inUploadMode;
        if (r.online) goOnline();
        port.clearTrace();
        EXPECT_NE(run(), UploadOutcome::Complete);
        EXPECT_TRUE(sent().empty());
        EXPECT_EQ(boxes.shown, r.expected);
        EXPECT_FALSE(folder.read(std::string(r.name) + ".rev"));
        EXPECT_FALSE(folder.read(std::string(r.name) + ".hex"));
        EXPECT_FALSE(program.progress.InUploadMode);
        link.CloseRSComm();
    }
}

// The set is replaced as one unit: each new file is written whole beside
// its target first, and only then are they renamed into place, the .rev
// last. A file that cannot be written, or a rename that fails part way,
// leaves the earlier set byte for byte (and no temporary file behind).
TEST_F(Upload, WriteFailureLeavesTheEarlierSetByteForByte) {
    struct Row {
        const char* name;
        bool fullDisk;     // files larger than 4 KiB cannot be written
        bool revIsFolder;  // the .rev cannot be replaced
    };
    fillMemory(0x2000, 0x6000);
    setIdent("NEWIDENT", 1, 2);
    for (const Row& r : {Row{"no room for the image", true, false},
                         Row{"the revision file cannot be replaced", false, true}}) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove_all(folder.path("back.rev"));
        if (r.revIsFolder)
            folder.write("back.rev/keep", "x");
        else
            folder.write("back.rev", "OLDREV0102\r\n");
        folder.write("back.lcf", "OLD LCF\r\n");
        folder.write("back.hex", ":00000001FF\r\n");
        prepare(':');
        goOnline();
        boxes.shown.clear();

        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
        if (r.fullDisk) {
            rlimit small = old;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const UploadOutcome outcome = run();
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldSignal);

        EXPECT_EQ(outcome, UploadOutcome::WriteFailed);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "RSComm-Upload Program");
        EXPECT_NE(boxes.shown[0].text.find(r.fullDisk ? "back.hex" : "back.rev"), std::string::npos)
            << boxes.shown[0].text;
        if (!r.revIsFolder) {
            EXPECT_EQ(folder.read("back.rev"), "OLDREV0102\r\n");
        }
        EXPECT_EQ(folder.read("back.lcf"), "OLD LCF\r\n");
        EXPECT_EQ(folder.read("back.hex"), ":00000001FF\r\n");
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            if (e.path().filename().string().rfind("back", 0) == 0)
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names,
                  (std::vector<std::string>{"back.hex", "back.lcf", "back.rev", "back.tnx"}));
        link.CloseRSComm();
    }
}

// The link's waits keep the window alive: during the program download's
// pause the event loop runs (a test timer fires) while no second transaction
// starts, Cancel in the progress window ends a download cleanly, and every
// transfer puts the same bytes on the wire at the same moments as with plain
// blocking waits.

Bytes pattern(int n, int offset) {
    Bytes b;
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>((i * 13 + offset) & 0xFF));
    return b;
}

// One world each: the board, the clock and the link, with plain or alive
// waits (a link of its own on the alive clock). The answers take a
// millisecond, as on a 9600 bit/s line.
struct World : FreshLink {
    explicit World(bool aliveWaits) {
        port.replyDelay = 0.001;
        if (aliveWaits) {
            wiring = std::make_unique<AliveWiring>(clock, port);
            alive = std::make_unique<RSComm>(wiring->aliveClock, boxes, folder.path());
            watch = std::make_unique<TurnWatch>(clock, *alive, port);
        }
        used().OnlineMode = true;
        used().OpenRSComm(wiring ? static_cast<ISerialPort&>(wiring->busyPort) : port);
        tables.BuildDefaults(clock.localDateTime());
        for (int i = 0; i < 0x400; ++i) board.memory()[0x2000 + i] = static_cast<std::uint8_t>(i);
        folder.write("set.tnx", "4PROGRAM,TARNIX\r\n");  // N-31: 2000H..3FFFH
        folder.write("set.rev", revisionText("FLANGE3", 79, 10));
        folder.write("set.hex", imageText(0x2000, pattern(256, 9)));
    }
    RSComm& used() { return alive ? *alive : link; }

    SetupTables tables;
    std::unique_ptr<AliveWiring> wiring;
    std::unique_ptr<RSComm> alive;
    ProgramState program;
    std::unique_ptr<TurnWatch> watch;
};

TEST(AliveTransfers, EveryTransferPutsTheSameBytesOnTheWireAtTheSameMoments) {
    const struct {
        const char* name;
        std::function<void(World&)> run;
        double pause = 0;  // its pause, when it makes one
    } operations[] = {
        {"Upload Data",
         [](World& w) { DataTransfer(w.used(), w.tables).RunTransfer(kTransferUpload); }},
        {"Download Data",
         [](World& w) { DataTransfer(w.used(), w.tables).RunTransfer(kTransferDownload); }},
        {"program download",
         [](World& w) {
             DownloadFile(w.program.set, w.folder.path("set.tnx"), w.used().messages());
             w.boxes.answers = {MsgResult::Yes};
             EXPECT_EQ(DumpProgram(w.used(), w.program, w.boxes), DownloadOutcome::Complete);
         },
         2.0},  // after the records
        {"program upload",
         [](World& w) {
             UploadFile(w.program.set, w.folder.path("set.tnx"), w.used().messages());
             w.program.progress.InUploadMode = true;
             UploadProgram(w.used(), w.program, w.boxes);
         }},
    };
    for (const auto& op : operations) {
        SCOPED_TRACE(op.name);
        World plain(false), alive(true);
        op.run(plain);
        op.run(alive);
        ASSERT_GT(plain.port.wire.size(), 100u);
        EXPECT_TRUE(plain.port.wire == alive.port.wire) << "same bytes, same moments";
        EXPECT_EQ(plain.boxes.shown, alive.boxes.shown);
        EXPECT_GT(alive.watch->fired.size(), 10u) << "the event loop ran meanwhile";
        EXPECT_EQ(alive.watch->whileFree, 0);
        EXPECT_EQ(alive.watch->bytesFromShots, 0);
        if (op.pause == 0) continue;
        // The pause: the longest silence on the wire, with a timer shot every slice.
        const auto& wire = alive.port.wire;
        std::size_t at = 1;
        for (std::size_t i = 1; i < wire.size(); ++i)
            if (wire[i].time - wire[i - 1].time > wire[at].time - wire[at - 1].time) at = i;
        EXPECT_DOUBLE_EQ(wire[at].time - wire[at - 1].time, op.pause);
        EXPECT_GE(alive.watch->shotsBetween(wire[at - 1].time, wire[at].time),
                  static_cast<int>(op.pause / AliveWait::kSlice) - 2);
    }
}

TEST(AliveTransfers, CancelEndsTheProgramDownloadAtTheNextSafePointAsNotComplete) {
    // When the operator clicks Cancel, the records the board got by the end
    // (of 16), and whether the download left program mode first.
    const struct {
        const char* when;
        int recordsSent;
        bool leftProgramMode;
    } cases[] = {{"during the records", 2, false}, {"during the pause", 16, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        World w(true);
        RSComm& link = w.used();
        DownloadFile(w.program.set, w.folder.path("set.tnx"), link.messages());
        ASSERT_TRUE(w.program.set.ValidProgram);
        w.boxes.answers = {MsgResult::Yes};
        const auto before = w.board.memory();
        w.port.clearTrace();
        frmDownloadProg window(link, w.program);
        window.SetTransferMode(ProgramTransfer::Download);
        const bool inRecords = c.recordsSent < 16;
        w.watch->onFire = [&] {
            const bool now = inRecords ? w.program.progress.CurrentProgramAdd == "2020H"
                                       : w.clock.now() - w.port.wire.back().time > 0.5;
            if (now) window.cmdCancel()->click();
        };
        window.RunTransfer();

        ASSERT_EQ(w.boxes.shown.size(), 2u);
        EXPECT_EQ(w.boxes.shown[1],
                  box("Program Download Not Complete!", "Program Download", MsgIcon::Critical));
        EXPECT_FALSE(link.OnlineMode);
        EXPECT_FALSE(w.program.progress.InProgramMode);
        EXPECT_FALSE(w.program.set.ValidProgram);
        for (int r = 0; r < 16; ++r)
            EXPECT_EQ(w.board.memory()[0x2000 + 16 * r + 1] != before[0x2000 + 16 * r + 1],
                      r < c.recordsSent)
                << "record " << r;
        // The last thing on the wire: the last record's answer, or the
        // board's answer to leaving program mode. No ident was written: the
        // block stays as it was cleared before the first record.
        ASSERT_GE(w.port.wire.size(), 2u);
        EXPECT_FALSE(w.port.wire.back().toBoard);
        EXPECT_EQ(w.port.wire[w.port.wire.size() - 2].byte == 0xFF, c.leftProgramMode);
        for (int i = 0; i < kIdentBlockLength; ++i) EXPECT_EQ(w.board.memory()[kIdentBlock + i], 0);
        EXPECT_EQ(w.watch->bytesFromShots, 0);
    }
}

// voran-cli program-download, program-upload and status over a real
// pseudo-terminal against k900-sim: a program sent to the board comes back
// as the same file set.

TEST(CliProgram, DownloadThenUploadGivesTheSameFileSet) {
    SimProgramFolder folder;
    folder.write("Support/FaultErrCodes.txt", "45,\"User program fault, see sfunc09\"\r\n");
    ASSERT_TRUE(folder.startBoard(4, 19200, "B8177 69\nB8159 23\n")) << folder.said;

    // A whole N-31 image (2000H to 3FFFH), written as an upload writes it;
    // the benchmark runs the 32 KiB of a K-900.
    Bytes program(0x2000);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    folder.write("line.tnx", "4PROGRAM\r\n");
    folder.write("line.rev", revisionText("FLANGE03", 200, 7));
    folder.write("line.hex", imageText(0x2000, program));
    folder.write("back.tnx", "4PROGRAM\r\n");

    RunResult o = folder.cli({"program-download", folder.path("line.tnx")});
    EXPECT_EQ(o.status, 2) << "no terminal and no --yes: " << o.err;

    o = folder.cli({"program-download", "--yes", folder.path("line.tnx")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("Program Ident:   FLANGE03\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Target Board:   N-31\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("downloaded " + folder.path("line.hex")), std::string::npos);
    EXPECT_EQ(o.err, "Program Download: Program Download Complete!\n");

    o = folder.cli({"program-upload", folder.path("back.tnx")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "uploaded " + folder.path("back.hex") + "\n");
    EXPECT_EQ(folder.read("back.hex"), folder.read("line.hex"));
    EXPECT_EQ(folder.read("back.rev"), folder.read("line.rev"));

    o = folder.cli({"status"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "current fault:     Fault Code (00H): \n"
              "last fault:        Fault Code (45H): User program fault, see sfunc09\n"
              "firmware revision: 23\n"
              "program ident:     FLANGE03\n"
              "program revision:  7\n"
              "program checksum:  200\n");

    o = folder.cli({"program-upload", folder.path("none.tnx")});
    EXPECT_EQ(o.status, 1);
    EXPECT_FALSE(folder.read("none.hex"));
}

// What a script may rely on: program-download exits 0 only when the board
// holds the whole program and its ident; otherwise 1, with the board's
// program untouched or its ident block empty. Program names in any case.
TEST(CliProgram, ExitStatusSaysWhetherTheBoardHoldsTheProgram) {
    SimProgramFolder folder;
    folder.write("Support/RSPort.cfg", "5,19200\n");
    folder.write("board.preset", "B61424 79\nB61425 76\nB61426 68\nB61432 5\nB61433 6\n");
    Bytes program(0x100);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    const std::string image = imageText(0x2000, program);
    const Bytes low(16, 0x11);
    folder.write("PLANT.TNX", "4PROGRAM\r\n");
    folder.write("PLANT.REV", revisionText("FLANGE03", 200, 7));
    folder.write("PLANT.HEX", image);
    folder.write("WIDE.TNX", "4PROGRAM\r\n");
    folder.write("WIDE.REV", revisionText("WIDE0001", 1, 1));
    folder.write("WIDE.HEX", HexRecordLine(0x0100, low.data(), 16) + image);
    folder.write("EMPTY.TNX", "");

    const std::string none = "(none: the last program download did not complete)";
    struct Row {
        const char* name;
        const char* sim;   // k900-sim's arguments after the preset
        const char* args;  // after "program-download"
        int status;
        std::string said;   // part of stderr
        std::string ident;  // what `status` shows afterwards ("": not asked)
    };
    const Row rows[] = {
        {"wrong record sum", "--program-fault wrong-sum", "--yes PLANT.TNX", 1, "Checksum Error",
         none},
        {"no record answer", "--program-fault silent", "--yes PLANT.TNX", 1, "Checksum Error",
         none},
        {"board stays in program mode", "--program-fault stay", "--yes PLANT.TNX", 1,
         "PLC did not Exit Program Mode!", ""},
        {"entry write lost twice", "--lose-burst 1,at=1FF5,times=2", "--yes PLANT.TNX", 1,
         "Program Download Not Complete!", "OLD"},
        {"bytes outside program memory", "", "--yes WIDE.TNX", 1, "--outside-memory", "OLD"},
        {"bytes outside program memory allowed", "", "--yes --outside-memory WIDE.TNX", 0,
         "Program Download Complete!", "WIDE0001"},
        {"empty program file", "", "--yes EMPTY.TNX", 1, "is empty", "OLD"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> sim = {"--preset", folder.path("board.preset")};
        for (const std::string& a : Words(r.sim)) sim.push_back(a);
        ASSERT_TRUE(folder.startSim(5, sim)) << folder.said;
        std::vector<std::string> args = {"program-download"};
        for (const std::string& a : Words(r.args))
            args.push_back(a.find(".TNX") != std::string::npos ? folder.path(a) : a);
        const RunResult o = folder.cli(args);
        EXPECT_EQ(o.status, r.status) << o.err;
        EXPECT_NE(o.err.find(r.said), std::string::npos) << o.err;
        if (!r.ident.empty()) {
            const RunResult st = folder.cli({"status"});
            EXPECT_NE(st.out.find("program ident:     " + r.ident + "\n"), std::string::npos)
                << st.out << st.err;
        }
        folder.stopSim();
    }

    // An upload that loses a byte reads it again; the set it writes is the
    // board's program.
    ASSERT_TRUE(folder.startSim(5, {"--preset", folder.path("board.preset"), "--program",
                                    folder.path("PLANT.HEX"), "--lose-burst", "1,after=3001"}))
        << folder.said;
    folder.write("BACK.TNX", "4PROGRAM\r\n");
    const RunResult up = folder.cli({"program-upload", folder.path("BACK.TNX")});
    ASSERT_EQ(up.status, 0) << up.err;
    const std::string back = folder.read("BACK.hex").value_or("");
    EXPECT_EQ(back.substr(0, image.size() - 13), image.substr(0, image.size() - 13));
}

// Board table, fault texts, MarkHEX, the revision and configuration file
// rules, the program selection and the image check.

TEST(BoardTable, NamesIndexesClassesAndMemoryByCode) {
    struct Row {
        int code;
        const char* name;
        const char* index;
        ProgramClass kind;
        int start, end;  // -1: no program memory
    };
    const Row rows[] = {
        {48, "0 Is Not Defined.", "", ProgramClass::Incompatible, -1, 0},
        {49, "N-21", "1", ProgramClass::Incompatible, -1, 0},
        {50, "N-22", "1", ProgramClass::Plc, 0x5000, 0xFFFF},
        {51, "N-23", "?", ProgramClass::Plc, 0x2000, 0x7FFF},
        {54, "N-24", "D", ProgramClass::Plc, 0x2000, 0x7FFF},
        {55, "N-41", "", ProgramClass::Pls, -1, 0},
        {56, "N-33", "F", ProgramClass::Plc, 0x2000, 0x3FFF},
        {57, "Not Defined", "", ProgramClass::Incompatible, -1, 0},
        {58, "K-310", "@", ProgramClass::Plc, 0x2000, 0x7FFF},
        {61, "K-410(PLC)", "C", ProgramClass::Plc, 0x2000, 0x7FFF},
        {62, "K-410(PLS)", "", ProgramClass::Pls, -1, 0},
        {65, "J-700", "E", ProgramClass::Plc, 0x2000, 0x7FFF},
        {66, "K-420(PLC)", "", ProgramClass::Plc, 0x2000, 0x7FFF},
        {68, "K-900(PLC)", "G", ProgramClass::Plc, 0x4000, 0xBFFF},
        {69, "K-900(PLS)", "", ProgramClass::Pls, -1, 0},
        {70, "F Is Not Defined.", "", ProgramClass::Incompatible, -1, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(TargetboardName(r.code), r.name);
        EXPECT_EQ(LCFBoardIndex(r.code), r.index);
        EXPECT_EQ(ProgramClassOf(r.code), r.kind);
        const auto range = ProgramMemory(r.code);
        ASSERT_EQ(range.has_value(), r.start >= 0);
        if (range) {
            EXPECT_EQ(std::pair(range->start, range->end()), std::pair(r.start, r.end));
        }
    }
    for (int code = 40; code < 80; ++code)
        EXPECT_EQ(HasConfigFile(code), code >= 56 && code <= 65) << code;
}

TEST(FaultText, CodeTextCaseFirstMatchMissingFileAndFilesThatCannotBeText) {
    HangGuard guard;
    TempFolder folder;
    FakeMessageBox boxes;
    const std::string file = FaultFile(folder.path());
    EXPECT_EQ(FaultDescription(10, file, boxes), "Fault Code (0AH): --- Fault File Not Found ---");

    // The file is found whatever the case of its folder and name; a byte-order
    // mark in front is no part of the first code.
    folder.write("support/faulterrcodes.TXT",
                 "\xEF\xBB\xBF"
                 "00,No fault\r\n"
                 "SAMPLE,\"not a code\"\r\n"
                 "0a,\"Lower-case code, with a comma\"\r\n"
                 "0A,Second record for 0A\r\n"
                 "  1F , Parity error  \r\n"
                 "100,\"Above a byte\"\r\n");
    const std::string found = FaultFile(folder.path());
    EXPECT_EQ(found, folder.path("support/faulterrcodes.TXT"));
    const std::pair<int, const char*> rows[] = {
        {10, "Fault Code (0AH): Lower-case code, with a comma"},
        {31, "Fault Code (1FH): Parity error"},
        {256, "Fault Code (100H): Above a byte"},
        {0, "Fault Code (00H): No fault"},
        {255, "Fault Code (FFH): "},
    };
    for (const auto& [code, text] : rows) EXPECT_EQ(FaultDescription(code, found, boxes), text);
    EXPECT_TRUE(boxes.shown.empty());

    // A 300 MB file of one line, and a named pipe: the box, no description,
    // and no wait (the sparse file is never read).
    std::filesystem::resize_file(found, 300u << 20);
    EXPECT_EQ(FaultDescription(10, found, boxes), "Fault Code (0AH): ");
    std::filesystem::remove(found);
    ASSERT_TRUE(MakeFifo(found));
    EXPECT_EQ(FaultDescription(10, found, boxes), "Fault Code (0AH): ");
    EXPECT_EQ(CodeDescription(found, "0A"), std::nullopt);
    const std::string title = "RSComm FaultDescription";
    EXPECT_EQ(
        boxes.shown,
        (std::vector{
            box("Error Number = 27\r\n\r\nFile too large (more than 16777216 bytes): " + found,
                title, MsgIcon::Information),
            box("Error Number = 22\r\n\r\nNot a regular file: " + found, title,
                MsgIcon::Information)}));
}

TEST(MarkHex, BothWaysAndTheArgumentChangesToo) {
    const std::pair<const char*, const char*> rows[] = {
        {"3?", "3F"}, {"0:", "0A"}, {":;<=>?", "ABCDEF"}, {"19", "19"}, {"", ""}};
    for (const auto& [mark, hex] : rows) {
        std::string m = mark, h = hex;
        EXPECT_EQ(MarkHex2HEX(m), hex);
        EXPECT_EQ(m, hex);
        EXPECT_EQ(HEX2MarkHEX(h), mark);
        EXPECT_EQ(h, mark);
    }
    std::string lower = "0a";
    EXPECT_EQ(HEX2MarkHEX(lower), "0a") << "lower-case letters stay";
    EXPECT_EQ(MarkHexToText("4?"), "79");
}

TEST(ProgramFiles, RevisionAndConfigurationRules) {
    TempFolder folder;
    FakeMessageBox boxes;
    struct Rev {
        const char* line;
        bool ok;
        const char *ident, *checksum, *revision;
        bool box;
    };
    const Rev revs[] = {
        {"CAN124?0:\r\n", true, "CAN12", "79", "10", false},
        {"\"  QUOTED, ID0000\",rest\r\n", true, "  QUOTED, ID", "0", "0", false},
        {"  SPACED4?0:,x\r\n", true, "SPACED", "79", "10", false},
        {"abc\r\n", false, "Unknown", "Unknown", "Unknown", true},
        {"", false, "Unknown", "Unknown", "Unknown", false},
    };
    for (const Rev& r : revs) {
        SCOPED_TRACE(r.line);
        folder.write("p.rev", r.line);
        ProgramSet set;
        boxes.shown.clear();
        EXPECT_EQ(SetProgramIdent(set, folder.path("p.rev"), boxes), r.ok);
        EXPECT_EQ(
            std::tie(set.ProgramIdent, set.ProgramChecksum, set.ProgramRevision),
            std::tuple(std::string(r.ident), std::string(r.checksum), std::string(r.revision)));
        EXPECT_EQ(boxes.shown.size(), r.box ? 1u : 0u);
        if (r.box) {
            EXPECT_EQ(boxes.shown[0].title, "RSComm-Set Program Ident");
        }
    }

    struct Cfg {
        std::string line;
        bool ok;
        int c36, c39, c40;
    };
    const std::string zeros(34, '0');
    const Cfg cfgs[] = {
        {"@" + zeros + "2" + "00" + "41" + "000%\r\n", true, 2, 4, 1},
        {"short line\r\n", true, 0, 0, 0},
        {"@" + zeros + "x" + "00" + "4" + "\r\n", true, 0, 4, 0},
        {"", false, 3, 0, 3},
    };
    for (const Cfg& c : cfgs) {
        SCOPED_TRACE(c.line);
        folder.write("p.lcf", c.line);
        ProgramSet set;
        EXPECT_EQ(SetProgramConfig(set, folder.path("p.lcf"), boxes), c.ok);
        EXPECT_EQ(std::tie(set.LCFCode36, set.LCFCode39, set.LCFCode40),
                  std::tie(c.c36, c.c39, c.c40));
    }
    ProgramSet missing;
    EXPECT_FALSE(SetProgramConfig(missing, folder.path("none.lcf"), boxes));

    // What an upload writes.
    EXPECT_EQ(RevisionLine(std::string("AB\0\0\0\0\0\0", 8), 10, 255),
              std::string("AB\0\0\0\0\0\0", 8) + "0:??\r\n");
    EXPECT_EQ(ConfigLine(58, 1, 4, 2), "@" + zeros + "1" + "00" + "42" + "000%\r\n");
    EXPECT_EQ(ConfigLine(57, 3, 0, 3), zeros + "3" + "00" + "03" + "000%\r\n");
}

class ProgramSelection : public ProgramTest {};

TEST_F(ProgramSelection, DownloadFileChecksTheSetAndSaysWhyAndFindsSiblingsInAnyCase) {
    const std::string rev = revisionText("LINE3", 79, 10);
    const std::string lcf = "@" + std::string(34, '0') + "100" + "42000%\r\n";
    struct Row {
        const char* name;
        char type;
        bool withRev, withLcf;
        bool valid;
        std::vector<FakeMessageBox::Shown> boxes;
    };
    const std::string halted = "\r\n\r\nProgram Downloaded Halted!";
    const auto one = [](const std::string& text, const std::string& title, MsgIcon icon) {
        return std::vector{box(text, title, icon)};
    };
    const auto notValid = [&](const std::string& file, const char* what) {
        return one(folder.path(file) + " " + what + " File is Not Valid" + halted,
                   "Program Download", MsgIcon::Exclamation);
    };
    const auto incompatible = [&](const std::string& name) {
        return one(name + " file is incompatible with target board." + halted, "Program Download",
                   MsgIcon::Critical);
    };
    const Row rows[] = {
        {"k900", 'D', true, false, true, {}},
        {"k310", ':', true, true, true, {}},
        {"norev", '=', false, true, false, notValid("norev.rev", "Revision")},
        {"nolcf", '=', true, false, false, notValid("nolcf.lcf", "Configuration")},
        {"pls", '7', true, false, false,
         one("pls file is a PLS target board program.\r\nOpen PLS program to download to target "
             "board.\r\n\r\nProgram Downloaded Halted.",
             "PLS Program Download", MsgIcon::Information)},
        {"n21", '1', true, false, false, incompatible("n21")},
        {"undef", '9', true, true, false, incompatible("undef")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boxes.shown.clear();
        const std::string tnx =
            writeSet(r.name, r.type, r.withRev ? std::optional(rev) : std::nullopt, std::nullopt,
                     r.withLcf ? std::optional(lcf) : std::nullopt);
        DownloadFile(program.set, tnx, link.messages());
        EXPECT_EQ(program.set.ValidProgram, r.valid);
        EXPECT_EQ(boxes.shown, r.boxes);
    }
    // A missing or empty program file: no message, not valid.
    DownloadFile(program.set, folder.path("none.tnx"), link.messages());
    folder.write("empty.tnx", "");
    DownloadFile(program.set, folder.path("empty.tnx"), link.messages());
    EXPECT_FALSE(program.set.ValidProgram);

    // Sibling files are found whatever their case.
    folder.write("PLANT.TNX", "D\r\n");
    folder.write("PLANT.REV", revisionText("PLANT", 1, 2));
    folder.write("Plant.Hex", ":00000001FF\r\n");
    DownloadFile(program.set, folder.path("PLANT.TNX"), link.messages());
    ASSERT_TRUE(program.set.ValidProgram);
    const ProgramSet& set = program.set;
    EXPECT_EQ(set.ProgramFileName, folder.path("PLANT.TNX"));
    EXPECT_EQ(set.RevisionFileName, folder.path("PLANT.REV"));
    EXPECT_EQ(set.HexFileName, folder.path("Plant.Hex"));
    EXPECT_EQ(set.ConfigFileName, folder.path("PLANT.lcf")) << "none there: spelt as derived";
    EXPECT_EQ(
        std::tie(set.ProgramIdent, set.ProgramChecksum, set.ProgramRevision, set.ProgramBoardName),
        std::tuple(std::string("PLANT"), std::string("1"), std::string("2"),
                   std::string("K-900(PLC)")));
}

TEST(HexImageCheck, EveryLineIsCheckedBeforeAnythingIsSent) {
    const std::string good = ":03401000010203A7\r\n";
    const std::string end = ":00000001FF\r\n";
    struct Row {
        std::string text;
        int badLine;  // 0: accepted
        const char* reason = "";
    };
    const Row rows[] = {
        {good + end, 0},
        {good + ":00000001FF", 0},
        {good + ":00FFFF0101\r\n", 0},
        {good + "\r\n" + end, 2, "the line is empty"},
        {good + end + "\r\n", 3, "the line is empty"},
        {good + "03401000010203A7\r\n" + end, 2, "the line does not begin with \":\""},
        {good + ":03401000010203\r\n", 2, "the record's length does not match its byte count"},
        {good + ":03401000010203A8\r\n", 2, "the record checksum is wrong"},
        {good + ":03401000010203AG\r\n", 2,
         "the line holds a character that is not a hexadecimal digit"},
        {good + ":04401000010203A7\r\n", 2, "the record's length does not match its byte count"},
        {":FF" + std::string(2 * 258, '0') + "01\r\n" + end, 1,
         "a record of 255 bytes cannot be sent (the board takes FFH as the end of the program)"},
        // A file cut at a record boundary, and records the board must never
        // get: after the end record, of another type, past FFFFH.
        {good, 1,
         "the image ends without its end record (:00000001FF): it may have been cut short"},
        {good + good, 2,
         "the image ends without its end record (:00000001FF): it may have been cut short"},
        {good + end + good, 3, "a record follows the end record"},
        {good + end + end, 3, "a record follows the end record"},
        {":020000040000FA\r\n" + good + end, 1,
         "record type 04 is not a data record (only types 00 and 01 are downloaded)"},
        {good + ":01000001AA54\r\n", 2, "the end record holds data"},
        {":02FFFF000102FD\r\n" + end, 1, "the record runs past address FFFFH"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const HexImage image = ParseHexImage(r.text);
        EXPECT_EQ(image.ok, r.badLine == 0) << image.reason;
        EXPECT_EQ(image.badLine, r.badLine);
        EXPECT_EQ(image.reason, r.reason);
        if (!image.ok) {
            EXPECT_TRUE(image.records.empty());
        }
    }
    const HexImage image = ParseHexImage(good + ":02401300AABB46\r\n" + end);
    ASSERT_TRUE(image.ok) << image.reason;
    ASSERT_EQ(image.records.size(), 2u) << "the end record sends nothing";
    EXPECT_EQ(image.records[1].data, (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(image.records[0].address(), 0x4010);
    EXPECT_EQ(image.records[0].sum(), (3 + 0x40 + 0x10 + 1 + 2 + 3) & 0xFF);
}

// The stretches of an image outside a board's program memory, merged and in
// address order.
TEST(HexImageCheck, BytesOutsideProgramMemoryAreNamedAsRanges) {
    struct Row {
        std::vector<std::pair<int, int>> records;  // address, byte count
        std::vector<std::pair<int, int>> outside;  // first, last
    };
    const Row rows[] = {
        {{{0x4000, 16}, {0xBFF0, 16}}, {}},
        {{{0x0000, 16}, {0x4000, 16}}, {{0x0000, 0x000F}}},
        {{{0x1FF0, 16}, {0x3FF8, 16}}, {{0x1FF0, 0x1FFF}, {0x3FF8, 0x3FFF}}},
        {{{0xBFF8, 16}, {0xC008, 8}, {0xFF00, 2}}, {{0xC000, 0xC00F}, {0xFF00, 0xFF01}}},
        {{{0x0010, 4}, {0x0000, 16}}, {{0x0000, 0x0013}}},
    };
    for (const Row& r : rows) {
        std::string text;
        for (const auto& [address, count] : r.records) {
            const Bytes data(static_cast<std::size_t>(count), 0x5A);
            text += HexRecordLine(address, data.data(), count);
        }
        const HexImage image = ParseHexImage(text + ":00000001FF\r\n");
        ASSERT_TRUE(image.ok) << image.reason;
        EXPECT_EQ(BytesOutside(image, {0x4000, 0x8000}), r.outside) << text;
    }
    EXPECT_EQ(AddressRangeText({0x0000, 0x000F}), "0000H to 000FH");
}

// File > Download Program, File > Upload Program... and the progress window,
// in the real frame window against the simulated board; and Help > About.

class ProgramMenu : public ::testing::Test {
protected:
    ShellHarness h;
    std::string path(const std::string& name) const {
        return h.folder.path().toStdString() + "/" + name;
    }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    // A K-900 set "line" with a small image.
    std::string writeSet() const {
        write("line.tnx", "DPROGRAM\r\n");
        write("line.rev", revisionText("ABC", 79, 10));
        write("line.hex", imageText(0x4000, Bytes{9, 8, 7}));
        return path("line.tnx");
    }
};

TEST_F(ProgramMenu, OfflineQuestionDecidesWhetherTheDialogOpens) {
    // Upload Program follows Download Program in the File menu.
    const QList<QAction*> actions = h.window->menu(0)->actions();
    const auto at = actions.indexOf(h.window->action(MenuCommand::FileDownloadProgram));
    ASSERT_GE(at, 0);
    EXPECT_EQ(actions.value(at + 1), h.window->action(MenuCommand::FileUploadProgram));

    h.messages.answers = {MsgResult::No};
    h.window->SelectProgramFile(ProgramCommands::FileUse::Download);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_FALSE(h.link().OnlineMode);

    h.messages.answers = {MsgResult::Yes};
    h.dialogs.cancel();
    h.window->SelectProgramFile(ProgramCommands::FileUse::Download);
    EXPECT_TRUE(h.link().OnlineMode);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    const FileDialogRequest& r = h.dialogs.shown[0].request;
    EXPECT_EQ(r.filters, (std::vector<FileFilter>{{"Tarnix Files(*.tnx)", "*.tnx"}}));
    EXPECT_TRUE(r.fileMustExist);
    EXPECT_TRUE(r.hideReadOnly);
    EXPECT_EQ(r.initialName, "");
    EXPECT_EQ(h.messages.shown.size(), 2u) << "cancelled: nothing more";
}

TEST_F(ProgramMenu, DownloadRunsInTheProgressWindowAfterBothQuestions) {
    const std::string tnx = writeSet();
    h.goOnline();
    h.clearTrace();
    h.dialogs.choose(tnx);
    h.messages.answers = {MsgResult::No};
    h.window->action(MenuCommand::FileDownloadProgram)->trigger();
    EXPECT_EQ(h.messages.shown.back(),
              box("You are about to download \"line.tnx\" to the K-900.\r\n\r\nDo you wish to "
                  "continue?",
                  "Program Download", MsgIcon::Question, MsgButtons::YesNo));
    EXPECT_TRUE(h.port.sent().empty()) << "No: nothing sent";
    EXPECT_EQ(h.window->programCommands().gProgramFilePath, tnx);

    h.messages.shown.clear();
    h.dialogs.choose(tnx);
    h.messages.answers = {MsgResult::Yes, MsgResult::Yes};
    h.window->action(MenuCommand::FileDownloadProgram)->trigger();
    h.stopTimers();
    EXPECT_EQ(titles(h.messages),
              (std::vector<std::string>{"Program Download", "Program Download - [ABC]",
                                        "Program Download"}));
    EXPECT_EQ(h.messages.shown.back().text, "Program Download Complete!");
    EXPECT_EQ(h.dialogs.shown.back().request.initialName, tnx) << "the last path is proposed";
    EXPECT_EQ((Bytes{h.board.memory()[0x4000], h.board.memory()[0x4002]}), (Bytes{9, 7}));
    EXPECT_TRUE(h.link().OnlineMode);
}

TEST_F(ProgramMenu, TargetBoardSelectionHandsThePathOn) {
    std::vector<std::string> handed;
    h.window->programCommands().InitializeTargetBoard = [&](const std::string& p) {
        handed.push_back(p);
    };
    const std::string tnx = writeSet();
    h.dialogs.choose(tnx);
    h.window->SelectProgramFile(ProgramCommands::FileUse::ForTargetBoard);
    h.dialogs.cancel();
    h.window->SelectProgramFile(ProgramCommands::FileUse::ForTargetBoard);
    EXPECT_EQ(handed, (std::vector<std::string>{tnx, tnx}));
    EXPECT_TRUE(h.messages.shown.empty()) << "mode 1 neither asks to go online nor to download";
    EXPECT_FALSE(h.link().OnlineMode);
}

TEST_F(ProgramMenu, UploadAsksBeforeReplacingAnImageThenReadsTheBoard) {
    write("line.tnx", "7PROGRAM\r\n");
    write("line.hex", "OLD");
    h.goOnline();
    h.clearTrace();
    h.dialogs.choose(path("line.tnx"));
    h.messages.answers = {MsgResult::No};
    h.window->action(MenuCommand::FileUploadProgram)->trigger();
    EXPECT_EQ(h.messages.shown.back(),
              box(path("line.hex") +
                      " already exists.\r\n\r\nDo you wish to replace it with the program in "
                      "the target board?",
                  "Program Upload", MsgIcon::Question, MsgButtons::YesNo));
    EXPECT_TRUE(h.port.sent().empty());

    h.dialogs.choose(path("line.tnx"));
    h.messages.answers = {MsgResult::Yes};
    h.window->action(MenuCommand::FileUploadProgram)->trigger();
    h.stopTimers();
    EXPECT_EQ(h.messages.shown.back().text, "Program Upload Complete!");
    std::ifstream in(path("line.hex"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), ":00000001FF\r\n");
    EXPECT_FALSE(h.ctx().program.progress.InUploadMode);
}

TEST_F(ProgramMenu, ProgressLabelFollowsTheTransfer) {
    frmDownloadProg window(h.link(), h.ctx().program);
    ProgramProgress& p = h.ctx().program.progress;
    EXPECT_EQ(window.lblWaitDisplay()->text(), "Sending Program at Address: ");
    EXPECT_EQ(window.Timer1()->interval(), 250);
    struct Row {
        int mode;
        bool program, upload, writing, reading;
        const char* label;
    };
    const Row rows[] = {
        {0, false, false, false, false, "Sending Program at Address: "},
        {0, true, false, false, false, "Writing to Program Address: 4A30H"},
        {0, true, false, true, false, "Writing Program Ident ... "},
        {1, false, false, false, false, "Reading Program at Address: "},
        {1, false, true, false, true, "Reading Program Ident ... "},
        {1, false, true, false, false, "Reading From Program Address: 4A30H"},
    };
    for (const Row& r : rows) {
        window.SetTransferMode(r.mode == 0 ? ProgramTransfer::Download : ProgramTransfer::Upload);
        p = {r.program, r.upload, r.writing, r.reading, "4A30H"};
        window.Timer1_Timer();
        EXPECT_EQ(window.lblWaitDisplay()->text().toStdString(), r.label);
    }
    p = {};
}

// Help > About VORAN: the version of this build and the system-information
// button.
// Starts only the programs it was told are installed; records every try.
struct ProgramsLauncher : ILauncher {
    bool fileExists(const std::string&) const override { return false; }
    bool openDocument(const std::string&) override { return false; }
    bool startProgram(const std::string& program, const std::vector<std::string>& args) override {
        tried.push_back(program);
        EXPECT_TRUE(args.empty());
        return installed.count(program) > 0;
    }
    std::set<std::string> installed;
    std::vector<std::string> tried;
};

class About : public ::testing::Test {
protected:
    ProgramsLauncher launcher;
    FakeMessageBox messages;
    frmAbout window{launcher, messages};
};

TEST_F(About, ShowsTheVersionOfThisBuildAndOkClosesIt) {
    const std::string expected = "Version " + std::to_string(VORAN_VERSION_MAJOR) + "." +
                                 std::to_string(VORAN_VERSION_MINOR) + "." +
                                 std::to_string(VORAN_VERSION_PATCH);
    EXPECT_EQ(window.lblVersion()->text().toStdString(), expected);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("About VORAN"));
    EXPECT_EQ(window.lblTitle()->text(), QStringLiteral("QTR-VORAN Set-up Utility"));
    EXPECT_FALSE(window.picIcon()->pixmap().isNull());
    EXPECT_FALSE(window.lblDescription()->text().isEmpty());
    EXPECT_FALSE(window.lblTechSupport()->text().isEmpty());
    window.show();
    window.cmdOK()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(About, SystemInfoStartsTheFirstViewerThereOrIsUnavailable) {
    const auto& programs = frmAbout::SystemInfoPrograms();
    ASSERT_FALSE(programs.empty());
    launcher.installed = {programs.back()};
    window.cmdSysInfo()->click();
    EXPECT_EQ(launcher.tried, programs);
    EXPECT_TRUE(messages.shown.empty());

    launcher.installed.clear();
    launcher.tried.clear();
    window.cmdSysInfo()->click();
    EXPECT_EQ(launcher.tried, programs);
    EXPECT_EQ(messages.shown, (std::vector<FakeMessageBox::Shown>{
                                  {"System Information Is Unavailable At This Time",
                                   "QTR-VORAN Set-up Utility", MsgButtons::Ok, MsgIcon::None}}));
}

// The target board window: the value rows (network addresses, the board's
// clock), the two Set to Current commands, the window opened from the
// frame's menu; and what it reads and shows.

// The PC's wall clock for the window: set by the test, and when `tick` is
// set it moves on by that many milliseconds each time it is read, as a real
// clock does between two reads. Deadlines follow the link's manual clock.
class WallClock : public IClock {
public:
    explicit WallClock(ManualClock& monotonic) : monotonic_(monotonic) {}
    double now() const override { return monotonic_.now(); }
    DateTime localDateTime() const override {
        const DateTime shown = local_;
        const DateTime& t = local_;
        const QDateTime next = QDateTime(QDate(t.year, t.month, t.day),
                                         QTime(t.hour, t.minute, t.second, t.millisecond), Qt::UTC)
                                   .addMSecs(tickMs);
        local_ = {next.date().year(),   next.date().month(),  next.date().day(), next.time().hour(),
                  next.time().minute(), next.time().second(), next.time().msec()};
        return shown;
    }
    void pause(double seconds) override { monotonic_.advance(seconds); }
    void set(const DateTime& dt) { local_ = dt; }

    int tickMs = 0;

private:
    ManualClock& monotonic_;
    mutable DateTime local_{2026, 3, 14, 9, 26, 53, 0};
};

// The target board window over the in-process board, in a fresh program
// folder; the tests run the monitoring passes themselves.
class TargetBoardWindow : public ::testing::Test, protected WindowContext {
protected:
    void SetUp() override {
        shownClock.use(wall);
        board.rtc().start({2026, 3, 14, 9, 26, 53}, clock.now());
    }
    void TearDown() override {
        if (window) window->done(0);
    }

    // A program set PLANT.* of board type `type` (its first character).
    std::string program(char type, const std::string& revLine = "LINE3?;4:\r\n") {
        writeFile("lines/PLANT.TNX", std::string(1, type) + "TNX,program\r\n");
        if (!revLine.empty()) writeFile("lines/PLANT.REV", revLine);
        writeFile("lines/PLANT.HEX", ":00000001FF\r\n");
        return path("lines/PLANT.TNX");
    }
    // Opens the window for `tarnixFile` as InitializeForm does, without its
    // modal loop; the activation takes the link online.
    void open(const std::string& tarnixFile) {
        window = std::make_unique<frmTargetBoard>(ctx);
        window->monitor().setTimerDriven(false);
        window->load(tarnixFile);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void pass() { window->monitor().runPass(); }
    // Items written since the trace was cleared, as "B8176=0".
    std::vector<std::string> writes() const {
        std::vector<std::string> out;
        for (const WireAccess& a : traffic())
            if (a.write)
                out.push_back("B" + std::to_string(a.address) + "=" + std::to_string(a.value));
        return out;
    }
    std::vector<int> reads() const {
        std::vector<int> out;
        for (const WireAccess& a : traffic())
            if (!a.write) out.push_back(a.address);
        return out;
    }

    NumericEntry* box(int i) const { return window->txtSetup(i); }
    QString label(int i) const { return window->lblTargetBoard(i)->text(); }
    QString text(int i) const { return window->txtTargetBoard(i)->toPlainText(); }
    // The program on the board (ident, revision, checksum) and on disk
    // (ident, revision, checksum, board, image date), as shown.
    QStringList inBoard() const {
        QStringList t;
        for (int i = 0; i < 3; ++i) t << window->lblRevIdentInPLC(i)->text();
        return t;
    }
    QStringList onDisk() const {
        QStringList t;
        for (int i = 0; i < 5; ++i) t << window->lblRevIdentOnDisk(i)->text();
        return t;
    }
    void typeInto(int i, const QString& text) {
        window->tabTargetBoard()->setCurrentIndex(i < 2 ? 2 : 3);
        WindowContext::typeInto(box(i), text);
    }

    WallClock wall{clock};
    std::unique_ptr<frmTargetBoard> window;
};

FakeMessageBox::Shown rangeBox(int minimum, int maximum, const std::string& caption) {
    return {"Only a Number Between " + std::to_string(minimum) + " and " + std::to_string(maximum) +
                " can be Entered",
            "Set-up" + caption, MsgButtons::Ok, MsgIcon::Information};
}

TEST_F(TargetBoardWindow, OutOfRangeEntryGivesOneBoxAndWritesNothing) {
    struct Case {
        char type;
        int row;
        const char* typed;
        FakeMessageBox::Shown box;
    };
    const Case cases[] = {
        {'D', 0, "33", rangeBox(1, 32, "Current Network Address 1:")},
        {'A', 1, "x", rangeBox(1, 32, "Current Network Address 2:")},
        {'6', 2, "24", rangeBox(0, 23, "Hr.")},
        {'6', 5, "13", rangeBox(1, 12, "Mo.")},
        {'6', 7, "100", rangeBox(0, 99, "Yr.")},
    };
    board.preset("B8180", 5);
    board.preset("B8191", 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " in row " + std::to_string(c.row));
        open(program(c.type));
        pass();
        messages.shown.clear();
        clearTrace();
        typeInto(c.row, QString::fromLatin1(c.typed));
        EXPECT_TRUE(window->Editing(c.row));
        key(Qt::Key_Tab);
        EXPECT_EQ(messages.shown, std::vector{c.box});
        EXPECT_TRUE(writes().empty());
        window->done(0);
    }
    EXPECT_EQ(board.peek("B8180"), 5);
}

// An entry accepted, and the spinner, write the row's item. Escape in a row
// first takes back what was typed; the next Escape, with nothing left to
// take back, closes the window (as from any other control), writing nothing.
TEST_F(TargetBoardWindow, AcceptedEntryAndSpinnerWriteTheRowsItemAndEscapeWritesNothing) {
    board.preset("B8180", 5);
    open(program('D'));
    pass();
    EXPECT_EQ(box(0)->text(), QStringLiteral("05"));
    clearTrace();
    typeInto(0, QStringLiteral("17"));
    key(Qt::Key_Return);  // Enter moves on and the check accepts
    EXPECT_NE(focus(), box(0)->lineEdit());
    EXPECT_EQ(writes(), std::vector<std::string>{"B8180=17"});
    EXPECT_FALSE(window->Editing(0));
    EXPECT_TRUE(messages.shown.empty());

    clearTrace();
    QTest::mouseClick(box(0)->upButton(), Qt::LeftButton);
    EXPECT_EQ(box(0)->text(), QStringLiteral("18"));
    EXPECT_EQ(writes(), std::vector<std::string>{"B8180=18"});
    EXPECT_EQ(focus(), window->cmdDefault());
    EXPECT_EQ(board.peek("B8180"), 18);

    clearTrace();
    typeInto(0, QStringLiteral("9"));
    EXPECT_EQ(window->SavedValue(0), 18);
    key(Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << "the first Escape takes back what was typed";
    key(Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << "Escape closes the window";
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(board.peek("B8180"), 18);
}

TEST_F(TargetBoardWindow, RefreshLeavesTheRowBeingEditedAlone) {
    open(program('A'));
    pass();
    typeInto(4, QStringLiteral("1"));
    clock.advance(3);
    pass();
    EXPECT_EQ(box(4)->text(), QStringLiteral("1"));
    // Taken back and left: the row shows the board's clock again.
    key(Qt::Key_Escape);
    window->cmdDefault()->setFocus(Qt::OtherFocusReason);
    clock.advance(3);
    pass();
    EXPECT_EQ(box(4)->text(), QStringLiteral("%1").arg(board.peek("B43008"), 2, 10, QChar('0')))
        << "the row follows the board again";
}

TEST_F(TargetBoardWindow, SetToCurrentTimeAndDateWriteOneReadingOfThePcsClock) {
    open(program('6'));
    pass();
    // The PC's clock moves on between two readings: a tenth of a second
    // before 13:00 the hour, the minute and the second must still come from
    // one moment.
    wall.set({2026, 3, 5, 12, 59, 59, 900});
    wall.tickMs = 100;
    clearTrace();
    window->cmdSetToCurrTime()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B43012=12", "B43010=59", "B43008=59"}));
    // The date: month, day and the year of the century.
    wall.set({2026, 3, 5, 10, 0, 0, 0});
    wall.tickMs = 0;
    clearTrace();
    window->cmdSetToCurrDate()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B43016=3", "B43015=5", "B43017=26"}));
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text(), box(4)->text(), box(5)->text(),
                           box(6)->text(), box(7)->text()}),
              QStringList({"12", "59", "59", "03", "05", "26"}));

    // Offline the commands send nothing.
    ctx.goOffline();
    clearTrace();
    window->cmdSetToCurrTime()->click();
    window->cmdSetToCurrDate()->click();
    EXPECT_TRUE(port.sent().empty());
}

TEST_F(TargetBoardWindow, SimulatedBoardClockRunsAndTakesTheSettingsWritten) {
    board.rtc().start({2026, 12, 31, 23, 59, 58}, clock.now());
    open(program('6'));
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(6)->text(), box(5)->text(), box(7)->text()}),
              QStringList({"23", "31", "12", "26"}));
    clock.advance(2.5);
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text(), box(4)->text(), box(6)->text(),
                           box(5)->text(), box(7)->text()}),
              QStringList({"00", "00", "00", "01", "01", "27"}));
    typeInto(2, QStringLiteral("7"));
    key(Qt::Key_Tab);
    window->cmdDefault()->setFocus();  // out of the minutes box Tab went to
    clock.advance(61);
    pass();
    EXPECT_EQ(QStringList({box(2)->text(), box(3)->text()}), QStringList({"07", "01"}));
}

// View > Target Board Interface in the frame: the program selection, then
// the modal window with its own pass.
TEST(TargetBoardMenu, F5PicksTheProgramAndOpensTheWindowOnlineUntilOk) {
    ShellHarness h;
    const std::string base = h.folder.path().toStdString() + "/LINE7.";
    std::ofstream(base + "tnx") << "DTNX\r\n";
    std::ofstream(base + "rev") << "LINE70015\r\n";
    h.board.preset("B8176", 0x0A);
    h.board.preset("B8180", 21);
    // The menu command; `inside` runs in the modal window, which then shows
    // the program on disk and is closed with OK.
    const auto viewTargetBoard = [&](const std::function<void(frmTargetBoard*)>& inside) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<frmTargetBoard*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            seen = true;
            inside(w);
            EXPECT_EQ(w->lblRevIdentOnDisk(0)->text(), QStringLiteral("LINE7"));
            w->cmdOk()->click();
        });
        h.window->action(MenuCommand::ViewTargetBoardStatus)->trigger();
        EXPECT_TRUE(seen);
    };

    h.dialogs.choose(base + "tnx");
    viewTargetBoard([](frmTargetBoard* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Target Board Interface"));
        // The pass runs from its own timer until the window closes.
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->StatusShown(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->txtSetup(0)->text() == "21"; }, 5000));
        EXPECT_EQ(w->lblTargetBoard(0)->text(), QStringLiteral("Current Fault: Code = 0AH"));
    });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(h.link().OnlineMode) << "the window took the program online";
    EXPECT_EQ(h.window->programCommands().gProgramFilePath, base + "tnx");

    // Cancelling the file dialog opens the window for the last program.
    h.dialogs.cancel();
    viewTargetBoard([](frmTargetBoard*) {});
}

// What the target board window reads and shows: the layout by board type,
// the status items in order, the code texts, the advice, Reset Faults, and
// the window opened against a board that does not answer.

const std::string kCoCpuAdvice =
    "Replace CO-CPU board at \"CO-CPU Slot\" and try again.  If fault persists, peplace N-22 "
    "processor board and try again.  If fault persists, verify proper use of \"sfunc05/06/12\" "
    "in user program.";
const std::string kResetAdvice =
    "Reset fault and try again.  If fault persists, replace target board and try again.  See "
    "Tarnix Manual for more details.";
const std::string kCableAdvice =
    "Verify connection of cable between computer \"COM\" port and target board \"PROG PORT\".  "
    "Verify cable wiring and connectors.  If fault persists, replace target board and/or try a "
    "different computer.";

TEST_F(TargetBoardWindow, LayoutFollowsTheBoardTypeOfTheProgramOnDisk) {
    struct Case {
        char type;
        bool coCpuSlot, address1, address2, clock;
    };
    const Case cases[] = {
        {'2', true, false, false, false}, {'6', false, false, false, true},
        {'A', false, false, true, true},  {'D', false, true, false, false},
        {'4', false, true, false, false},
    };
    board.preset("B8180", 7);
    board.preset("B8191", 12);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("board type ") + c.type);
        open(program(c.type));
        for (int online = 0; online < 2; ++online) {
            SCOPED_TRACE(online ? "after the first pass" : "on opening");
            EXPECT_EQ(!window->lblTargetBoard(2)->isHidden(), c.coCpuSlot);
            EXPECT_EQ(!box(0)->isHidden(), c.address1);
            EXPECT_EQ(!window->lblSetupDesc(0)->isHidden(), c.address1);
            EXPECT_EQ(!box(1)->isHidden(), c.address2);
            for (int i = 2; i < 8; ++i) {
                EXPECT_FALSE(box(i)->isHidden()) << i;
                EXPECT_EQ(box(i)->isEnabled(), c.clock) << i;
                EXPECT_EQ(window->lblSetupDesc(i)->isEnabled(), c.clock) << i;
            }
            EXPECT_EQ(window->cmdSetToCurrTime()->isEnabled(), c.clock);
            EXPECT_EQ(window->cmdSetToCurrDate()->isEnabled(), c.clock);
            EXPECT_EQ(window->lblTargetBoardTime()->isEnabled(), c.clock);
            if (!c.clock) {
                EXPECT_EQ(box(2)->text(), QStringLiteral("-"));
            }
            pass();
        }
        if (c.address1) {
            EXPECT_EQ(box(0)->text(), QStringLiteral("07"));
        }
        if (c.address2) {
            EXPECT_EQ(box(1)->text(), QStringLiteral("12"));
        }
        if (c.clock) {
            EXPECT_EQ(box(2)->text(), QStringLiteral("09"));
        }
        EXPECT_EQ(onDisk()[3].toStdString(), TargetboardName(c.type));
        window->done(0);
    }
}

TEST_F(TargetBoardWindow, StatusItemsAreReadInOrderOnceAndShownWithTheirCodes) {
    for (const auto& [a, v] :
         {std::pair{"B8176", 10}, {"B8177", 0x3F}, {"B8175", 3}, {"B8179", 4}, {"B8178", 0x1B}})
        board.preset(a, v);
    const std::string ident = "PACK21";
    for (int i = 0; i < 10; ++i)
        board.preset("B" + std::to_string(61424 + i), i < 6    ? ident[i]
                                                      : i == 8 ? 200
                                                      : i == 9 ? 7
                                                               : 0);
    open(program('2'));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Target Board Interface"));
    EXPECT_TRUE(link.OnlineMode) << "opening the window takes the link online";
    clearTrace();
    pass();
    std::vector<int> expected = {8176, 8177, 8175, 8177, 8179, 8178, 8175};
    for (int i = 0; i < 10; ++i) expected.push_back(61424 + i);
    EXPECT_EQ(reads(), expected);
    EXPECT_EQ(QStringList({label(0), label(1), label(2), label(4), label(5)}),
              QStringList({"Current Fault: Code = 0AH", "Last Fault: Code = 3FH", "CO-CPU Slot: 3",
                           "Current Comm Error: Code = 04H", "Last Comm Error: Code = 1BH"}));
    EXPECT_EQ(text(3).toStdString(), kCoCpuAdvice);
    EXPECT_EQ(inBoard(), QStringList({"PACK21", "7", "200"}));
    EXPECT_TRUE(window->cmdGoOnline()->isHidden());
    EXPECT_TRUE(window->StatusShown());

    // The program on disk: LINE3 with checksum ?; (FBH) and revision 4: (4AH).
    EXPECT_EQ(onDisk().mid(0, 4), QStringList({"LINE3", "74", "251", "N-22"}));
    EXPECT_NE(onDisk()[4], QStringLiteral("-"));

    // Later passes read only what is refreshed (nothing for this board).
    board.preset("B8176", 0x20);
    clearTrace();
    pass();
    EXPECT_TRUE(reads().empty());
    EXPECT_EQ(label(0), QStringLiteral("Current Fault: Code = 0AH"));
    EXPECT_TRUE(writes().empty());
}

TEST_F(TargetBoardWindow, ProgramWithoutRevisionOrImageShowsDashesAndClosedTakesNoStep) {
    writeFile("lines/BARE.tnx", "DTNX\r\n");
    open(path("lines/BARE.tnx"));
    EXPECT_EQ(onDisk(), QStringList({"-", "0", "0", "K-900(PLC)", "-"}));
    window->cmdOk()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Monitoring());
    clearTrace();
    pass();
    EXPECT_TRUE(port.sent().empty());
}

// Each code box shows its code's text from the fault or the comm-error
// file, whatever the case of the folder and the code; a code without a
// record leaves the box's text.
TEST_F(TargetBoardWindow, DescriptionsComeFromTheFaultAndCommErrorFiles) {
    writeFile("support/faulterrcodes.txt", "0a,\"First text, with a comma\"\r\n40,Other\r\n");
    writeFile("support/CommErrCodes.TXT", "02,Comm two\r\n00,\"No error\"\r\n");
    board.preset("B8176", 0x0A);
    board.preset("B8177", 0x40);
    board.preset("B8179", 2);
    board.preset("B8178", 0x7F);  // no record: the box keeps its text
    open(program('D'));
    pass();
    EXPECT_EQ(text(0), QStringLiteral("First text, with a comma"));
    EXPECT_EQ(text(1), QStringLiteral("Other"));
    EXPECT_EQ(text(4), QStringLiteral("Comm two"));
    EXPECT_EQ(text(5), QStringLiteral(""));
}

TEST(TargetBoardAdvice, CorrectiveActionFollowsTheLastFaultCode) {
    const std::pair<int, std::string> cases[] = {
        {0x00, "None"},
        {0x01, kCoCpuAdvice},
        {0x3F, kCoCpuAdvice},
        {0x40, kResetAdvice},
        {0x42, kCableAdvice},
        {0x7A, kResetAdvice},
        {0x7B, "None"},
        {0xFF, "None"},
        {0x45,
         "User program executed an sfunc09() system fault function "
         "call.  See User program for details on source of fault "
         "and corrective action."},
        {0x5D,
         "Program is invalid.  Re-dump program to target board.  If fault persists, verify "
         "cable connections between computer and target board.  If fault persists, "
         "replace target board."},
    };
    for (const auto& [code, advice] : cases) EXPECT_EQ(CorrectiveAction(code), advice) << code;
}

TEST_F(TargetBoardWindow, ResetFaultsAsksThenClearsTheFourCodesInOrder) {
    // A CO-CPU slot alone is no fault.
    board.preset("B8175", 4);
    open(program('D'));
    pass();
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
    window->done(0);

    for (const char* item : {"B8176", "B8177", "B8179", "B8178"}) {
        SCOPED_TRACE(item);
        board.preset(item, 0x0A);
        open(program('D'));
        pass();
        EXPECT_TRUE(window->cmdResetFaults()->isEnabled());
        window->done(0);
        board.preset(item, 0);
    }

    board.preset("B8176", 0x0A);
    board.preset("B8178", 0x10);
    open(program('D'));
    pass();
    const FakeMessageBox::Shown question{
        "Target Board will be reinitialized.\r\n\r\nDo you wish to continue?",
        "WARNING - Fault Code Reset!", MsgButtons::YesNoCancel, MsgIcon::Critical};
    for (MsgResult answer : {MsgResult::No, MsgResult::Cancel}) {
        messages.shown.clear();
        messages.answers = {answer};
        clearTrace();
        window->cmdResetFaults()->click();
        EXPECT_EQ(messages.shown, std::vector{question});
        EXPECT_TRUE(port.sent().empty());
        EXPECT_TRUE(window->cmdResetFaults()->isEnabled());
    }
    messages.answers = {MsgResult::Yes};
    clearTrace();
    window->cmdResetFaults()->click();
    EXPECT_EQ(writes(), (std::vector<std::string>{"B8178=0", "B8179=0", "B8177=0", "B8176=0"}));
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
    // The next pass reads the status again.
    clearTrace();
    pass();
    EXPECT_EQ(reads().front(), 8176);
    EXPECT_EQ(label(0), QStringLiteral("Current Fault: Code = 00H"));
    EXPECT_EQ(label(5), QStringLiteral("Last Comm Error: Code = 00H"));
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
}

TEST_F(TargetBoardWindow, SilentBoardShowsNoCommunicationUntilGoOnlineFindsItAgain) {
    writeFile("Support/FaultErrCodes.txt", "0A,Jam at the flanger\r\n");
    board.preset("B8176", 0x0A);
    board.preset("B8177", 0x40);
    board.preset("B8179", 2);
    port.silent = true;
    open(program('6'));
    EXPECT_EQ(window->lblCurrTime()->text(), QStringLiteral("XX : XX : XX"));
    pass();  // the first read times out
    pass();  // the program goes offline
    EXPECT_FALSE(link.OnlineMode);
    for (int k : {0, 1, 3, 4, 5})
        EXPECT_EQ(text(k).toStdString(), frmTargetBoard::kNoCommunication) << k;
    EXPECT_EQ(label(0), QStringLiteral("Current Fault:")) << "no code the board did not give";
    EXPECT_FALSE(window->cmdGoOnline()->isHidden());
    EXPECT_FALSE(window->cmdResetFaults()->isEnabled());
    EXPECT_FALSE(window->cmdSetToCurrTime()->isEnabled());
    EXPECT_FALSE(box(2)->isEnabled());
    EXPECT_FALSE(window->lblRevIdentInPLC(0)->isEnabled());
    for (const auto& shown : messages.shown)
        EXPECT_EQ(shown.buttons, MsgButtons::RetryCancel) << "only the link's own box";
    EXPECT_EQ(window->lblCurrTime()->text(), QStringLiteral("09 : 26 : 53"));
    EXPECT_EQ(window->lblCurrDate()->text(), QStringLiteral("03 - 14 - 2026"));

    // Offline passes send nothing.
    port.silent = false;
    clearTrace();
    pass();
    EXPECT_TRUE(port.sent().empty());

    window->cmdGoOnline()->click();
    EXPECT_TRUE(link.OnlineMode);
    pass();
    EXPECT_EQ(label(0), QStringLiteral("Current Fault: Code = 0AH"));
    EXPECT_EQ(text(0), QStringLiteral("Jam at the flanger"));
    EXPECT_EQ(text(3).toStdString(), kResetAdvice);
    // No comm-error file: those boxes keep their text.
    EXPECT_EQ(label(4), QStringLiteral("Current Comm Error: Code = 02H"));
    EXPECT_EQ(text(4).toStdString(), frmTargetBoard::kNoCommunication);
    EXPECT_TRUE(window->cmdGoOnline()->isHidden());
    EXPECT_TRUE(window->cmdResetFaults()->isEnabled());
    EXPECT_TRUE(box(2)->isEnabled());
    // The clock rows follow the board's clock, which ran on meanwhile.
    EXPECT_EQ(box(4)->text(), QStringLiteral("%1").arg(board.peek("B43008"), 2, 10, QChar(u'0')));
    EXPECT_NE(box(4)->text(), QStringLiteral("53"));
}

}  // namespace
}  // namespace voran::testing
