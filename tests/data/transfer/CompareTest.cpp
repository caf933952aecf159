// Comparing the working data with the board: the board read the way an
// upload reads it, what is listed and in which order, and the copied and
// saved tables.
#include <functional>

#include "TransferFixture.h"
#include "data/Comparison.h"
#include "data/ItemTable.h"
#include "data/SetupFile.h"
#include "data/TransferFile.h"

namespace voran::testing {
namespace {

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

TEST_F(CompareTest, BoardHoldingTheWorkingDataGivesNoDifferenceWithTheUploadsExchanges) {
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
}

TEST_F(CompareTest, ListsExactlyWhatChangedOnTheBoardSetUpThenShiftDataThenPls) {
    takeTheBoard();
    const SetupData working = tables.CurrentData;
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

}  // namespace
}  // namespace voran::testing
