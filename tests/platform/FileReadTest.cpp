// Reading a file: only regular files, never waiting on a pipe, never past
// the limit.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "FileKinds.h"
#include "platform/FileRead.h"

using namespace voran;
using namespace voran::testing;
namespace fs = std::filesystem;

TEST(ReadFile, OnlyARegularFileIsReadAndNothingElseIsWaitedOn) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(name).toStdString(); };
    std::ofstream(at("plain.cfg"), std::ios::binary) << "3,19200\n";
    ASSERT_TRUE(MakeFifo(at("pipe")));
    fs::create_symlink(at("pipe"), at("pipe-link.sdt"));
    fs::create_symlink(at("plain.cfg"), at("plain-link.cfg"));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_TRUE(MakeDeviceNode(at("null")));
        fs::create_symlink(at("null"), at("null-link.txt"));
    }
    // Name, whether read, the reason otherwise, missing.
    const struct {
        const char* name;
        bool ok;
        const char* reason;
        bool missing;
    } rows[] = {
        {"plain.cfg", true, "", false},
        {"plain-link.cfg", true, "", false},
        {"pipe", false, "Not a regular file", false},
        {"pipe-link.sdt", false, "Not a regular file", false},
        {"null", false, "Not a regular file", false},
        {"null-link.txt", false, "Not a regular file", false},
        {"gone.cfg", false, "No such file or directory", true},
        {"", false, "Is a directory", false},
    };
    HangGuard guard;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (!root && std::string(r.name).rfind("null", 0) == 0) continue;
        const FileReadResult read = ReadFileContents(at(r.name));
        EXPECT_EQ(read.ok, r.ok);
        EXPECT_EQ(read.reason, r.reason);
        EXPECT_EQ(read.missing, r.missing);
        if (r.ok) {
            EXPECT_EQ(read.bytes, "3,19200\n");
        } else {
            EXPECT_EQ(read.error, std::string(r.reason) + ": " + at(r.name));
        }
    }
    EXPECT_TRUE(IsFifo(at("pipe")));
}

TEST(ReadFile, AFilePastTheLimitIsRefusedUnreadUnlessOnlyItsStartIsWanted) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("FaultErrCodes.txt").toStdString();
    std::ofstream(path, std::ios::binary) << "0A,Jam at the flanger\n";
    // A sparse file of 300 MiB: reading it whole would take seconds.
    fs::resize_file(path, 300u << 20);

    const FileReadResult whole = ReadFileContents(path);
    EXPECT_FALSE(whole.ok);
    EXPECT_EQ(whole.error, "File too large (more than 16777216 bytes): " + path);
    EXPECT_EQ(whole.bytes, "");

    const FileReadResult start = ReadFileContents(path, 12, true);
    EXPECT_TRUE(start.ok);
    EXPECT_EQ(start.bytes, "0A,Jam at th");

    fs::resize_file(path, 21);
    EXPECT_EQ(ReadFileContents(path, 21).bytes, "0A,Jam at the flanger");
    EXPECT_EQ(ReadFileContents(path, 20).reason, "File too large (more than 20 bytes)");
}

TEST(ReadFile, AByteOrderMarkIsSkippedAndNothingElse) {
    EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBF"
                                   "3,19200"),
              "3,19200");
    EXPECT_EQ(WithoutByteOrderMark("3,19200"), "3,19200");
    EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
    EXPECT_EQ(WithoutByteOrderMark(""), "");
}
