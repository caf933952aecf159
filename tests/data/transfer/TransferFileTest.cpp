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
    QByteArray bytesOf(const std::string& p) const {
        QFile f(QString::fromStdString(p));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(FileTransfer, BackupWritesWhatTheBoardHoldsAndRestoreSendsItBack) {
    fillBoard();
    const auto up = UploadToFile(link, clock, path("line3.sdt"));
    ASSERT_TRUE(up.ok) << up.error;
    SetupData file;
    ASSERT_TRUE(ReadSetupFile(path("line3.sdt"), file));
    EXPECT_EQ(file.Version, ProgramVersion());
    EXPECT_EQ(file.Stamp, ToOleDate(clock.localDateTime()));
    EXPECT_EQ(file.Address, tables.DefaultData.Address);
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(file.Value[i], distinctValue(file.Address[i], i)) << file.Address[i];
    EXPECT_EQ(file.ScaleFactor, 720);
    EXPECT_EQ(file.Setpoint[3], (std::array<std::int16_t, 2>{700, 5}));

    // The board loses its data; the restore brings it back.
    file.Setpoint[6] = {30, 60};
    ASSERT_TRUE(WriteSetupFile(path("line3.sdt"), file));
    for (int i = 0; i <= LastItemIndex; ++i) board.preset(file.Address[i], 0);
    const auto down = DownloadFromFile(link, path("line3.sdt"), false);
    ASSERT_TRUE(down.ok) << down.error;
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(board.peek(file.Address[i]), file.Value[i]) << file.Address[i];
    EXPECT_EQ(board.pls().channels[6], (sim::SimPls::Channel{true, 30, 60}));
}

TEST_F(FileTransfer, BackupThatEndsEarlyNeverTouchesTheFile) {
    ASSERT_TRUE(WriteSetupFile(path("keep.sdt"), tables.DefaultData));
    const QByteArray before = bytesOf(path("keep.sdt"));

    int polls = 0;
    TransferHooks hooks;
    hooks.cancelRequested = [&] { return ++polls > 5; };
    auto out = UploadToFile(link, clock, path("keep.sdt"), hooks);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, "upload not complete: cancelled after 5 of 78 items; " + path("keep.sdt") +
                             " was not written");
    EXPECT_EQ(bytesOf(path("keep.sdt")), before);

    port.silent = true;
    out = UploadToFile(link, clock, path("new.sdt"));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, "upload not complete: the link to the board failed after 1 of 78 items; " +
                             path("new.sdt") + " was not written");
    EXPECT_FALSE(QFile::exists(folder.filePath("new.sdt")));
}

struct RestoreRefusal {
    const char* name;
    void (*spoil)(SetupData&);
    const char* error;  // after the file's path unless it starts "download"
};

class RestoreRefused : public FileTransfer, public ::testing::WithParamInterface<RestoreRefusal> {};

TEST_P(RestoreRefused, FileThatCannotBeSentSendsNothing) {
    SetupData data = tables.DefaultData;
    GetParam().spoil(data);
    ASSERT_TRUE(WriteSetupFile(path("bad.sdt"), data));
    const auto out = DownloadFromFile(link, path("bad.sdt"), false);
    EXPECT_FALSE(out.ok);
    // %v stands for this program's version.
    std::string error = GetParam().error;
    if (const auto v = error.find("%v"); v != std::string::npos)
        error.replace(v, 2, ProgramVersion());
    EXPECT_EQ(out.error, error.rfind("download", 0) == 0 ? error : path("bad.sdt") + error);
    EXPECT_TRUE(sent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    SetupFiles, RestoreRefused,
    ::testing::Values(
        RestoreRefusal{"AnotherVersion", [](SetupData& d) { d.Version = "VORAN_R1.9.0"; },
                       " was written by set-up program version \"VORAN_R1.9.0\", not "
                       "%v; its data tables may not be properly aligned, nothing was "
                       "sent (--any-version sends it anyway)"},
        RestoreRefusal{"ShortItemTable",
                       [](SetupData& d) {
                           d.Address.resize(60);
                           d.Value.resize(60);
                       },
                       " holds 60 items, not 78; nothing was sent"},
        RestoreRefusal{"SpeedCompensationBelowZero", [](SetupData& d) { d.SpeedComp[0] = -4; },
                       "download refused: Speed compensation of channel 1 is -4; it must lie "
                       "between 0 and 255."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileTransfer, FileOfAnotherVersionIsSentWhenAskedFor) {
    SetupData data = tables.DefaultData;
    data.Version = "VORAN_R1.9.0";
    ASSERT_TRUE(WriteSetupFile(path("old.sdt"), data));
    const auto out = DownloadFromFile(link, path("old.sdt"), true);
    EXPECT_TRUE(out.ok) << out.error;
    EXPECT_EQ(board.peek("W1042"), 4095);
}

}  // namespace
}  // namespace voran::testing
