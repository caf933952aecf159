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
    d.Address.push_back("extra");
    return d;
}

std::vector<std::string> filesIn(const QTemporaryDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path().toStdString()))
        names.push_back(e.path().filename().string());
    return names;
}

std::string patched(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
}

}  // namespace

TEST(SetupFileLayout, DefaultDataGiveTheGoldenBytesAndReadBack) {
    std::string bytes;
    ASSERT_TRUE(EncodeSetupData(defaultRecord(), bytes));
    EXPECT_EQ(bytes.size(), 931u + ProgramVersion().size());
    EXPECT_EQ(ToHex(bytes), kGoldenDefaultHex);

    // Anything after the record is ignored.
    SetupData read;
    const SetupFileResult res = DecodeSetupData(FromHex(kGoldenDefaultHex) + "junk", read);
    ASSERT_TRUE(res) << res.error;
    EXPECT_EQ(read, defaultRecord());
}

TEST(SetupFileLayout, RoundTripIsByteExactAndKeepsNonAsciiBytes) {
    SetupData d = defaultRecord();
    d.Version = "VORAN_R1.9\xE9\x80";
    d.Address[0] = "W1\xFF";
    d.Address[77] = "";
    d.Value[38] = -123456789;
    d.Value[39] = std::numeric_limits<std::int32_t>::max();
    d.ResolverOffset = -90;
    d.SpeedComp[7] = -32768;
    d.Setpoint[4] = {32767, -1};
    d.Stamp = -1.25;
    std::string first, second;
    ASSERT_TRUE(EncodeSetupData(d, first));
    SetupData read;
    ASSERT_TRUE(DecodeSetupData(first, read));
    EXPECT_EQ(read, d);
    ASSERT_TRUE(EncodeSetupData(read, second));
    EXPECT_EQ(ToHex(first), ToHex(second));
}

TEST(RefusedFiles, EveryCutShortFileIsRefusedAndLeavesTheRecordAlone) {
    const std::string golden = FromHex(kGoldenDefaultHex);
    for (std::size_t len = 0; len < golden.size(); ++len) {
        SetupData out = sentinel();
        const SetupFileResult res = DecodeSetupData(std::string_view(golden).substr(0, len), out);
        EXPECT_FALSE(res) << len;
        EXPECT_FALSE(res.error.empty()) << len;
        EXPECT_EQ(out, sentinel()) << len;
    }
}

TEST(RefusedFiles, AbsurdLengthsAndDescriptorsAreRefusedWithTheReason) {
    const std::string golden = FromHex(kGoldenDefaultHex);
    const std::string nanStamp = std::string("\x00\x00\x00\x00\x00\x00\xF8\x7F", 8);
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"", "the file is empty"},
        {"Hello, this is not a set-up file\r\n",
         "the version text is declared as 25928 bytes but the file ends before them"},
        {patched(golden, kStampAt, nanStamp), "the date stamp is not a date"},
        {patched(golden, kAddressTableAt, U16(2)),
         "the address table has 2 dimensions instead of 1"},
        {patched(golden, kAddressTableAt + 6, U32(0xFFFFFFFF)),
         "the address table starts at index -1 instead of 0"},
        {patched(golden, kAddressTableAt + 2, U32(0xFFFFFFFF)),
         "the address table declares 4294967295 entries, more than a set-up file holds"},
        {patched(golden, kAddressTableAt + 2, U32(500)),
         "the address table declares 500 entries but the file ends before them"},
        {Record("VORAN_R2.0.3", 40000, 78),
         "the address table declares 40000 entries, more than a set-up file holds"},
        {patched(golden, kFirstAddressAt, U16(60000)),
         "the address of item 0 is declared as 60000 bytes but the file ends before them"},
        {patched(golden, kValueTableAt, U16(3)), "the value table has 3 dimensions instead of 1"},
        {patched(golden, kValueTableAt + 6, U32(5)),
         "the value table starts at index 5 instead of 0"},
        {patched(golden, kValueTableAt + 2, U32(100)),
         "the value table declares 100 entries but the file ends before them"},
    };
    for (const auto& c : cases) {
        SetupData out = sentinel();
        const SetupFileResult res = DecodeSetupData(c.bytes, out);
        EXPECT_FALSE(res) << c.reason;
        EXPECT_EQ(res.error, c.reason);
        EXPECT_EQ(out, sentinel()) << c.reason;
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
    for (const auto& c : cases) {
        SetupData out = sentinel();
        const SetupFileResult res = ReadSetupFile(dir.filePath(c.name).toStdString(), out);
        EXPECT_EQ(res.error, c.reason) << c.name;
        EXPECT_EQ(out, sentinel()) << c.name;
    }
}

TEST(SavingFiles, ALongerOldFileIsReplacedByExactlyTheRecord) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    WriteAll(path, std::string(5000, 'x'));
    ASSERT_TRUE(WriteSetupFile(path, defaultRecord()));
    EXPECT_EQ(ToHex(ReadAll(path)), kGoldenDefaultHex);
    SetupData read;
    ASSERT_TRUE(ReadSetupFile(path, read));
    EXPECT_EQ(read, defaultRecord());
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"line3.sdt"});
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
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"line3.sdt"});
}

TEST(SavingFiles, TextsTooLongForTheFileAreRefusedBeforeWriting) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    SetupData d = defaultRecord();
    d.Address[4] = std::string(70000, 'W');
    const SetupFileResult res = WriteSetupFile(path, d);
    EXPECT_EQ(res.error, "the address of item 4 is longer than 65535 bytes");
    EXPECT_FALSE(std::filesystem::exists(path));
}
