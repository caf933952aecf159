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
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join('|').toStdString();
}

std::string patched(std::size_t at, const std::string& with) {
    return GoldenDefault().replace(at, with.size(), with);
}

}  // namespace

TEST(SetupFileLayout, DefaultDataGiveTheGoldenBytesAndReadBack) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    WriteAll(path, std::string(5000, 'x'));  // a longer old file is replaced whole
    ASSERT_TRUE(WriteSetupFile(path, defaultRecord()));
    EXPECT_EQ(ReadAll(path).size(), 931u + ProgramVersion().size());
    EXPECT_EQ(ReadAll(path), GoldenDefault());
    EXPECT_EQ(filesIn(dir), "line3.sdt");
    SetupData read;  // anything after the record is ignored
    ASSERT_TRUE(DecodeSetupData(GoldenDefault() + "junk", read));
    EXPECT_EQ(read, defaultRecord());
}

TEST(SetupFileLayout, RoundTripIsByteExactAndKeepsNonAsciiBytes) {
    SetupData d = defaultRecord();
    std::tie(d.Version, d.Address[0], d.Address[77], d.Value[38], d.Value[39]) = std::make_tuple(
        "VORAN_R1.9\xE9\x80", "W1\xFF", "", -123456789, std::numeric_limits<std::int32_t>::max());
    std::tie(d.ResolverOffset, d.SpeedComp[7], d.Setpoint[4], d.Stamp) =
        std::make_tuple(-90, -32768, std::array<std::int16_t, 2>{32767, -1}, -1.25);
    std::string first, second;
    SetupData read;
    ASSERT_TRUE(EncodeSetupData(d, first) && DecodeSetupData(first, read));
    EXPECT_EQ(read, d);
    ASSERT_TRUE(EncodeSetupData(read, second));
    EXPECT_EQ(first, second);
}

TEST(RefusedFiles, CutShortOrAbsurdFilesAreRefusedWithTheReasonAndLeaveTheRecordAlone) {
    const std::string golden = GoldenDefault();
    for (std::size_t len = 0; len < golden.size(); ++len) {
        SetupData out = sentinel();
        const SetupFileResult res = DecodeSetupData(std::string_view(golden).substr(0, len), out);
        EXPECT_TRUE(!res && !res.error.empty() && out == sentinel()) << len;
    }
    const std::pair<std::string, const char*> cases[] = {
        // clang-format off
        {"Hello, this is not a set-up file\r\n", "the version text is declared as 25928 bytes but the file ends before them"},
        {patched(kStampAt, U32(0) + U32(0x7FF80000)), "the date stamp is not a date"},
        {patched(kAddressTableAt, U16(2)), "the address table has 2 dimensions instead of 1"},
        {patched(kAddressTableAt + 6, U32(0xFFFFFFFF)), "the address table starts at index -1 instead of 0"},
        {patched(kAddressTableAt + 2, U32(0xFFFFFFFF)), "the address table declares 4294967295 entries, more than a set-up file holds"},
        {patched(kAddressTableAt + 2, U32(500)), "the address table declares 500 entries but the file ends before them"},
        {patched(kFirstAddressAt, U16(60000)), "the address of item 0 is declared as 60000 bytes but the file ends before them"},
        {patched(kValueTableAt + 2, U32(100)), "the value table declares 100 entries but the file ends before them"},
        // clang-format on
    };
    for (const auto& [bytes, reason] : cases) {
        SetupData out = sentinel();
        EXPECT_EQ(DecodeSetupData(bytes, out).error, reason);
        EXPECT_EQ(out, sentinel()) << reason;
    }
}

TEST(SavingFiles, DiskFullOrATextTooLongLeavesTheOldFileAndNoLeftovers) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("line3.sdt").toStdString();
    WriteAll(path, "the old file");
    SetupData tooLong = defaultRecord();
    tooLong.Address[4] = std::string(70000, 'W');
    EXPECT_EQ(WriteSetupFile(path, tooLong).error,
              "the address of item 4 is longer than 65535 bytes");
    // Let the process write no more than 100 bytes per file: the record
    // cannot be completed, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small{100, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SetupFileResult res = WriteSetupFile(path, defaultRecord());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(res.error, "File too large");
    EXPECT_EQ(ReadAll(path), "the old file");
    EXPECT_EQ(filesIn(dir), "line3.sdt");
}
