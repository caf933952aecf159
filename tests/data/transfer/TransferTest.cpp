// Uploads, downloads and comparisons against the simulated board. A transfer
// gives the exact result or reports that it did not complete and leaves
// nothing wrong behind: an incomplete upload stores nothing and touches no
// file, a download leaves every item and PLS value at its old or new value.
// The fault matrix puts one lost byte or late answer at every byte in turn.
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "SimLink.h"
#include "SimPls.h"
#include "TransferFixture.h"
#include "WireDecoder.h"
#include "data/Comparison.h"
#include "data/ItemTable.h"
#include "data/SetupFile.h"
#include "data/Transfer.h"
#include "data/TransferFile.h"

namespace voran::testing {
namespace {

TEST_F(TransferTest, UploadFillsCurrentDataFromTheBoardsMemoryAndPls) {
    fillBoard();
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferUpload);

    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.steps, kTransferSteps);
    const SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(d.Value[i], distinctValue(d.Address[i], i)) << d.Address[i];
    EXPECT_EQ((std::vector<int>{d.ChannelCount, d.PLSProgram, d.ScaleFactor, d.ResolverOffset}),
              (std::vector<int>{6, 2, 720, 33}));
    EXPECT_EQ(d.SpeedComp, (decltype(d.SpeedComp){20, 21, 22, 23, 24, 25, 26, 27}));
    // The defaults (90/270 ...) of the channels the board does not use are replaced by 0/0.
    EXPECT_EQ(d.Setpoint, (decltype(d.Setpoint){{{100, 200}, {}, {}, {700, 5}, {}, {1, 0}}}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(tables.PLSConfigChanged) << "only a download changes the PLS";
}

// The items' writes on the wire: a set-up-only download writes items 0 to
// 37 in order and then the PLS, never an address of the shift counts; the
// full download writes all 78.
TEST_F(TransferTest, SetUpOnlyDownloadWritesTheSetUpItemsAndNoShiftCountOnTheWire) {
    const SetupData& d = tables.CurrentData;
    for (const TransferItems which : {TransferItems::SetUpOnly, TransferItems::All}) {
        clearTrace();
        const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferDownload, which);
        EXPECT_TRUE(r.complete());
        EXPECT_TRUE(tables.PLSConfigChanged) << "the PLS went down too";
        tables.PLSConfigChanged = false;
        std::vector<int> written, expected;
        for (const WireAccess& a : traffic())
            if (a.write) written.push_back(a.address);
        const int last = which == TransferItems::SetUpOnly ? 37 : LastItemIndex;
        for (int i = 0; i <= last; ++i) {
            const std::vector<int> bytes = ByteAddressesOf({d.Address[i]});
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        EXPECT_EQ(written, expected);
    }
}

TEST_F(TransferTest, DownloadLeavesTheBoardEqualToCurrentData) {
    SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i) d.Value[i] = distinctValue(d.Address[i], i);
    d.Value[37] = 4095;
    std::tie(d.ChannelCount, d.PLSProgram, d.ScaleFactor) = std::tuple(5, 9, 500);
    d.SpeedComp = {40, 41, 42, 43, 44, 45, 46, 47};
    d.Setpoint = {{{10, 499}, {}, {90, 270}, {}, {0, 1}}};
    pls().program(1, 50, 60);  // in the board, not in the data: cleared

    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.steps, 94);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(tables.PLSConfigChanged);
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(board.peek(d.Address[i]), d.Value[i]) << d.Address[i];
    // The jam mask W1042 (address 0x0412) travels as 4095: two address/data
    // triples, low byte first.
    const Bytes wire = sent(), jamMask = {0x04, 0x12, 0xFF, 0x04, 0x13, 0x0F};
    EXPECT_NE(std::search(wire.begin(), wire.end(), jamMask.begin(), jamMask.end()), wire.end());
    // Program number, speed compensation 0-3, a gap, 4-7, channel count at 18.
    const std::array<std::uint8_t, 24> config = {9, 40, 41, 42, 43, 0, 44, 45, 46, 47, 0, 0,
                                                 0, 0,  0,  0,  0,  0, 5,  0,  0,  0,  0, 0};
    EXPECT_EQ(pls().config, config);
    EXPECT_EQ(pls().scaleFactor, 500);
    // Channels at 0/0 are cleared, not programmed with 0 and 0.
    using Channel = sim::SimPls::Channel;
    EXPECT_EQ(pls().channels,
              (std::array<Channel, 8>{
                  Channel{true, 10, 499}, {}, {true, 90, 270}, {}, {true, 0, 1}, {}, {}, {}}));
}

TEST_F(TransferTest, ValueFromASetupFileThatCannotTravelIsRefusedBeforeAnythingIsSent) {
    const std::pair<std::function<void(SetupData&)>, std::string> rows[] = {
        {[](SetupData& d) { d.SpeedComp[2] = 300; },
         "Speed compensation of channel 3 is 300; it must lie between 0 and 255."},
        {[](SetupData& d) { d.Setpoint[7][1] = -20; },
         "OFF setpoint of channel 8 is -20; it must not be less than 0."},
    };
    for (const auto& [spoil, text] : rows) {
        SCOPED_TRACE(text);
        tables.CurrentData = tables.DefaultData;
        spoil(tables.CurrentData);
        messages.shown.clear();
        EXPECT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferDownload).refused);
        EXPECT_EQ(messages.shown,
                  warning(text + "\r\n\r\nNothing has been sent to the PLC.", "Data Download"));
    }
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(tables.PLSConfigChanged);
}

TEST_F(TransferTest, ABackupIsStampedToTheWholeSecondAndOneThatEndsEarlyWritesNothing) {
    clock.setLocalDateTime({2026, 5, 6, 7, 8, 9, 750});
    const std::string stamped = folder.filePath("stamped.sdt").toStdString();
    ASSERT_TRUE(UploadToFile(link, clock, stamped).ok);
    SetupData written;
    ASSERT_TRUE(ReadSetupFile(stamped, written));
    EXPECT_EQ(FromOleDate(written.Stamp), (DateTime{2026, 5, 6, 7, 8, 9, 0}));

    // Ended early: an old file left untouched, none made where there was none.
    fillBoard();
    const struct {
        const char* old;  // the file before, or none
        std::function<void(TransferHooks&)> trouble;
        std::string why;
    } rows[] = {
        {"yesterday",
         [](TransferHooks& h) { h.cancelRequested = [n = 0]() mutable { return ++n > 5; }; },
         "cancelled after 5 of 78 items"},
        {nullptr, [this](TransferHooks&) { refuse({24}); },
         "the PLS did not take a step after 78 of 78 items"},
        {nullptr, [this](TransferHooks&) { port.silent = true; },
         "the link to the board failed after 1 of 78 items"},
    };
    const std::string path = this->path("backup.sdt");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        QFile::remove(QString::fromStdString(path));
        if (row.old) writeFile("backup.sdt", row.old);
        TransferHooks hooks;
        row.trouble(hooks);
        const FileTransferOutcome out = UploadToFile(link, clock, path, hooks);
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.error, "upload not complete: " + row.why + "; " + path + " was not written");
        EXPECT_EQ(readFile("backup.sdt"), row.old ? row.old : "<missing>");
    }
}

TEST_F(TransferTest, ReadsAndWritesThatFailWithoutALinkFaultEndTheTransferIncomplete) {
    fillBoard();
    // A word item whose two reads both lose a byte: the upload stops there.
    const SetupData before = tables.CurrentData;
    const long long first = port.bytesWritten();
    // FF 01 03 E8 03 E9: the low byte of W1000, then (after the resync and
    // the quiet handshake FF 01) the same byte again.
    port.dropAt = {first + 4, first + 4 + 1 + 2 + 2};
    TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferUpload);
    // Failed, at which item, complete, link fault.
    EXPECT_EQ(std::tuple(r.itemFailed, r.failedItem, r.complete(), link.CommError),
              std::tuple(true, 0, false, false));
    EXPECT_EQ(tables.CurrentData, before);

    // A download item the link refuses (out of range for a byte item).
    SetupData& d = tables.CurrentData;
    d.Value[12] = 300;
    const auto memory = board.memory();
    r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_EQ(std::tuple(r.itemFailed, r.failedItem, r.items, r.complete()),
              std::tuple(true, 12, 13, false));
    EXPECT_EQ(board.memory()[1030], memory[1030]);
    EXPECT_EQ(messages.shown, (std::vector{box("Error:\rEntry out of Range (0-255).", "ENTRY ALERT",
                                               MsgIcon::Critical)}));

    // A download write that fails twice (the write and its one retry).
    d.Value[12] = 5;
    const std::int64_t w1000 = board.peek("W1000");
    d.Value[0] = static_cast<std::int32_t>(w1000 + 1);
    messages.shown.clear();
    link.CloseRSComm();  // from the board's idle state: FF 02 03 E8 ...
    link.OpenRSComm(port);
    const long long start = port.bytesWritten();
    // FF 02 03 E8 ...: the low address byte of W1000, then the same byte of
    // the retry (FF 02 03 E8).
    port.dropAt = {start + 4, start + 4 + 1 + 4};
    r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_EQ(std::tuple(r.itemFailed, r.failedItem, r.complete()), std::tuple(true, 0, false));
    EXPECT_EQ(board.peek("W1000"), w1000) << "W1000 as the board had it";

    // An upload whose scale factor read is refused every time stores nothing.
    refuse({24});
    const SetupData beforePls = tables.CurrentData;
    r = DataTransfer(link, tables).RunTransfer(kTransferUpload);
    EXPECT_EQ(std::tuple(r.plsFailed, r.complete(), link.CommError),
              std::tuple(true, false, false));
    EXPECT_EQ(tables.CurrentData, beforePls) << "no -9999, no half upload";
}

TEST_F(TransferTest, ItemsWithoutAnAddressAreNeitherReadNorWritten) {
    board.memory()[32] = 0xAB;
    SetupData& d = tables.CurrentData;
    // A table padded after an older, shorter file.
    d.Address[76] = d.Address[77] = "";
    d.Value[77] = 12;
    TransferHooks hooks;
    hooks.acceptAddresses = [](const std::string&) { return true; };
    TransferReport r = DataTransfer(link, tables, hooks).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(board.memory()[32], 0xAB) << "an empty address is not byte 32";
    r = DataTransfer(link, tables).RunTransfer(kTransferUpload);
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(d.Value[77], 12);
    EXPECT_EQ(board.memory()[32], 0xAB);
}

TEST_F(TransferTest, AForeignAddressTableIsListedAndSentOnlyWhenAccepted) {
    SetupData& d = tables.CurrentData;
    d.Address[5] = "Q17";
    d.Address[9] = "B40000";
    EXPECT_EQ(AddressTableDifferences(d),
              "item 5: \"Q17\", the item table has \"W1010\"\n"
              "item 9: \"B40000\", the item table has \"W1018\"\n");
    std::string asked;
    TransferHooks hooks;
    hooks.acceptAddresses = [&](const std::string& list) {
        asked = list;
        return false;
    };
    TransferReport r = DataTransfer(link, tables, hooks).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(asked, AddressTableDifferences(d));
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(tables.PLSConfigChanged);

    // Without anyone to ask the table is refused as well; accepted, it is sent.
    EXPECT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferDownload).refused);
    EXPECT_TRUE(sent().empty());
    hooks.acceptAddresses = [](const std::string&) { return true; };
    EXPECT_TRUE(DataTransfer(link, tables, hooks).RunTransfer(kTransferDownload).complete());
    EXPECT_EQ(board.peek("B40000"), d.Value[9]);
}

TEST_F(TransferTest, ACancelledRestoreSaysThatThePlsWasStillSent) {
    const std::string path = folder.filePath("restore.sdt").toStdString();
    SetupData data = tables.DefaultData;
    data.Version = ProgramVersion();
    ASSERT_TRUE(WriteSetupFile(path, data));
    int polls = 0;
    TransferHooks hooks;
    hooks.cancelRequested = [&] { return ++polls > 3; };
    const FileTransferOutcome out = DownloadFromFile(link, path, false, hooks);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error,
              "download not complete: cancelled after 3 of 78 items; the PLS configuration and "
              "channels were still sent");
    EXPECT_EQ(pls().channels[1], (sim::SimPls::Channel{true, 90, 270}));
}

using Section = Difference::Section;

class CompareTest : public TransferTest {
protected:
    // The working data made equal to the board's by an upload.
    void takeTheBoard() {
        fillBoard();
        ASSERT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferUpload).complete());
        port.clearTrace();
    }
    // Reads the board for a comparison; the report.
    TransferReport readBoard() { return DataTransfer(link, tables).ReadBoard(board_); }

    SetupData board_;
};

TEST_F(CompareTest, NoDifferenceWithTheUploadsExchangesThenExactlyWhatChangedSetUpShiftDataPls) {
    takeTheBoard();
    const SetupData working = tables.CurrentData;
    ASSERT_TRUE(readBoard().complete());
    const auto comparisonBytes = sent();
    EXPECT_EQ(CompareSetups(tables.CurrentData, board_), std::vector<Difference>{});
    EXPECT_EQ(tables.CurrentData, working);

    // The same bytes on the wire as an upload of the same board.
    port.clearTrace();
    ASSERT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferUpload).complete());
    EXPECT_EQ(sent(), comparisonBytes);

    // The line ran on: three items, a channel and the scale factor changed.
    ASSERT_TRUE(board.preset("W1004", 61));
    ASSERT_TRUE(board.preset("B1030", 17));
    ASSERT_TRUE(board.preset("D1100", 1300000));
    pls().program(3, 710, 5);
    pls().scaleFactor = 359;

    ASSERT_TRUE(readBoard().complete());
    EXPECT_EQ(tables.CurrentData, working) << "the working data are never touched";
    const std::vector<Difference> found = CompareSetups(tables.CurrentData, board_);
    const std::vector<Difference> expected = {
        {Section::SetUp, 2, "W1004", "Station 03 shifts", 3014, 61},
        {Section::SetUp, 12, "B1030", "Station 01 missing cans", 112, 17},
        {Section::ShiftData, 38, "D1100", "Good Cans, current shift", 1272567, 1300000},
        {Section::Pls, -1, "", "PLS scale factor", 720, 359},
        {Section::Pls, -1, "", "PLS CH03 ON", 700, 710},
    };
    EXPECT_EQ(found, expected);
    EXPECT_EQ(SetUpOnly(found),
              (std::vector<Difference>{expected[0], expected[1], expected[3], expected[4]}));
    EXPECT_EQ(DifferenceLine(found[0], "file"),
              "item 2 W1004 Station 03 shifts: file 3014, board 61");
    EXPECT_EQ(DifferenceLine(found[3], "file"), "PLS scale factor: file 720, board 359");

    // Copied for a spreadsheet, and saved as CSV: a caption holding a comma
    // is quoted.
    EXPECT_EQ(ComparisonTabText(found, "Working Data"),
              "Section\tItem\tAddress\tWhat\tWorking Data\tController\n"
              "Set-up\t2\tW1004\tStation 03 shifts\t3014\t61\n"
              "Set-up\t12\tB1030\tStation 01 missing cans\t112\t17\n"
              "Shift data\t38\tD1100\tGood Cans, current shift\t1272567\t1300000\n"
              "PLS\t\t\tPLS scale factor\t720\t359\n"
              "PLS\t\t\tPLS CH03 ON\t700\t710\n");
    EXPECT_EQ(ComparisonCsv(found, "Working Data"),
              "Section,Item,Address,What,Working Data,Controller\r\n"
              "Set-up,2,W1004,Station 03 shifts,3014,61\r\n"
              "Set-up,12,B1030,Station 01 missing cans,112,17\r\n"
              "Shift data,38,D1100,\"Good Cans, current shift\",1272567,1300000\r\n"
              "PLS,,,PLS scale factor,720,359\r\n"
              "PLS,,,PLS CH03 ON,700,710\r\n");
}

TEST_F(CompareTest, EveryPlsValueAndItemWithoutAddressAreComparedAsADownloadWouldWriteThem) {
    SetupData here = tables.DefaultData, there = here;
    there.ChannelCount = 3;
    there.PLSProgram = 4;
    there.SpeedComp[7] = 9;
    there.ResolverOffset = 12;
    there.Setpoint[7] = {here.Setpoint[7][0], 1};
    // Item 5 has no address (an older file padded): neither read nor written.
    here.Address[5].clear();
    there.Value[5] = 99;
    there.Value[77] = 4;
    std::vector<std::string> what;
    for (const Difference& d : CompareSetups(here, there)) what.push_back(d.what);
    EXPECT_EQ(what, (std::vector<std::string>{"Flanger jams/station", "PLS channel count",
                                              "PLS program number", "PLS speed compensation, CH07",
                                              "PLS CH07 OFF", "PLS offset"}));
}

// What a download can never change (it sends no resolver offset) is listed
// apart and is no difference a download would remove; the channels carry
// the timing window's names CH00 .. CH07.
TEST(CompareNames, ChannelsAreNamedAsInTheTimingWindowAndTheOffsetStandsApart) {
    struct Row {
        std::function<void(SetupData&)> change;
        std::string line;
        std::size_t downloadChanges;
    };
    const std::vector<Row> table = {
        {[](SetupData& b) { b.ResolverOffset = 0; },
         "not changed by a download: PLS offset: file 202, board 0", 0},
        {[](SetupData& b) { b.Setpoint[3][0] = 1; }, "PLS CH03 ON: file 0, board 1", 1},
        {[](SetupData& b) { b.Setpoint[0][1] = 7; }, "PLS CH00 OFF: file 240, board 7", 1},
        {[](SetupData& b) { b.SpeedComp[7] = 9; }, "PLS speed compensation, CH07: file 0, board 9",
         1},
    };
    SetupTables tables;
    tables.BuildDefaults({2026, 1, 1, 0, 0, 0, 0});
    SetupData here = tables.DefaultData;
    here.ResolverOffset = 202;
    for (const Row& row : table) {
        SetupData board = here;
        row.change(board);
        const std::vector<Difference> found = CompareSetups(here, board);
        ASSERT_EQ(found.size(), 1u) << row.line;
        EXPECT_EQ(DifferenceLine(found[0], "file"), row.line);
        EXPECT_EQ(DownloadChanges(found), row.downloadChanges) << row.line;
        EXPECT_EQ(SetUpOnly(found), found) << "the set-up-only list keeps it";
    }
}

TEST_F(CompareTest, ABoardNotReadWholeIsNeverCompared) {
    takeTheBoard();
    const SetupData working = tables.CurrentData;
    board_.ScaleFactor = 1;  // a mark: the record must stay as it was
    int steps = 0;
    TransferHooks hooks;
    hooks.advance = [&](int n) {
        if ((steps += n) == 30) port.silent = true;
    };
    const TransferReport r = DataTransfer(link, tables, hooks).ReadBoard(board_);
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(r.linkFault);
    EXPECT_EQ(board_.ScaleFactor, 1);
    EXPECT_EQ(board_.Value, SetupData{}.Value);
    EXPECT_EQ(tables.CurrentData, working);
}

TEST_F(CompareTest, FileComparedWithABoardThatStopsAnsweringListsNothingAndSaysWhy) {
    takeTheBoard();
    const std::string path = folder.filePath("line.sdt").toStdString();
    ASSERT_TRUE(WriteSetupFile(path, tables.CurrentData));
    ASSERT_TRUE(board.preset("W1004", 61));
    FileComparison found = CompareFileWithBoard(link, path);
    ASSERT_TRUE(found.ok) << found.error;
    EXPECT_EQ(found.differences.size(), 1u);

    int steps = 0;
    TransferHooks hooks;
    hooks.advance = [&](int n) {
        if ((steps += n) == 12) port.silent = true;
    };
    found = CompareFileWithBoard(link, path, hooks);
    EXPECT_FALSE(found.ok);
    EXPECT_TRUE(found.differences.empty());
    EXPECT_EQ(found.error,
              "reading the board not complete: the link to the board failed after 13 of 78 items; "
              "nothing was compared");
}

TEST(ItemCaptions, NameEveryItemAsTheWindowsDo) {
    const std::vector<std::pair<int, std::string>> table = {
        {0, "Station 01 shifts"},
        {11, "Flanger shifts"},
        {23, "Flanger missing cans"},
        {24, "Station 01 calibration count"},
        {35, "Flanger calibration count"},
        {36, "Total calibration count"},
        {37, "Transfer jam enable mask"},
        {39, "Total Jams, current shift"},
        {49, "Station 10 jams, current shift"},
        {52, "Good Cans, last shift"},
        {65, "Flanger jams, last shift"},
        {66, "Station 01 jams/station"},
        {78, ""},
    };
    for (const auto& [i, caption] : table) EXPECT_EQ(items::ItemCaption(i), caption) << i;
    for (int i = 0; i <= LastItemIndex; ++i) EXPECT_NE(items::ItemCaption(i), "") << i;
}

// One byte lost, one answer late, or every answer late.
enum class Fault { Lost, Late, EveryLate };

// Byte b of the configuration a download sends for `d`.
int configByte(const SetupData& d, int b) {
    if (b == 0) return d.PLSProgram;
    if (b >= 1 && b <= 4) return d.SpeedComp[b - 1];
    if (b >= 6 && b <= 9) return d.SpeedComp[b - 2];
    if (b == 18) return d.ChannelCount;
    return 0;
}

struct Line {
    SimLink sim;
    SetupTables tables;

    Line() {
        tables.BuildDefaults(sim.clock.localDateTime());
        sim.board.pls().setBusyPolls(1);
        sim.link.OpenRSComm(sim.port);
    }
    // The board's data unlike the defaults, item i holding 1 + i.
    void fillBoard() {
        FillBoard(sim.board, tables.DefaultData, [](int i) { return 1 + i; });
    }
    // CurrentData to send, unlike what fillBoard left in the board.
    void fillData() {
        SetupData& d = tables.CurrentData;
        for (int i = 0; i <= LastItemIndex; ++i) d.Value[i] = distinctValue(d.Address[i], i);
        std::tie(d.ChannelCount, d.PLSProgram, d.ScaleFactor) = std::tuple(5, 9, 500);
        d.SpeedComp = {40, 41, 42, 43, 44, 45, 46, 47};
        d.Setpoint = {{{10, 499}, {}, {90, 270}}};
    }
    // Places the fault at the PC's byte `at` (counted from now, from 1).
    void place(Fault fault, long long at, double late) {
        if (fault == Fault::Lost)
            sim.port.dropAt = {sim.port.bytesWritten() + at};
        else if (fault == Fault::EveryLate)
            sim.port.replyDelay = late;
        else
            std::tie(sim.port.lateAt, sim.port.lateBy) =
                std::tuple(sim.port.bytesWritten() + at, late);
    }
};

// Bytes the PC sends in a clean transfer.
long long cleanLength(TransferDirection direction) {
    Line run;
    run.fillBoard();
    run.fillData();
    const long long before = run.sim.port.bytesWritten();
    EXPECT_TRUE(DataTransfer(run.sim.link, run.tables).RunTransfer(direction).complete());
    return run.sim.port.bytesWritten() - before;
}

struct Tally {
    int exact = 0, failed = 0;
};

// One upload with the fault at `at`: exact, or failed with CurrentData as it was.
void uploadWith(Fault fault, long long at, double late, Tally& tally) {
    Line run;
    run.fillBoard();
    Line reference;
    reference.fillBoard();
    ASSERT_TRUE(
        DataTransfer(reference.sim.link, reference.tables).RunTransfer(kTransferUpload).complete());
    const SetupData before = run.tables.CurrentData;
    run.place(fault, at, late);
    const TransferReport r = DataTransfer(run.sim.link, run.tables).RunTransfer(kTransferUpload);
    if (r.complete()) {
        ++tally.exact;
        // The channel setpoints come from recalls whose order may differ;
        // every value must still be the board's.
        EXPECT_EQ(run.tables.CurrentData, reference.tables.CurrentData) << "fault at " << at;
    } else {
        ++tally.failed;
        EXPECT_EQ(run.tables.CurrentData, before) << "fault at " << at;
    }
}

// One download with the fault at `at`: exact, or failed with every item and
// PLS value at its old or new value and nothing written anywhere else.
void downloadWith(Fault fault, long long at, double late, Tally& tally) {
    Line run;
    run.fillBoard();
    run.fillData();
    const auto oldMemory = run.sim.board.memory();
    const sim::SimPls oldPls = run.sim.board.pls();
    run.place(fault, at, late);
    const TransferReport r = DataTransfer(run.sim.link, run.tables).RunTransfer(kTransferDownload);
    const SetupData& d = run.tables.CurrentData;
    const sim::SimBoard& board = run.sim.board;
    const sim::SimPls& pls = board.pls();

    auto expected = oldMemory;
    bool exact = true;
    for (int i = 0; i <= LastItemIndex; ++i) {
        sim::SimBoard scratch;
        scratch.memory() = oldMemory;
        const std::int64_t now = board.peek(d.Address[i]);
        const std::int64_t old = scratch.peek(d.Address[i]);
        EXPECT_TRUE(now == d.Value[i] || now == old)
            << "fault at " << at << ": " << d.Address[i] << " holds " << now;
        exact = exact && now == d.Value[i];
        scratch.preset(d.Address[i], now);
        const auto bytes = DecodeAddress(d.Address[i]);
        for (int k = 0; k < bytes.byteCount(); ++k)
            expected[bytes.byteAddress + k] = scratch.memory()[bytes.byteAddress + k];
    }
    EXPECT_EQ(board.memory(), expected) << "fault at " << at << ": a byte written elsewhere";
    EXPECT_TRUE(pls.scaleFactor == 500 || pls.scaleFactor == oldPls.scaleFactor)
        << "fault at " << at << ": scale factor " << pls.scaleFactor;
    for (int b = 0; b < 24; ++b)
        EXPECT_TRUE(pls.config[b] == oldPls.config[b] || pls.config[b] == configByte(d, b))
            << "fault at " << at << ": configuration byte " << b;
    for (int ch = 0; ch < 8; ++ch) {
        const auto& c = pls.channels[ch];
        const bool wanted = d.Setpoint[ch][0] != 0 || d.Setpoint[ch][1] != 0;
        const sim::SimPls::Channel sent =
            wanted ? sim::SimPls::Channel{true, d.Setpoint[ch][0], d.Setpoint[ch][1]}
                   : sim::SimPls::Channel{};
        EXPECT_TRUE(c == sent || c == oldPls.channels[ch] || c == sim::SimPls::Channel{})
            << "fault at " << at << ": channel " << ch;
        exact = exact && c == sent;
    }
    exact = exact && pls.scaleFactor == 500;
    if (r.complete()) {
        ++tally.exact;
        EXPECT_TRUE(exact) << "fault at " << at << ": reported complete but not exact";
    } else {
        ++tally.failed;
        if (fault == Fault::EveryLate) {
            EXPECT_EQ(board.memory(), oldMemory) << "no answer in time: nothing written";
        }
    }
}

TEST(FaultMatrix, OneLostByteAnywhereInAnUploadCostsOneRetryAndNeverAWrongValue) {
    const long long length = cleanLength(kTransferUpload);
    Tally tally;
    for (long long at = 1; at <= length; ++at) uploadWith(Fault::Lost, at, 0, tally);
    // A read, configuration read or recall cut by a lost byte is tried once more.
    EXPECT_EQ(tally.exact, length) << tally.failed << " failed";
}

TEST(FaultMatrix, OneLostByteAnywhereInADownloadGivesTheExactBoardOrAReportedFailure) {
    const long long length = cleanLength(kTransferDownload);
    Tally tally;
    for (long long at = 1; at <= length; ++at) downloadWith(Fault::Lost, at, 0, tally);
    // Item writes are retried; a loss inside a PLS frame or its ready poll is
    // reported. Most positions are item bytes.
    EXPECT_GT(tally.exact, length * 3 / 4) << tally.failed << " failed of " << length;
}

TEST(FaultMatrix, OneLateAnswerNearTheTimeOutNeverBecomesAValue) {
    for (const double late : {0.3, 0.45, 0.7, 0.95, 0.99, 1.05}) {
        SCOPED_TRACE(late);
        Tally up, down;
        const long long upLength = cleanLength(kTransferUpload);
        for (long long at = 1; at <= upLength; at += 3) uploadWith(Fault::Late, at, late, up);
        const long long downLength = cleanLength(kTransferDownload);
        for (long long at = 1; at <= downLength; at += 3) downloadWith(Fault::Late, at, late, down);
        if (late < framing::kLateReply) {
            EXPECT_EQ(up.failed + down.failed, 0);
        }
    }
}

TEST(FaultMatrix, EveryAnswerLateGivesTheExactResultOrAFailureWithNothingWrong) {
    for (const double delay : {0.3, 0.7, 0.95, 1.05}) {
        SCOPED_TRACE(delay);
        Tally up, down;
        uploadWith(Fault::EveryLate, 0, delay, up);
        downloadWith(Fault::EveryLate, 0, delay, down);
        const int whole = delay < framing::kLateReply;
        EXPECT_EQ(std::pair(up.exact, down.exact), std::pair(whole, whole));
    }
}

}  // namespace
}  // namespace voran::testing
