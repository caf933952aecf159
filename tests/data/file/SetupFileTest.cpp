// Set-up files byte for byte (the golden file of the default data, round
// trips, damaged files, a full disk), and what the File menu's commands on
// them leave behind.
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <tuple>

#include "FakeFileDialog.h"
#include "FakeMessageBox.h"
#include "data/FileCommands.h"
#include "data/SetupData.h"
#include "data/SetupFile.h"

namespace voran::testing {
namespace {

// Helpers that assemble and inspect set-up file bytes by hand.
std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) {
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

// Little-endian pieces.
std::string U16(std::uint16_t v) {
    return {char(v & 0xFF), char(v >> 8)};
}
std::string U32(std::uint32_t v) {
    return U16(v & 0xFFFF) + U16(v >> 16);
}

// Offsets in a file of the standard table with a 12-byte version text.
constexpr std::size_t kStampAt = 14;
constexpr std::size_t kAddressTableAt = 22;  // dims, count, lowest
constexpr std::size_t kFirstAddressAt = 32;
constexpr std::size_t kValueTableAt = 565;

// The set-up file of the default data, tagged VORAN_R2.0.3 and stamped
// 14 Mar 2026 09:26:53 (943 bytes), kept as hex text beside this file.
std::string GoldenDefault() {
    const std::string hex = ReadAll(VORAN_SOURCE_DIR "/tests/data/file/golden-default.hex");
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += hex[i] == '\n' ? 1 : 2)
        if (hex[i] != '\n') out.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

SetupTables startedTables() {
    SetupTables t;
    t.BuildDefaults(DateTime{2026, 3, 14, 9, 26, 53, 0});
    return t;
}

SetupData defaultRecord() {
    return startedTables().DefaultData;
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

TEST(SetupFileLayout, DefaultDataGiveTheGoldenBytesAndEveryRecordRoundTripsByteExact) {
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

    // Any record comes back byte for byte, non-ASCII bytes and extremes too.
    SetupData d = defaultRecord();
    std::tie(d.Version, d.Address[0], d.Address[77], d.Value[38], d.Value[39]) = std::make_tuple(
        "VORAN_R1.9\xE9\x80", "W1\xFF", "", -123456789, std::numeric_limits<std::int32_t>::max());
    std::tie(d.ResolverOffset, d.SpeedComp[7], d.Setpoint[4], d.Stamp) =
        std::make_tuple(-90, -32768, std::array<std::int16_t, 2>{32767, -1}, -1.25);
    std::string first, second;
    SetupData back;
    ASSERT_TRUE(EncodeSetupData(d, first) && DecodeSetupData(first, back));
    EXPECT_EQ(back, d);
    ASSERT_TRUE(EncodeSetupData(back, second));
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

TEST(UnsavedChanges, StartUpDataAreTheDefaultsUnnamedAndSavedAndOnlySomeFieldsCount) {
    // The defaults themselves are pinned by the golden set-up file above.
    const SetupTables started = startedTables();
    EXPECT_EQ(started.CurrentData, started.DefaultData);
    EXPECT_TRUE(started.FileUnnamed);
    EXPECT_FALSE(started.HasUnsavedChanges());
    const std::tuple<const char*, void (*)(SetupTables&), bool> cases[] = {
        // clang-format off
        {"first value", [](SetupTables& t) { t.CurrentData.Value[0] = 21; }, true},
        {"ON setpoint", [](SetupTables& t) { t.CurrentData.Setpoint[0][0] = 181; }, true},
        {"OFF setpoint", [](SetupTables& t) { t.CurrentData.Setpoint[7][1] = 10; }, true},
        {"version case", [](SetupTables& t) { t.CurrentData.Version = "voran_r2.0.3"; }, true},
        {"saved as the same other version",
         [](SetupTables& t) { t.CurrentData.Version = t.SavedData.Version = "VORAN_R1.4.0"; }, true},
        {"speed compensation", [](SetupTables& t) { t.CurrentData.SpeedComp[3] = 12; }, false},
        {"scale factor", [](SetupTables& t) { t.CurrentData.ScaleFactor = 720; }, false},
        {"resolver offset", [](SetupTables& t) { t.CurrentData.ResolverOffset = 45; }, false},
        {"stamp", [](SetupTables& t) { t.CurrentData.Stamp += 1.0; }, false},
        {"an address", [](SetupTables& t) { t.CurrentData.Address[3] = "W9999"; }, false},
        // clang-format on
    };
    for (const auto& [what, change, counts] : cases) {
        SetupTables t = startedTables();
        change(t);
        EXPECT_EQ(t.HasUnsavedChanges(), counts) << what;
    }
}

using Boxes = std::vector<FakeMessageBox::Shown>;

// Everything a refused or cancelled command must leave as it was.
struct Snapshot {
    SetupData current, saved;
    std::string path, title, caption, uploadNow, windowTitle;
    bool unnamed, replaced;

    static Snapshot of(const SetupTables& t, const FileCommands& f) {
        return {t.CurrentData, t.SavedData, f.gFileNamePath, f.gFileNameTitle, f.gFileNameCaption,
                f.gUploadNOW,  f.caption(), t.FileUnnamed,   t.TablesReplaced};
    }
    bool operator==(const Snapshot&) const = default;
};

// A file dialog's kind, filters, initial name and must-exist, overwrite and
// hide-read-only options.
auto asked(const FakeFileDialog::Shown& s) {
    const FileDialogRequest& r = s.request;
    const bool setupFilter = r.filters == std::vector<FileFilter>{{"Setup Files(*.sdt)", "*.sdt"}};
    return std::tuple(s.kind, setupFilter && r.filterIndex == 1, r.initialName, r.fileMustExist,
                      r.overwritePrompt, r.hideReadOnly);
}

// The main window's file side as it stands after start-up: defaults built,
// File > New run, title "VORAN - [unnamed]".
class FileMenu : public ::testing::Test {
protected:
    FileMenu() : files(tables, boxes, dialogs, clock, dir.path().toStdString()) {
        tables.BuildDefaults(clock.localDateTime());
        files.onCaptionChanged = [this](const std::string& c) { title = c; };
        files.New();
        tables.TablesReplaced = false;
    }

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // Writes `d` under `name` and queues it as the operator's next choice.
    std::string offer(const std::string& name, const SetupData& d) {
        EXPECT_TRUE(WriteSetupFile(path(name), d));
        dialogs.choose(path(name));
        return path(name);
    }
    // The same for the defaults with item 0 = 555, tagged `version`.
    std::string offerFile(const std::string& name, const std::string& version) {
        SetupData d = tables.DefaultData;
        std::tie(d.Value[0], d.Version) = std::tuple(555, version);
        return offer(name, d);
    }

    QTemporaryDir dir;
    SetupTables tables;
    FakeMessageBox boxes;
    FakeFileDialog dialogs;
    ManualClock clock;
    FileCommands files;
    std::string title;
};

const Boxes kSaveQuestion{
    {"Save Changes to File?", "VORAN", MsgButtons::YesNoCancel, MsgIcon::Exclamation}};

TEST_F(FileMenu, DataSavedUnderANameComeBackWhenTheFileIsOpened) {
    using K = FakeFileDialog::Kind;
    EXPECT_EQ(title, "VORAN - [unnamed]");
    EXPECT_FALSE(files.Open());  // the first Open starts in the program folder
    clock.setLocalDateTime({2026, 4, 1, 15, 30, 0, 0});
    tables.CurrentData.Value[0] = 555;
    dialogs.choose(path("line3.sdt"));
    ASSERT_TRUE(files.Save());
    ASSERT_TRUE(files.Save());  // now named: no second dialog
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(asked(dialogs.shown[0]), std::tuple(K::Open, true, path("*.sdt"), true, false, true));
    EXPECT_EQ(asked(dialogs.shown[1]), std::tuple(K::Save, true, "", false, true, true));
    EXPECT_EQ(title, "VORAN - [line3.sdt]");
    EXPECT_FALSE(tables.FileUnnamed || tables.HasUnsavedChanges());
    SetupData onDisk;
    ASSERT_TRUE(ReadSetupFile(path("line3.sdt"), onDisk));
    EXPECT_EQ(onDisk.Version, "VORAN_R2.0.3");
    EXPECT_EQ(onDisk, tables.CurrentData);

    ASSERT_TRUE(files.New());
    EXPECT_EQ(tables.CurrentData.Value[0], 20);
    EXPECT_EQ(title, "VORAN - [unnamed]");
    dialogs.choose(path("line3.sdt"));
    ASSERT_TRUE(files.Open());
    EXPECT_EQ(dialogs.shown.at(2).request.initialName, path("line3.sdt"));  // the last file
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(tables.CurrentData, onDisk);
    EXPECT_FALSE(tables.HasUnsavedChanges() || tables.FileUnnamed || !tables.TablesReplaced);
    EXPECT_EQ(std::tie(files.gFileNamePath, title, files.gUploadNOW),
              std::tuple(path("line3.sdt"), "VORAN - [line3.sdt]", "4/1/2026 3:30:00 PM"));
}

TEST_F(FileMenu, FileOfAnotherVersionAsksBeforeItIsTaken) {
    for (const MsgResult answer : {MsgResult::Yes, MsgResult::No, MsgResult::Cancel}) {
        const bool taken = answer == MsgResult::Yes;
        SCOPED_TRACE(taken);
        ASSERT_TRUE(files.New());
        tables.TablesReplaced = false;
        boxes.shown.clear();
        offerFile("old.sdt", "VORAN_R1.7.2");
        Snapshot expected = Snapshot::of(tables, files);
        expected.replaced = true;
        boxes.answers = {answer};

        EXPECT_EQ(files.Open(), taken);

        EXPECT_EQ(boxes.shown, (Boxes{{"File created by set-up program version: VORAN_R1.7.2\r\n"
                                       "Data tables may not be properly aligned.\r\n\r\n"
                                       "Do you wish to continue?",
                                       "VORAN", MsgButtons::YesNoCancel, MsgIcon::Information}}));
        if (taken) {
            EXPECT_EQ(std::tie(tables.CurrentData.Version, title),
                      std::tuple("VORAN_R1.7.2", "VORAN - [old.sdt]"));
            boxes.answers = {MsgResult::No};  // another version counts as changed
        } else {
            EXPECT_EQ(Snapshot::of(tables, files), expected);
        }
    }
}

TEST_F(FileMenu, ShortTablesArePaddedAndLongTablesCutTo78Items) {
    for (const std::size_t entries : {60, 90}) {
        SetupData d = tables.DefaultData;
        d.Address.resize(entries, "W9");
        d.Value.resize(entries, 9);
        d.Setpoint[7][1] = 23;
        offer("sized.sdt", d);
        ASSERT_TRUE(files.Open());
        d.Address.resize(78, "");
        d.Value.resize(78, 0);
        EXPECT_EQ(tables.CurrentData, d) << entries;  // the setpoint is the record's last field
        EXPECT_EQ(tables.SavedData, d) << entries;
    }
}

TEST_F(FileMenu, RefusedFileNamesTheFileAndLeavesEverythingAsItWas) {
    offerFile("good.sdt", ProgramVersion());
    ASSERT_TRUE(files.Open());
    tables.CurrentData.Value[12] = 9;  // an edit not yet saved
    tables.TablesReplaced = false;
    const Snapshot before = Snapshot::of(tables, files);
    const std::string bad = offerFile("lowest.sdt", ProgramVersion());
    WriteAll(bad, ReadAll(bad).replace(kValueTableAt + 6, 4, U32(1)));
    boxes.answers = {MsgResult::No};  // "Save Changes to File?"

    EXPECT_FALSE(files.Open());

    EXPECT_EQ(boxes.shown,
              (Boxes{kSaveQuestion[0],
                     {"The file " + bad +
                          " cannot be opened as a set-up file:\r\nthe value table starts at index "
                          "1 instead of 0.\r\n\r\nThe data in memory have not been changed.",
                      "Open Set-up File", MsgButtons::Ok, MsgIcon::Critical}}));
    EXPECT_EQ(Snapshot::of(tables, files), before);
    EXPECT_EQ(title, before.windowTitle);
}

TEST_F(FileMenu, ASaveThatDoesNotHappenChangesNothingAndStopsNewAndOpen) {
    // Unnamed data: the operator cancels the name dialog. Named data: the
    // folder of the file has gone.
    const std::string removed = path("sub/line3.sdt");
    const Boxes failed{{"The set-up file " + removed +
                            " could not be saved:\r\nNo such file or directory.\r\n\r\n"
                            "The data have not been saved.",
                        "Save Set-up File", MsgButtons::Ok, MsgIcon::Critical}};
    const std::tuple<const char*, bool (FileCommands::*)(), bool, Boxes> cases[] = {
        {"New", &FileCommands::New, false, kSaveQuestion},
        {"Open", &FileCommands::Open, false, kSaveQuestion},
        {"New", &FileCommands::New, true, {kSaveQuestion[0], failed[0]}},
        {"Open", &FileCommands::Open, true, {kSaveQuestion[0], failed[0]}},
        {"Save", &FileCommands::Save, true, failed},
    };
    for (const auto& [what, command, named, expected] : cases) {
        SCOPED_TRACE(std::string(what) + (named ? " named" : " unnamed"));
        dialogs.answers.clear();
        if (named) {
            ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
            dialogs.choose(removed);
            ASSERT_TRUE(files.SaveAs());
            ASSERT_TRUE(QDir(dir.filePath("sub")).removeRecursively());
        }
        tables.CurrentData.Value[5] += 1;
        const Snapshot before = Snapshot::of(tables, files);
        boxes.shown.clear();
        dialogs.shown.clear();
        if (!named) dialogs.cancel();              // the Save As dialog's answer
        offerFile("other.sdt", ProgramVersion());  // what Open must not reach
        boxes.answers = {MsgResult::Yes};

        EXPECT_FALSE((files.*command)());

        EXPECT_EQ(Snapshot::of(tables, files), before);
        ASSERT_EQ(dialogs.shown.size(), named ? 0u : 1u) << "no Open dialog after it";
        EXPECT_TRUE(named || dialogs.shown[0].kind == FakeFileDialog::Kind::Save);
        EXPECT_EQ(boxes.shown, expected);
    }
}

TEST_F(FileMenu, UploadStampIsOneReadingOfTheClock) {
    clock.setLocalDateTime({2026, 5, 6, 7, 8, 9, 750});
    files.StampUpload();
    EXPECT_EQ(files.gUploadNOW, "5/6/2026 7:08:09 AM");
    // The stamp is the whole second its text shows.
    EXPECT_EQ(FromOleDate(tables.CurrentData.Stamp), (DateTime{2026, 5, 6, 7, 8, 9, 0}));
}

}  // namespace
}  // namespace voran::testing
