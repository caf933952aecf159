// Transfers that do not go through: every failed read or write, with or
// without a link fault, makes the transfer incomplete, and an incomplete
// upload stores nothing and touches no file. Items without an address and
// address tables that are not the program's own never reach the board unasked.
#include <QFile>

#include <functional>

#include "TransferFixture.h"
#include "data/SetupFile.h"
#include "data/TransferFile.h"

namespace voran::testing {
namespace {

TEST_F(TransferTest, UploadWhosePlsReadFailsStoresNothing) {
    fillBoard();
    // The scale factor read is refused every time (no link fault).
    refuse({24});
    const SetupData before = tables.CurrentData;
    const TransferReport r = DataTransfer(link, tables).RunTransfer(kTransferUpload);
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(r.plsFailed);
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(tables.CurrentData, before) << "no -9999, no half upload";
}

// A backup to a file that ends early says why and leaves the file as it
// was: an old one untouched, none made where there was none.
TEST_F(TransferTest, BackupThatEndsEarlyLeavesTheOldFileAndWritesNoNewOne) {
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
    EXPECT_TRUE(r.itemFailed);
    EXPECT_EQ(r.failedItem, 0);
    EXPECT_FALSE(r.complete() || link.CommError);
    EXPECT_EQ(tables.CurrentData, before);

    // A download item the link refuses (out of range for a byte item).
    SetupData& d = tables.CurrentData;
    d.Value[12] = 300;
    const auto memory = board.memory();
    r = DataTransfer(link, tables).RunTransfer(kTransferDownload);
    EXPECT_TRUE(r.itemFailed);
    EXPECT_EQ(r.failedItem, 12);
    EXPECT_EQ(r.items, 13);
    EXPECT_FALSE(r.complete());
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
    EXPECT_TRUE(r.itemFailed);
    EXPECT_EQ(r.failedItem, 0);
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(board.peek("W1000"), w1000) << "W1000 as the board had it";
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

TEST_F(TransferTest, ABackupIsStampedToTheWholeSecond) {
    clock.setLocalDateTime({2026, 5, 6, 7, 8, 9, 750});
    const std::string path = folder.filePath("stamped.sdt").toStdString();
    ASSERT_TRUE(UploadToFile(link, clock, path).ok);
    SetupData written;
    ASSERT_TRUE(ReadSetupFile(path, written));
    EXPECT_EQ(FromOleDate(written.Stamp), (DateTime{2026, 5, 6, 7, 8, 9, 0}));
}

}  // namespace
}  // namespace voran::testing
