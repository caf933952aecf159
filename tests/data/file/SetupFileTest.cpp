#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <filesystem>
#include <tuple>
#include <sys/resource.h>

#include "FileBytes.h"
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

// The names in a folder, '|'-separated: shows any temporary file left over.
std::string filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
        .join('|')
        .toStdString();
}

std::string patched(std::size_t at, const std::string& with) {
    return FromHex(kGoldenDefaultHex).replace(at, with.size(), with);
}

}  // namespace

TEST(SetupFileLayout, DefaultDataGiveTheGoldenBytesAndReadBack) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    WriteAll(path, std::string(5000, 'x'));  // a longer old file is replaced whole
    ASSERT_TRUE(WriteSetupFile(path, defaultRecord()));
    EXPECT_EQ(ReadAll(path).size(), 931u + ProgramVersion().size());
    EXPECT_EQ(ReadAll(path), FromHex(kGoldenDefaultHex));
    EXPECT_EQ(filesIn(dir), "line3.sdt");
    // Anything after the record is ignored.
    SetupData read;
    ASSERT_TRUE(DecodeSetupData(FromHex(kGoldenDefaultHex) + "junk", read));
    EXPECT_EQ(read, defaultRecord());
}

TEST(SetupFileLayout, RoundTripIsByteExactAndKeepsNonAsciiBytes) {
    SetupData d = defaultRecord();
    d.Version = "VORAN_R1.9\xE9\x80";
    std::tie(d.Address[0], d.Address[77], d.Value[38], d.Value[39]) =
        std::make_tuple("W1\xFF", "", -123456789, std::numeric_limits<std::int32_t>::max());
    std::tie(d.ResolverOffset, d.SpeedComp[7], d.Setpoint[4], d.Stamp) =
        std::make_tuple(-90, -32768, std::array<std::int16_t, 2>{32767, -1}, -1.25);
    std::string first, second;
    SetupData read;
    ASSERT_TRUE(EncodeSetupData(d, first) && DecodeSetupData(first, read));
    EXPECT_EQ(read, d);
    ASSERT_TRUE(EncodeSetupData(read, second));
    EXPECT_EQ(first, second);
}

TEST(RefusedFiles, EveryCutShortFileIsRefusedAndLeavesTheRecordAlone) {
    const std::string golden = FromHex(kGoldenDefaultHex);
    for (std::size_t len = 0; len < golden.size(); ++len) {
        SetupData out = sentinel();
        const SetupFileResult res = DecodeSetupData(std::string_view(golden).substr(0, len), out);
        EXPECT_TRUE(!res && !res.error.empty()) << len;
        EXPECT_EQ(out, sentinel()) << len;
    }
}

TEST(RefusedFiles, AbsurdLengthsAndDescriptorsAreRefusedWithTheReason) {
    const std::string nanStamp("\x00\x00\x00\x00\x00\x00\xF8\x7F", 8);
    const std::pair<std::string, const char*> cases[] = {
        {"Hello, this is not a set-up file\r\n",
         "the version text is declared as 25928 bytes but the file ends before them"},
        {patched(kStampAt, nanStamp), "the date stamp is not a date"},
        {patched(kAddressTableAt, U16(2)), "the address table has 2 dimensions instead of 1"},
        {patched(kAddressTableAt + 6, U32(0xFFFFFFFF)),
         "the address table starts at index -1 instead of 0"},
        {patched(kAddressTableAt + 2, U32(0xFFFFFFFF)),
         "the address table declares 4294967295 entries, more than a set-up file holds"},
        {patched(kAddressTableAt + 2, U32(500)),
         "the address table declares 500 entries but the file ends before them"},
        {patched(kFirstAddressAt, U16(60000)),
         "the address of item 0 is declared as 60000 bytes but the file ends before them"},
        {patched(kValueTableAt + 2, U32(100)),
         "the value table declares 100 entries but the file ends before them"},
    };
    for (const auto& [bytes, reason] : cases) {
        SetupData out = sentinel();
        const SetupFileResult res = DecodeSetupData(bytes, out);
        EXPECT_FALSE(res) << reason;
        EXPECT_EQ(res.error, reason);
        EXPECT_EQ(out, sentinel()) << reason;
    }
}

TEST(SavingFiles, DiskFullMidWriteLeavesTheOldFileAndNoLeftovers) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    WriteAll(path, "the old file");
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
    EXPECT_EQ(ReadAll(path), "the old file");
    EXPECT_EQ(filesIn(dir), "line3.sdt");
}

TEST(SavingFiles, TextsTooLongForTheFileAreRefusedBeforeWriting) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    SetupData d = defaultRecord();
    d.Address[4] = std::string(70000, 'W');
    EXPECT_EQ(WriteSetupFile(path, d).error, "the address of item 4 is longer than 65535 bytes");
    EXPECT_FALSE(std::filesystem::exists(path));
}
