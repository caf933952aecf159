#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <filesystem>

#include "FakeFileDialog.h"
#include "FakeMessageBox.h"
#include "FileBytes.h"
#include "data/FileCommands.h"
#include "data/SetupFile.h"

using namespace voran;
using namespace voran::testing;
using namespace filebytes;

namespace {

const std::vector<FileFilter> kSetupFilters{{"Setup Files(*.sdt)", "*.sdt"}};

// The main window's file side as it stands after start-up: defaults built,
// File > New run, title "VORAN - [unnamed]".
class FileMenu : public ::testing::Test {
protected:
    FileMenu() : files(tables, boxes, dialogs, clock, dir.path().toStdString()) {
        tables.BuildDefaults(clock.localDateTime());
        files.onCaptionChanged = [this](const std::string& c) { titles.push_back(c); };
        files.New();
        tables.TablesReplaced = false;
    }

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    // A file holding the defaults with `version`, item 0 = 555 and channel 2
    // ON = 33, stamped 2 Nov 2025 17:04:05.
    std::string fileFrom(const std::string& name, const std::string& version) {
        SetupData d = tables.DefaultData;
        d.Version = version;
        d.Value[0] = 555;
        d.Setpoint[2][0] = 33;
        d.Stamp = ToOleDate(DateTime{2025, 11, 2, 17, 4, 5, 0});
        EXPECT_TRUE(WriteSetupFile(path(name), d));
        return path(name);
    }

    void openNamed(const std::string& name) {
        dialogs.choose(fileFrom(name, ProgramVersion()));
        ASSERT_TRUE(files.Open());
        boxes.shown.clear();
        dialogs.shown.clear();
    }

    void expectBox(std::size_t i, const std::string& text, const char* title, MsgButtons buttons,
                   MsgIcon icon) {
        ASSERT_LT(i, boxes.shown.size());
        EXPECT_EQ(boxes.shown[i].text, text);
        EXPECT_EQ(boxes.shown[i].title, title);
        EXPECT_EQ(boxes.shown[i].buttons, buttons);
        EXPECT_EQ(boxes.shown[i].icon, icon);
    }

    QTemporaryDir dir;
    SetupTables tables;
    FakeMessageBox boxes;
    FakeFileDialog dialogs;
    ManualClock clock;
    FileCommands files;
    std::vector<std::string> titles;
};

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

}  // namespace

TEST_F(FileMenu, StartsUnnamedWithTheProgramFolderPattern) {
    EXPECT_EQ(titles, std::vector<std::string>{"VORAN - [unnamed]"});
    EXPECT_EQ(files.gFileNamePath, dir.path().toStdString() + "/*.sdt");
    EXPECT_EQ(files.gFileNameTitle, "");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileMenu, SaveOfUnnamedDataAsksForANameAndWritesTheFile) {
    clock.setLocalDateTime({2026, 4, 1, 15, 30, 0, 0});
    dialogs.choose(path("line3.sdt"));
    ASSERT_TRUE(files.Save());

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const FileDialogRequest& req = dialogs.shown[0].request;
    EXPECT_EQ(dialogs.shown[0].kind, FakeFileDialog::Kind::Save);
    EXPECT_EQ(req.filters, kSetupFilters);
    EXPECT_EQ(req.filterIndex, 1);
    EXPECT_EQ(req.initialName, "");
    EXPECT_TRUE(req.overwritePrompt);
    EXPECT_TRUE(req.hideReadOnly);

    EXPECT_EQ(titles.back(), "VORAN - [line3.sdt]");
    EXPECT_EQ(files.gFileNamePath, path("line3.sdt"));
    EXPECT_EQ(files.gFileNameTitle, "line3.sdt");
    EXPECT_FALSE(tables.FileUnnamed);
    EXPECT_FALSE(tables.HasUnsavedChanges());
    SetupData onDisk;
    ASSERT_TRUE(ReadSetupFile(path("line3.sdt"), onDisk));
    EXPECT_EQ(onDisk.Version, "VORAN_R2.0.3");
    EXPECT_EQ(FromOleDate(onDisk.Stamp), (DateTime{2026, 4, 1, 15, 30, 0, 0}));
    EXPECT_EQ(onDisk, tables.CurrentData);

    // Saving again without changes writes the same bytes but the stamp, and
    // asks for no name.
    const std::string first = ReadAll(path("line3.sdt"));
    clock.setLocalDateTime({2026, 4, 2, 8, 0, 0, 0});
    ASSERT_TRUE(files.Save());
    EXPECT_EQ(dialogs.shown.size(), 1u);
    const std::string second = ReadAll(path("line3.sdt"));
    EXPECT_NE(first.substr(kStampAt, 8), second.substr(kStampAt, 8));
    EXPECT_EQ(ToHex(first.substr(0, kStampAt) + first.substr(kStampAt + 8)),
              ToHex(second.substr(0, kStampAt) + second.substr(kStampAt + 8)));
}

TEST_F(FileMenu, OpenOfAFileOfThisVersionTakesItWithoutQuestions) {
    dialogs.choose(fileFrom("line3.sdt", "VORAN_R2.0.3"));
    ASSERT_TRUE(files.Open());

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const FileDialogRequest& req = dialogs.shown[0].request;
    EXPECT_EQ(dialogs.shown[0].kind, FakeFileDialog::Kind::Open);
    EXPECT_EQ(req.initialName, dir.path().toStdString() + "/*.sdt");
    EXPECT_TRUE(req.fileMustExist);
    EXPECT_TRUE(req.hideReadOnly);
    EXPECT_EQ(req.filters, kSetupFilters);
    EXPECT_EQ(req.filterIndex, 1);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(tables.CurrentData.Value[0], 555);
    EXPECT_EQ(tables.CurrentData.Setpoint[2][0], 33);
    EXPECT_FALSE(tables.HasUnsavedChanges());
    EXPECT_TRUE(tables.TablesReplaced);
    EXPECT_FALSE(tables.FileUnnamed);
    EXPECT_EQ(files.gFileNamePath, path("line3.sdt"));
    EXPECT_EQ(files.gFileNameTitle, "line3.sdt");
    EXPECT_EQ(titles.back(), "VORAN - [line3.sdt]");
    EXPECT_EQ(files.gUploadNOW, "11/2/2025 5:04:05 PM");

    // Nothing changed since: the next Open asks no question and its dialog
    // starts at this file.
    dialogs.cancel();
    EXPECT_FALSE(files.Open());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialogs.shown.at(1).request.initialName, path("line3.sdt"));
}

TEST_F(FileMenu, FileOfAnotherVersionAsksBeforeItIsTaken) {
    const struct {
        const char* version;
        MsgResult answer;
        bool taken;
    } cases[] = {
        {"VORAN_R1.7.2", MsgResult::Yes, true},
        {"VORAN_R1.7.2", MsgResult::No, false},
        {"VORAN_R1.7.2", MsgResult::Cancel, false},
        {"voran_r2.0.3", MsgResult::Yes, true},  // letter case alone counts
        {"", MsgResult::No, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + (c.taken ? " taken" : " declined"));
        tables.BuildDefaults(clock.localDateTime());
        ASSERT_TRUE(files.New());
        tables.TablesReplaced = false;
        boxes.shown.clear();
        dialogs.choose(fileFrom("old.sdt", c.version));
        Snapshot expected = Snapshot::of(tables, files);
        expected.replaced = true;
        boxes.answers = {c.answer};

        EXPECT_EQ(files.Open(), c.taken);

        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(
            0,
            "File created by set-up program version: " + std::string(c.version) +
                "\r\nData tables may not be properly aligned.\r\n\r\nDo you wish to continue?",
            "VORAN", MsgButtons::YesNoCancel, MsgIcon::Information);
        EXPECT_TRUE(tables.TablesReplaced);
        if (c.taken) {
            EXPECT_EQ(tables.CurrentData.Value[0], 555);
            EXPECT_EQ(tables.CurrentData.Version, c.version);
            EXPECT_EQ(files.caption(), "VORAN - [old.sdt]");
            // Data of another version always count as changed until saved
            // with this program's tag.
            EXPECT_TRUE(tables.HasUnsavedChanges());
            ASSERT_TRUE(files.Save());
            EXPECT_FALSE(tables.HasUnsavedChanges());
            SetupData onDisk;
            ASSERT_TRUE(ReadSetupFile(path("old.sdt"), onDisk));
            EXPECT_EQ(onDisk.Version, "VORAN_R2.0.3");
            EXPECT_EQ(onDisk.Value[0], 555);
        } else {
            EXPECT_EQ(Snapshot::of(tables, files), expected);
        }
    }
}

TEST_F(FileMenu, ShortTablesArePaddedAndLongTablesCutTo78Items) {
    const struct {
        std::uint32_t addresses, values;
    } cases[] = {{60, 60}, {90, 90}, {78, 60}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.addresses) + "/" + std::to_string(c.values));
        boxes.answers = {MsgResult::No};  // the last file's data count as changed
        ASSERT_TRUE(files.New());
        WriteAll(path("sized.sdt"), Record("VORAN_R1.0.0", c.addresses, c.values));
        dialogs.choose(path("sized.sdt"));
        boxes.answers = {MsgResult::Yes};
        ASSERT_TRUE(files.Open());
        ASSERT_EQ(tables.CurrentData.Address.size(), 78u);
        ASSERT_EQ(tables.CurrentData.Value.size(), 78u);
        for (std::uint32_t i = 0; i < 78; ++i) {
            EXPECT_EQ(tables.CurrentData.Address[i],
                      i < c.addresses ? "W" + std::to_string(i) : std::string());
            EXPECT_EQ(tables.CurrentData.Value[i], i < c.values ? static_cast<std::int32_t>(i) : 0);
        }
        EXPECT_EQ(tables.CurrentData.Setpoint[7][1], 23);  // the record's last field
        EXPECT_EQ(tables.SavedData, tables.CurrentData);
    }
}

TEST_F(FileMenu, RefusedFileNamesTheFileAndLeavesEverythingAsItWas) {
    openNamed("good.sdt");
    tables.CurrentData.Value[12] = 9;  // an edit not yet saved
    tables.TablesReplaced = false;
    const Snapshot before = Snapshot::of(tables, files);
    const std::size_t titleCount = titles.size();
    std::string lowestOne;
    ASSERT_TRUE(EncodeSetupData(tables.DefaultData, lowestOne));
    lowestOne.replace(kValueTableAt + 6, 4, U32(1));
    WriteAll(path("lowest.sdt"), lowestOne);
    boxes.answers = {MsgResult::No};  // "Save Changes to File?"
    dialogs.choose(path("lowest.sdt"));

    EXPECT_FALSE(files.Open());

    ASSERT_EQ(boxes.shown.size(), 2u);
    expectBox(1,
              "The file " + path("lowest.sdt") +
                  " cannot be opened as a set-up file:\r\nthe value table starts at index 1 "
                  "instead of 0.\r\n\r\nThe data in memory have not been changed.",
              "Open Set-up File", MsgButtons::Ok, MsgIcon::Critical);
    EXPECT_EQ(Snapshot::of(tables, files), before);
    EXPECT_EQ(titles.size(), titleCount);
    EXPECT_TRUE(tables.HasUnsavedChanges());
}

TEST_F(FileMenu, UnsavedChangesAreOfferedForSavingBeforeNew) {
    const struct {
        MsgResult answer;
        bool goesOn;
    } cases[] = {{MsgResult::Cancel, false}, {MsgResult::No, true}, {MsgResult::Yes, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        CopySetupData(tables.CurrentData, tables.SavedData);  // undo the last case's edit
        openNamed("line3.sdt");
        tables.CurrentData.Value[1] = 41;
        tables.TablesReplaced = false;
        boxes.answers = {c.answer};

        EXPECT_EQ(files.New(), c.goesOn);

        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(0, "Save Changes to File?", "VORAN", MsgButtons::YesNoCancel,
                  MsgIcon::Exclamation);
        SetupData onDisk;
        ASSERT_TRUE(ReadSetupFile(path("line3.sdt"), onDisk));
        EXPECT_EQ(onDisk.Value[1], c.answer == MsgResult::Yes ? 41 : 40);
        EXPECT_EQ(tables.TablesReplaced, c.goesOn);
        if (c.goesOn) {
            EXPECT_EQ(tables.CurrentData, tables.DefaultData);
            EXPECT_EQ(files.caption(), "VORAN - [unnamed]");
            EXPECT_EQ(files.gFileNamePath, path("line3.sdt"));  // next Open starts there
            EXPECT_TRUE(tables.FileUnnamed);
        } else {
            EXPECT_EQ(tables.CurrentData.Value[1], 41);
            EXPECT_EQ(files.caption(), "VORAN - [line3.sdt]");
        }
    }
}

TEST_F(FileMenu, CancelledNameDialogChangesNothingAndStopsNewAndOpen) {
    tables.CurrentData.Value[5] = 1;  // unnamed data, changed
    const Snapshot before = Snapshot::of(tables, files);

    dialogs.cancel();
    EXPECT_FALSE(files.SaveAs());
    EXPECT_EQ(Snapshot::of(tables, files), before);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path().toStdString()));

    boxes.answers = {MsgResult::Yes};
    dialogs.cancel();
    EXPECT_FALSE(files.New());
    EXPECT_EQ(Snapshot::of(tables, files), before);

    boxes.answers = {MsgResult::Yes};
    dialogs.cancel();
    dialogs.choose(fileFrom("other.sdt", ProgramVersion()));
    EXPECT_FALSE(files.Open());
    EXPECT_EQ(Snapshot::of(tables, files), before);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2].kind, FakeFileDialog::Kind::Save) << "no Open dialog after it";
}

TEST_F(FileMenu, YesWhoseSaveFailsStopsNewOpenAndExit) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    dialogs.choose(path("sub/line3.sdt"));
    ASSERT_TRUE(files.SaveAs());
    tables.CurrentData.Value[5] = 1;
    ASSERT_TRUE(QDir(dir.filePath("sub")).removeRecursively());  // folder gone
    const Snapshot before = Snapshot::of(tables, files);

    boxes.answers = {MsgResult::Yes};
    EXPECT_FALSE(files.New());
    boxes.answers = {MsgResult::Yes};
    EXPECT_FALSE(files.Open());
    boxes.answers = {MsgResult::Yes};
    EXPECT_FALSE(files.CheckSaveChanges());

    EXPECT_EQ(Snapshot::of(tables, files), before);
    EXPECT_EQ(dialogs.shown.size(), 1u) << "only the first Save As";
    ASSERT_EQ(boxes.shown.size(), 6u);  // each question, then its failed save
    EXPECT_EQ(boxes.shown[5].title, "Save Set-up File");
}

TEST_F(FileMenu, FailedSaveNamesFileAndReasonAndKeepsTheOldFileNameAndUnsavedState) {
    const struct {
        const char* what;
        const char* target;  // the name Save As is given; empty: plain Save
        const char* reason;
    } cases[] = {
        {"name taken by a folder", "", "Is a directory"},
        {"Save As into a missing folder", "missing/other.sdt", "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.answers = {MsgResult::No};
        openNamed("line3.sdt");
        tables.CurrentData.Value[2] = 61;
        const Snapshot before = Snapshot::of(tables, files);
        const std::string failing = *c.target ? path(c.target) : path("line3.sdt");
        if (*c.target) {
            dialogs.choose(failing);
            EXPECT_FALSE(files.SaveAs());
        } else {
            std::filesystem::remove(failing);
            ASSERT_TRUE(QDir(dir.path()).mkdir("line3.sdt"));
            EXPECT_FALSE(files.Save());
        }

        ASSERT_EQ(boxes.shown.size(), 1u);
        expectBox(0,
                  "The set-up file " + failing + " could not be saved:\r\n" + c.reason +
                      ".\r\n\r\nThe data have not been saved.",
                  "Save Set-up File", MsgButtons::Ok, MsgIcon::Critical);
        EXPECT_EQ(Snapshot::of(tables, files), before);
        EXPECT_TRUE(tables.HasUnsavedChanges());
        QDir(dir.filePath("line3.sdt")).removeRecursively();
    }
}

TEST_F(FileMenu, UploadStampIsOneReadingOfTheClock) {
    clock.setLocalDateTime({2026, 5, 6, 7, 8, 9, 750});
    files.StampUpload();
    EXPECT_EQ(files.gUploadNOW, "5/6/2026 7:08:09 AM");
    // The stamp keeps the very reading, milliseconds and all, rather than
    // what its text says.
    EXPECT_EQ(FromOleDate(tables.CurrentData.Stamp), (DateTime{2026, 5, 6, 7, 8, 9, 750}));
}
