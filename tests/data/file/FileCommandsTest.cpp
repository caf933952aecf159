#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <tuple>

#include "FakeFileDialog.h"
#include "FakeMessageBox.h"
#include "FileBytes.h"
#include "data/FileCommands.h"
#include "data/SetupFile.h"

using namespace voran;
using namespace voran::testing;
using namespace filebytes;

namespace {

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

}  // namespace

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
