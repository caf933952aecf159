// Replacing a file whole: links, permissions, owners, and folders that
// refuse new files. Reading a file: only regular files, never waiting on a
// pipe, never past the limit.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FileKinds.h"
#include "OrdinaryUser.h"
#include "platform/FileRead.h"
#include "platform/FileReplace.h"

using namespace voran;
using namespace voran::testing;
namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

// A folder of its own, entered by anyone; `refusing` folders take no new
// files from an ordinary user.
struct Folder {
    QTemporaryDir dir;
    explicit Folder(bool refusing = false) {
        fs::permissions(path(), refusing ? fs::perms(0555) : fs::perms(0777));
    }
    ~Folder() { fs::permissions(path(), fs::perms(0755)); }
    std::string path(const std::string& name = {}) const {
        return name.empty() ? dir.path().toStdString()
                            : dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string names() const {
        return QDir(dir.path())
            .entryList(QDir::Files | QDir::System | QDir::Hidden)
            .join('|')
            .toStdString();
    }
};

}  // namespace

TEST(ReplaceFile, ALinkKeepsPointingAtItsTargetWhichGetsTheBytesAndKeepsItsPermissions) {
    Folder folder;
    writeAll(folder.path("line3.sdt"), "the old contents, longer than the new");
    ::chmod(folder.path("line3.sdt").c_str(), 0640);
    fs::create_symlink("line3.sdt", folder.path("current.sdt"));
    fs::create_symlink(folder.path("current.sdt"), folder.path("latest.sdt"));  // a chain

    ASSERT_TRUE(ReplaceFileContents(folder.path("latest.sdt"), "new"));

    EXPECT_EQ(readAll(folder.path("line3.sdt")), "new");
    EXPECT_TRUE(fs::is_symlink(folder.path("current.sdt")));
    EXPECT_TRUE(fs::is_symlink(folder.path("latest.sdt")));
    EXPECT_EQ(fs::read_symlink(folder.path("current.sdt")), "line3.sdt");
    EXPECT_EQ(statOf(folder.path("line3.sdt")).st_mode & 07777, 0640u);
    EXPECT_EQ(folder.names(), "current.sdt|latest.sdt|line3.sdt") << "no leftovers";
}

TEST(ReplaceFile, AFileKeepsItsOwnerWhenTheSuperuserReplacesIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser may give a file away";
    Folder folder;
    writeAll(folder.path("RSPort.cfg"), "1,9600\n");
    ASSERT_EQ(::chown(folder.path("RSPort.cfg").c_str(), kOrdinaryUid, kOrdinaryGid), 0);
    ::chmod(folder.path("RSPort.cfg").c_str(), 0604);

    ASSERT_TRUE(ReplaceFileContents(folder.path("RSPort.cfg"), "3,19200\n"));

    const struct stat st = statOf(folder.path("RSPort.cfg"));
    EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777),
              std::tuple(kOrdinaryUid, kOrdinaryGid, 0604u));
    EXPECT_EQ(readAll(folder.path("RSPort.cfg")), "3,19200\n");
}

// A folder that refuses new files gets the file written in place where the
// user may write the file; a file the user may not write is left alone.
TEST(ReplaceFile, AnOrdinaryUserReplacesAFileOnlyWhereItMayWriteIt) {
    // Case, file there, limit on the bytes written, expected result (reason
    // or "" for done), contents afterwards.
    const struct {
        const char* name;
        bool exists;
        long long limit;
        const char* reason;
        const char* after;
        const char* bytes = "the new contents, longer";
        unsigned mode = 0666;  // of the file
        bool refusing = true;  // the folder takes no new files
    } cases[] = {
        {"writable file", true, -1, "", "the new contents, longer"},
        {"shorter contents", true, -1, "", "new", "new"},
        {"no file yet", false, -1, "Permission denied", nullptr},
        {"no room for the new contents", true, 20,
         "File too large; the file could not be written in place and was left as it was",
         "the old contents"},
        {"file the user may not write, in a writable folder", true, -1, "Permission denied",
         "the old contents", "the new contents", 0444, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder(c.refusing);
        const std::string path = folder.path("line3.sdt");
        if (c.exists) {
            writeAll(path, "the old contents");
            ::chmod(path.c_str(), c.mode);
        }
        const std::string problem = RunAsOrdinaryUser(
            [&]() -> std::string {
                const FileWriteResult r = ReplaceFileContents(path, c.bytes);
                if (r.ok != !*c.reason) return "ok = " + std::to_string(r.ok) + ": " + r.error;
                if (r.reason != c.reason) return "reason: " + r.reason;
                if (!r.ok && r.error != r.reason + ": " + path) return "error: " + r.error;
                return {};
            },
            c.limit);
        EXPECT_EQ(problem, "");
        if (c.after) {
            EXPECT_EQ(readAll(path), c.after);
        }
        EXPECT_EQ(folder.names(), c.exists ? "line3.sdt" : "");
    }
}

TEST(ReplaceFile, AFolderOrAMissingFolderIsRefusedWithTheReason) {
    Folder folder;
    EXPECT_EQ(ReplaceFileContents(folder.path(), "x").reason, "Is a directory");
    EXPECT_EQ(ReplaceFileContents(folder.path("gone/line3.sdt"), "x").reason,
              "No such file or directory");
}

TEST(ReplaceFile, ADeviceOrANamedPipeIsRefusedAndStaysWhatItIs) {
    // Reached by name or through a link: a program running as the superuser
    // must never turn a device node into a file.
    const struct {
        const char* name;
        bool device;
        bool throughLink;
    } rows[] = {{"named pipe", false, false},
                {"link to a named pipe", false, true},
                {"device node", true, false},
                {"link to a device node", true, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.device && ::geteuid() != 0) continue;  // only the superuser makes nodes
        HangGuard guard;
        Folder folder;
        const std::string node = folder.path("node");
        ASSERT_TRUE(r.device ? MakeDeviceNode(node) : MakeFifo(node));
        std::string path = node;
        if (r.throughLink) {
            path = folder.path("out.txt");
            fs::create_symlink(node, path);
        }
        const FileWriteResult written = ReplaceFileContents(path, "shift data");
        EXPECT_FALSE(written.ok);
        EXPECT_EQ(written.error, "Not a regular file: " + path);
        EXPECT_TRUE(r.device ? IsDeviceNode(node) : IsFifo(node));
        EXPECT_EQ(folder.names(), r.throughLink ? "node|out.txt" : "node") << "no leftovers";
    }
}

TEST(ReplaceFile, InPlaceOnAFullDiskTheOldFileStaysByteForByte) {
    // A small file system of its own, filled up, whose folder refuses new
    // files to an ordinary user: there is no room for the longer contents,
    // so nothing of the old file may be overwritten.
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser mounts a file system";
    Folder folder;
    if (::system(("mount -t tmpfs -o size=64k,mode=0555 tmpfs " + folder.path() + " 2>/dev/null")
                     .c_str()) != 0)
        GTEST_SKIP() << "no tmpfs here";
    struct Unmount {
        std::string at;
        ~Unmount() { [[maybe_unused]] const int r = ::system(("umount " + at).c_str()); }
    } unmount{folder.path()};
    const std::string path = folder.path("Q.hex");
    const std::string old(12288, 'o');
    writeAll(path, old);
    ::chmod(path.c_str(), 0666);
    // Fill what is left.
    std::ofstream(folder.path("filler"), std::ios::binary) << std::string(64 * 1024, 'f');
    const std::string fresh(40000, 'n');
    const std::string problem = RunAsOrdinaryUser([&]() -> std::string {
        const FileWriteResult r = ReplaceFileContents(path, fresh);
        if (r.ok) return "the write says it was done";
        if (r.reason !=
            "No space left on device; the file could not be written in place and was left as it "
            "was")
            return "reason: " + r.reason;
        return {};
    });
    EXPECT_EQ(problem, "");
    EXPECT_TRUE(readAll(path) == old) << "the old file is whole";
}

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
