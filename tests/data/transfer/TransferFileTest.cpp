// A backup between the board and a set-up file that ends early never
// touches the file.
#include <QFile>

#include "TransferFixture.h"
#include "data/TransferFile.h"

namespace voran::testing {

TEST_F(TransferTest, BackupThatEndsEarlyLeavesTheOldFileAndWritesNoNewOne) {
    const std::string keep = folder.filePath("keep.sdt").toStdString(),
                      fresh = folder.filePath("new.sdt").toStdString();
    QFile old(folder.filePath("keep.sdt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("yesterday") == 9);
    old.close();
    int polls = 0;
    TransferHooks hooks;
    hooks.cancelRequested = [&] { return ++polls > 5; };
    auto out = UploadToFile(link, clock, keep, hooks);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error,
              "upload not complete: cancelled after 5 of 78 items; " + keep + " was not written");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "yesterday");

    port.silent = true;
    out = UploadToFile(link, clock, fresh);
    EXPECT_EQ(out.error, "upload not complete: the link to the board failed after 1 of 78 items; " +
                             fresh + " was not written");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(fresh)));
}

}  // namespace voran::testing
