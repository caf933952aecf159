// The program download against the simulated board: every byte on the wire,
// what the board holds afterwards, and every way it ends.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "ProgramFixture.h"
#include "WireDecoder.h"
#include "program/ProgramDownload.h"

namespace voran::testing {
namespace {

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
    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& b : boxes.shown) t.push_back(b.title);
        return t;
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
        EXPECT_EQ(titles(),
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

}  // namespace
}  // namespace voran::testing
