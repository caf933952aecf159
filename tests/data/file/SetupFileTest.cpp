#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "FileBytes.h"
#include "GoldenDefault.h"
#include "data/SetupData.h"
#include "data/SetupFile.h"

using namespace voran;
using namespace filebytes;

namespace {

SetupData defaultRecord() {
    SetupTables t;
    t.BuildDefaults(DateTime{2026, 3, 14, 9, 26, 53, 0});
    return t.DefaultData;
}

// A record nobody would read from a file, to see that a refused read leaves
// the destination alone.
SetupData sentinel() {
    SetupData d = defaultRecord();
    d.Version = "untouched";
    d.Value[10] = -1;
    d.Address.push_back("extra");
    return d;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(SetupFileLayout, DefaultDataGiveTheGoldenBytes) {
    std::string bytes;
    ASSERT_TRUE(EncodeSetupData(defaultRecord(), bytes));
    const std::string golden = FromHex(kGoldenDefaultHex);
    EXPECT_EQ(bytes.size(), 931u + ProgramVersion().size());
    EXPECT_EQ(bytes.size(), golden.size());
    EXPECT_TRUE(bytes == golden);
    for (std::size_t i = 0; i < std::min(bytes.size(), golden.size()); ++i)
        if (bytes[i] != golden[i]) {
            ADD_FAILURE() << "first difference at byte " << i;
            break;
        }
}

TEST(SetupFileLayout, GoldenBytesReadBackAsTheDefaultData) {
    SetupData read;
    const SetupFileResult res = DecodeSetupData(FromHex(kGoldenDefaultHex), read);
    ASSERT_TRUE(res) << res.error;
    EXPECT_EQ(read, defaultRecord());
}

TEST(SetupFileLayout, RoundTripIsByteExactAndKeepsNonAsciiBytes) {
    SetupData d = defaultRecord();
    d.Version = "VORAN_R1.9\xE9\x80";
    d.Address[0] =
        "W1\xFF"
        "0";
    d.Address[77] = "";
    d.Value[38] = -123456789;
    d.Value[39] = std::numeric_limits<std::int32_t>::max();
    d.ResolverOffset = -90;
    d.SpeedComp[7] = -32768;
    d.Setpoint[4] = {32767, -1};
    d.Stamp = -1.25;
    std::string first;
    ASSERT_TRUE(EncodeSetupData(d, first));
    SetupData read;
    ASSERT_TRUE(DecodeSetupData(first, read));
    EXPECT_EQ(read, d);
    EXPECT_EQ(read.Version, "VORAN_R1.9\xE9\x80");
    EXPECT_EQ(read.Address[0],
              "W1\xFF"
              "0");
    std::string second;
    ASSERT_TRUE(EncodeSetupData(read, second));
    EXPECT_TRUE(first == second);
}

TEST(SetupFileLayout, TablesTakeTheEntryCountsStoredInTheFile) {
    SetupData read;
    ASSERT_TRUE(DecodeSetupData(Record("VORAN_R1.0.0", 60, 90), read));
    ASSERT_EQ(read.Address.size(), 60u);
    ASSERT_EQ(read.Value.size(), 90u);
    EXPECT_EQ(read.Address[59], "W59");
    EXPECT_EQ(read.Value[89], 89);
    EXPECT_EQ(read.ChannelCount, 8);
    EXPECT_EQ(read.Setpoint[7][1], 23);  // last OFF setpoint is the last field
}

TEST(SetupFileLayout, BytesAfterTheRecordAreIgnored) {
    SetupData read;
    ASSERT_TRUE(DecodeSetupData(FromHex(kGoldenDefaultHex) + "trailing junk", read));
    EXPECT_EQ(read, defaultRecord());
}

TEST(RefusedFiles, EveryCutShortFileIsRefusedAndLeavesTheRecordAlone) {
    const std::string golden = FromHex(kGoldenDefaultHex);
    const SetupData untouched = sentinel();
    for (std::size_t len = 0; len < golden.size(); ++len) {
        SetupData out = untouched;
        const SetupFileResult res = DecodeSetupData(std::string_view(golden).substr(0, len), out);
        EXPECT_FALSE(res) << len;
        EXPECT_FALSE(res.error.empty()) << len;
        EXPECT_EQ(out, untouched) << len;
    }
}

TEST(RefusedFiles, AbsurdLengthsAndDescriptorsAreRefusedWithTheReason) {
    const std::string golden = FromHex(kGoldenDefaultHex);
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    auto patched16 = [&](std::size_t at, std::uint16_t v) {
        std::string b = golden;
        PatchU16(b, at, v);
        return b;
    };
    auto patched32 = [&](std::size_t at, std::uint32_t v) {
        std::string b = golden;
        PatchU32(b, at, v);
        return b;
    };
    std::string nanStamp = golden;
    nanStamp.replace(kStampAt, 8, std::string("\x00\x00\x00\x00\x00\x00\xF8\x7F", 8));
    std::string manyEntries = Record("VORAN_R2.0.3", 40000, 78);
    const Case cases[] = {
        {"empty file", "", "the file is empty"},
        {"one byte", "\x0C", "the file ends before the set-up record is complete"},
        {"text file", "Hello, this is not a set-up file\r\n",
         "the version text is declared as 25928 bytes but the file ends before them"},
        {"version length beyond file", patched16(0, 0xFFFF),
         "the version text is declared as 65535 bytes but the file ends before them"},
        {"stamp not a number", nanStamp, "the date stamp is not a date"},
        {"address table with 2 dimensions", patched16(kAddressTableAt, 2),
         "the address table has 2 dimensions instead of 1"},
        {"address table with 0 dimensions", patched16(kAddressTableAt, 0),
         "the address table has 0 dimensions instead of 1"},
        {"address table from index 1", patched32(kAddressTableAt + 6, 1),
         "the address table starts at index 1 instead of 0"},
        {"address table from index -1", patched32(kAddressTableAt + 6, 0xFFFFFFFF),
         "the address table starts at index -1 instead of 0"},
        {"4 billion addresses", patched32(kAddressTableAt + 2, 0xFFFFFFFF),
         "the address table declares 4294967295 entries, more than a set-up file holds"},
        {"more addresses than bytes", patched32(kAddressTableAt + 2, 500),
         "the address table declares 500 entries but the file ends before them"},
        {"40000 addresses that fit in the file", manyEntries,
         "the address table declares 40000 entries, more than a set-up file holds"},
        {"address text beyond file", patched16(kFirstAddressAt, 60000),
         "the address of item 0 is declared as 60000 bytes but the file ends before them"},
        {"value table with 3 dimensions", patched16(kValueTableAt, 3),
         "the value table has 3 dimensions instead of 1"},
        {"value table from index 5", patched32(kValueTableAt + 6, 5),
         "the value table starts at index 5 instead of 0"},
        {"more values than bytes", patched32(kValueTableAt + 2, 100),
         "the value table declares 100 entries but the file ends before them"},
    };
    for (const Case& c : cases) {
        SetupData out = sentinel();
        const SetupFileResult res = DecodeSetupData(c.bytes, out);
        EXPECT_FALSE(res) << c.what;
        EXPECT_EQ(res.error, c.reason) << c.what;
        EXPECT_EQ(out, sentinel()) << c.what;
    }
}

TEST(RefusedFiles, UnreadablePathsNameTheSystemReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.sdt"));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"none.sdt", "No such file or directory"},
        {"folder.sdt", "Is a directory"},
        {"gone/none.sdt", "No such file or directory"},
    };
    const SetupData untouched = sentinel();
    for (const auto& c : cases) {
        SetupData out = untouched;
        const SetupFileResult res = ReadSetupFile(dir.filePath(c.name).toStdString(), out);
        EXPECT_FALSE(res) << c.name;
        EXPECT_EQ(res.error, c.reason) << c.name;
        EXPECT_EQ(out, untouched) << c.name;
    }
}

TEST(SavingFiles, WrittenFileHoldsExactlyTheRecord) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    ASSERT_TRUE(WriteSetupFile(path, defaultRecord()));
    EXPECT_TRUE(ReadAll(path) == FromHex(kGoldenDefaultHex));
    SetupData read;
    ASSERT_TRUE(ReadSetupFile(path, read));
    EXPECT_EQ(read, defaultRecord());
    EXPECT_EQ(filesIn(dir.path().toStdString()), std::vector<std::string>{"line3.sdt"});
}

TEST(SavingFiles, ALongerOldFileIsReplacedWhole) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    WriteAll(path, std::string(5000, 'x'));
    ASSERT_TRUE(WriteSetupFile(path, defaultRecord()));
    EXPECT_EQ(ReadAll(path).size(), kStandardSize);
}

TEST(SavingFiles, FolderThatIsGoneFailsWithTheReason) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("gone/line3.sdt").toStdString();
    const SetupFileResult res = WriteSetupFile(path, defaultRecord());
    EXPECT_FALSE(res);
    EXPECT_EQ(res.error, "No such file or directory");
}

TEST(SavingFiles, ANameThatIsAFolderFailsAndTheFolderStays) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("line3.sdt"));
    const SetupFileResult res =
        WriteSetupFile(dir.filePath("line3.sdt").toStdString(), defaultRecord());
    EXPECT_FALSE(res);
    EXPECT_EQ(res.error, "Is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(dir.filePath("line3.sdt").toStdString()));
}

TEST(SavingFiles, DiskFullMidWriteLeavesTheOldFileAndNoLeftovers) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    const std::string old = Record("VORAN_R1.0.0", 10, 10);
    WriteAll(path, old);

    // Let the process write no more than 100 bytes per file: the record
    // cannot be completed, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SetupFileResult res = WriteSetupFile(path, defaultRecord());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(res);
    EXPECT_EQ(res.error, "File too large");
    EXPECT_TRUE(ReadAll(path) == old);
    EXPECT_EQ(filesIn(dir.path().toStdString()), std::vector<std::string>{"line3.sdt"});
}

TEST(SavingFiles, TextsTooLongForTheFileAreRefusedBeforeWriting) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    SetupData d = defaultRecord();
    d.Address[4] = std::string(70000, 'W');
    const SetupFileResult res = WriteSetupFile(path, d);
    EXPECT_FALSE(res);
    EXPECT_EQ(res.error, "the address of item 4 is longer than 65535 bytes");
    EXPECT_FALSE(std::filesystem::exists(path));
}
