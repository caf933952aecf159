// Backup and restore between the board and a set-up file, as the command
// line runs them.
#include <QFile>

#include "TransferFixture.h"
#include "data/SetupFile.h"
#include "data/TransferFile.h"

namespace voran::testing {
namespace {

class FileTransfer : public TransferTest {
protected:
    std::string path(const char* name) const { return folder.filePath(name).toStdString(); }
    QByteArray bytesOf(const char* name) const {
        QFile f(folder.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(FileTransfer, BackupWritesWhatTheBoardHoldsAndOneThatEndsEarlyNeverTouchesTheFile) {
    fillBoard();
    const auto up = UploadToFile(link, clock, path("keep.sdt"));
    ASSERT_TRUE(up.ok) << up.error;
    SetupData file;
    ASSERT_TRUE(ReadSetupFile(path("keep.sdt"), file));
    EXPECT_EQ(file.Version, ProgramVersion());
    EXPECT_EQ(file.Stamp, ToOleDate(clock.localDateTime()));
    EXPECT_EQ(file.Address, tables.DefaultData.Address);
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(file.Value[i], distinctValue(file.Address[i], i)) << file.Address[i];
    EXPECT_EQ(file.Setpoint[3], (std::array<std::int16_t, 2>{700, 5}));

    const QByteArray before = bytesOf("keep.sdt");
    board.preset("W1000", 1);
    int polls = 0;
    TransferHooks hooks;
    hooks.cancelRequested = [&] { return ++polls > 5; };
    auto out = UploadToFile(link, clock, path("keep.sdt"), hooks);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, "upload not complete: cancelled after 5 of 78 items; " + path("keep.sdt") +
                             " was not written");
    EXPECT_EQ(bytesOf("keep.sdt"), before);

    port.silent = true;
    out = UploadToFile(link, clock, path("new.sdt"));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, "upload not complete: the link to the board failed after 1 of 78 items; " +
                             path("new.sdt") + " was not written");
    EXPECT_FALSE(QFile::exists(folder.filePath("new.sdt")));
}

TEST_F(FileTransfer, FileOfAnotherVersionOrItemTableIsRefusedUnlessAskedFor) {
    SetupData data = tables.DefaultData;
    data.Version = "VORAN_R1.9.0";
    ASSERT_TRUE(WriteSetupFile(path("old.sdt"), data));
    auto out = DownloadFromFile(link, path("old.sdt"), false);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, path("old.sdt") +
                             " was written by set-up program version \"VORAN_R1.9.0\", not " +
                             ProgramVersion() +
                             "; its data tables may not be properly aligned, nothing was sent "
                             "(--any-version sends it anyway)");
    data.Address.resize(60);
    data.Value.resize(60);
    ASSERT_TRUE(WriteSetupFile(path("short.sdt"), data));
    out = DownloadFromFile(link, path("short.sdt"), true);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, path("short.sdt") + " holds 60 items, not 78; nothing was sent");
    EXPECT_TRUE(sent().empty());

    out = DownloadFromFile(link, path("old.sdt"), true);
    EXPECT_TRUE(out.ok) << out.error;
    EXPECT_EQ(board.peek("W1042"), 4095);
}

}  // namespace
}  // namespace voran::testing
