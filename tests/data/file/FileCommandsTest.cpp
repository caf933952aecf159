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

const char* const kSaveQuestion = "Save Changes to File?";

std::string versionWarning(const std::string& version) {
    return "File created by set-up program version: " + version +
           "\r\nData tables may not be properly aligned.\r\n\r\nDo you wish to continue?";
}

// The main window's file side as it stands after start-up: defaults built,
// File > New run, title "VORAN - [unnamed]".
class FileMenu : public ::testing::Test {
protected:
    FileMenu() : files(tables, boxes, dialogs, clock, folder()) {
        tables.BuildDefaults(clock.localDateTime());
        files.onCaptionChanged = [this](const std::string& c) { titles.push_back(c); };
        files.New();
        tables.TablesReplaced = false;
    }

    std::string folder() const { return dir.path().toStdString(); }
    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    // A file holding a copy of the defaults with `version`, item 0 = 555 and
    // channel 2 ON = 33.
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

    QTemporaryDir dir;
    SetupTables tables;
    FakeMessageBox boxes;
    FakeFileDialog dialogs;
    ManualClock clock;
    FileCommands files;
    std::vector<std::string> titles;
};

struct Snapshot {
    SetupData current, saved, file;
    std::string path, title, caption, uploadNow, windowTitle;
    bool unnamed;

    static Snapshot of(const SetupTables& t, const FileCommands& f) {
        return {t.CurrentData,      t.SavedData,  t.FileData,  f.gFileNamePath, f.gFileNameTitle,
                f.gFileNameCaption, f.gUploadNOW, f.caption(), t.FileUnnamed};
    }
    bool operator==(const Snapshot&) const = default;
};

}  // namespace

TEST_F(FileMenu, StartsUnnamedWithTheProgramFolderPattern) {
    EXPECT_EQ(files.caption(), "VORAN - [unnamed]");
    EXPECT_EQ(titles, std::vector<std::string>{"VORAN - [unnamed]"});
    EXPECT_EQ(files.gFileNamePath, folder() + "/*.sdt");
    EXPECT_EQ(files.gFileNameTitle, "");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileMenu, SaveOfUnnamedDataAsksForANameAndWritesTheFile) {
    clock.setLocalDateTime({2026, 4, 1, 15, 30, 0, 0});
    dialogs.choose(path("line3.sdt"));
    ASSERT_TRUE(files.Save());

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& shown = dialogs.shown[0];
    EXPECT_EQ(shown.kind, FakeFileDialog::Kind::Save);
    EXPECT_EQ(shown.request.filters, (std::vector<FileFilter>{{"Setup Files(*.sdt)", "*.sdt"}}));
    EXPECT_EQ(shown.request.filterIndex, 1);
    EXPECT_EQ(shown.request.initialName, "");
    EXPECT_TRUE(shown.request.overwritePrompt);
    EXPECT_TRUE(shown.request.hideReadOnly);

    EXPECT_EQ(files.caption(), "VORAN - [line3.sdt]");
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
}

TEST_F(FileMenu, SavingTwiceWithoutChangesDiffersOnlyInTheStamp) {
    dialogs.choose(path("line3.sdt"));
    ASSERT_TRUE(files.SaveAs());
    const std::string first = ReadAll(path("line3.sdt"));
    clock.setLocalDateTime({2026, 4, 2, 8, 0, 0, 0});
    ASSERT_TRUE(files.Save());
    EXPECT_EQ(dialogs.shown.size(), 1u) << "a named file is saved without a dialog";
    const std::string second = ReadAll(path("line3.sdt"));
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (i >= kStampAt && i < kStampAt + 8) continue;
        EXPECT_EQ(first[i], second[i]) << i;
    }
    EXPECT_NE(first.substr(kStampAt, 8), second.substr(kStampAt, 8));
}

TEST_F(FileMenu, SaveAsCancelledChangesNothing) {
    tables.CurrentData.Value[3] = 1;
    const Snapshot before = Snapshot::of(tables, files);
    dialogs.cancel();
    EXPECT_FALSE(files.SaveAs());
    EXPECT_EQ(Snapshot::of(tables, files), before);
    EXPECT_TRUE(std::filesystem::is_empty(folder()));
}

TEST_F(FileMenu, OpenOfAFileOfThisVersionTakesItWithoutQuestions) {
    dialogs.choose(fileFrom("line3.sdt", "VORAN_R2.0.3"));
    ASSERT_TRUE(files.Open());

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const auto& req = dialogs.shown[0].request;
    EXPECT_EQ(dialogs.shown[0].kind, FakeFileDialog::Kind::Open);
    EXPECT_EQ(req.initialName, folder() + "/*.sdt");
    EXPECT_TRUE(req.fileMustExist);
    EXPECT_TRUE(req.hideReadOnly);
    EXPECT_EQ(req.filters, (std::vector<FileFilter>{{"Setup Files(*.sdt)", "*.sdt"}}));
    EXPECT_EQ(req.filterIndex, 1);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(tables.CurrentData.Value[0], 555);
    EXPECT_EQ(tables.CurrentData.Setpoint[2][0], 33);
    EXPECT_EQ(tables.SavedData, tables.CurrentData);
    EXPECT_FALSE(tables.HasUnsavedChanges());
    EXPECT_TRUE(tables.TablesReplaced);
    EXPECT_FALSE(tables.FileUnnamed);
    EXPECT_EQ(files.gFileNamePath, path("line3.sdt"));
    EXPECT_EQ(files.gFileNameTitle, "line3.sdt");
    EXPECT_EQ(files.caption(), "VORAN - [line3.sdt]");
    EXPECT_EQ(titles.back(), "VORAN - [line3.sdt]");
    EXPECT_EQ(files.gUploadNOW, "11/2/2025 5:04:05 PM");
}

TEST_F(FileMenu, NextOpenDialogStartsAtTheLastFile) {
    openNamed("line3.sdt");
    dialogs.cancel();
    EXPECT_FALSE(files.Open());
    EXPECT_EQ(dialogs.shown.at(0).request.initialName, path("line3.sdt"));
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
        const std::string file = fileFrom("old.sdt", c.version);
        const Snapshot before = Snapshot::of(tables, files);

        dialogs.choose(file);
        boxes.answers = {c.answer};
        EXPECT_EQ(files.Open(), c.taken);

        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, versionWarning(c.version));
        EXPECT_EQ(boxes.shown[0].title, "VORAN");
        EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Information);
        EXPECT_TRUE(tables.TablesReplaced);
        if (c.taken) {
            EXPECT_EQ(tables.CurrentData.Value[0], 555);
            EXPECT_EQ(tables.CurrentData.Version, c.version);
            EXPECT_EQ(files.caption(), "VORAN - [old.sdt]");
            // Data of another version always count as changed.
            EXPECT_TRUE(tables.HasUnsavedChanges());
        } else {
            EXPECT_EQ(tables.CurrentData, before.current);
            EXPECT_EQ(tables.SavedData, before.saved);
            EXPECT_EQ(files.gFileNamePath, before.path);
            EXPECT_EQ(files.gFileNameTitle, before.title);
            EXPECT_EQ(files.caption(), "VORAN - [unnamed]");
            EXPECT_TRUE(tables.FileUnnamed);
        }
    }
}

TEST_F(FileMenu, AcceptedOldFileIsSavedWithThisVersionTag) {
    dialogs.choose(fileFrom("old.sdt", "VORAN_R1.7.2"));
    boxes.answers = {MsgResult::Yes};
    ASSERT_TRUE(files.Open());
    ASSERT_TRUE(files.Save());
    SetupData onDisk;
    ASSERT_TRUE(ReadSetupFile(path("old.sdt"), onDisk));
    EXPECT_EQ(onDisk.Version, "VORAN_R2.0.3");
    EXPECT_EQ(onDisk.Value[0], 555);
    EXPECT_FALSE(tables.HasUnsavedChanges());
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
        EXPECT_EQ(tables.SavedData, tables.CurrentData);
    }
}

TEST_F(FileMenu, RefusedFileNamesTheFileAndLeavesEverythingAsItWas) {
    openNamed("good.sdt");
    tables.CurrentData.Value[12] = 9;  // an edit not yet saved
    tables.TablesReplaced = false;
    boxes.answers = {MsgResult::No};  // "Save Changes to File?" for each attempt

    std::string golden;
    ASSERT_TRUE(EncodeSetupData(tables.DefaultData, golden));
    std::string twoDims = golden, lowestOne = golden, hugeCount = golden;
    PatchU16(twoDims, kAddressTableAt, 2);
    PatchU32(lowestOne, kValueTableAt + 6, 1);
    PatchU32(hugeCount, kAddressTableAt + 2, 0x7FFFFFFF);
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"empty.sdt", "", "the file is empty"},
        {"short.sdt", golden.substr(0, 900), "the file ends before the set-up record is complete"},
        {"notes.sdt", "Line 3 notes\r\n",
         "the version text is declared as 26956 bytes but the file ends before them"},
        {"twodims.sdt", twoDims, "the address table has 2 dimensions instead of 1"},
        {"lowest.sdt", lowestOne, "the value table starts at index 1 instead of 0"},
        {"huge.sdt", hugeCount,
         "the address table declares 2147483647 entries, more than a set-up file holds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(path(c.name), c.bytes);
        const Snapshot before = Snapshot::of(tables, files);
        const std::size_t titleCount = titles.size();
        boxes.shown.clear();
        boxes.answers = {MsgResult::No};
        dialogs.choose(path(c.name));

        EXPECT_FALSE(files.Open());

        ASSERT_EQ(boxes.shown.size(), 2u);
        EXPECT_EQ(boxes.shown[1].text, "The file " + path(c.name) +
                                           " cannot be opened as a set-up file:\r\n" + c.reason +
                                           ".\r\n\r\nThe data in memory have not been changed.");
        EXPECT_EQ(boxes.shown[1].title, "Open Set-up File");
        EXPECT_EQ(boxes.shown[1].buttons, MsgButtons::Ok);
        EXPECT_EQ(boxes.shown[1].icon, MsgIcon::Critical);
        EXPECT_TRUE(Snapshot::of(tables, files) == before);
        EXPECT_EQ(titles.size(), titleCount);
        EXPECT_FALSE(tables.TablesReplaced);
        EXPECT_TRUE(tables.HasUnsavedChanges());
    }
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
        EXPECT_EQ(boxes.shown[0].text, kSaveQuestion);
        EXPECT_EQ(boxes.shown[0].title, "VORAN");
        EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Exclamation);
        SetupData onDisk;
        ASSERT_TRUE(ReadSetupFile(path("line3.sdt"), onDisk));
        EXPECT_EQ(onDisk.Value[1], c.answer == MsgResult::Yes ? 41 : 40);
        if (c.goesOn) {
            EXPECT_EQ(tables.CurrentData, tables.DefaultData);
            EXPECT_EQ(files.caption(), "VORAN - [unnamed]");
            EXPECT_EQ(files.gFileNamePath, path("line3.sdt"));
            EXPECT_TRUE(tables.FileUnnamed);
            EXPECT_TRUE(tables.TablesReplaced);
        } else {
            EXPECT_EQ(tables.CurrentData.Value[1], 41);
            EXPECT_EQ(files.caption(), "VORAN - [line3.sdt]");
            EXPECT_FALSE(tables.TablesReplaced);
        }
    }
}

TEST_F(FileMenu, NothingChangedMeansNoQuestion) {
    openNamed("line3.sdt");
    EXPECT_EQ(files.AskSaveChanges(), FileCommands::SaveAnswer::NothingChanged);
    EXPECT_TRUE(files.CheckSaveChanges());
    EXPECT_TRUE(files.New());
    dialogs.cancel();
    files.Open();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileMenu, YesWhoseSaveAsIsCancelledStopsNewAndOpen) {
    tables.CurrentData.Value[5] = 1;  // unnamed data, changed
    const Snapshot before = Snapshot::of(tables, files);

    boxes.answers = {MsgResult::Yes};
    dialogs.cancel();
    EXPECT_FALSE(files.New());
    EXPECT_EQ(Snapshot::of(tables, files), before);
    EXPECT_FALSE(tables.TablesReplaced);

    boxes.answers = {MsgResult::Yes};
    dialogs.cancel();
    dialogs.choose(fileFrom("other.sdt", ProgramVersion()));
    EXPECT_FALSE(files.Open());
    EXPECT_EQ(Snapshot::of(tables, files), before);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, FakeFileDialog::Kind::Save) << "no Open dialog after it";
    EXPECT_EQ(dialogs.answers.size(), 1u);
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
    EXPECT_TRUE(dialogs.shown.size() == 1u) << "only the first Save As";
    ASSERT_EQ(boxes.shown.size(), 6u);
    EXPECT_EQ(boxes.shown[1].title, "Save Set-up File");
}

TEST_F(FileMenu, ExitQuestionTellsWhetherTheProgramMayEnd) {
    const struct {
        MsgResult answer;
        bool chooseName;
        bool mayEnd;
        bool written;
    } cases[] = {
        {MsgResult::Cancel, false, false, false},
        {MsgResult::No, false, true, false},
        {MsgResult::Yes, false, false, false},  // Save As cancelled
        {MsgResult::Yes, true, true, true},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path("exit.sdt"));
        tables.FileUnnamed = true;
        tables.CurrentData.Value[7] += 1;
        boxes.answers = {c.answer};
        if (c.chooseName) dialogs.choose(path("exit.sdt"));
        EXPECT_EQ(files.CheckSaveChanges(), c.mayEnd);
        EXPECT_EQ(std::filesystem::exists(path("exit.sdt")), c.written);
        CopySetupData(tables.SavedData, tables.CurrentData);
    }
}

TEST_F(FileMenu, FailedSaveNamesFileAndReasonAndKeepsDataUnsaved) {
    openNamed("line3.sdt");
    const std::string old = ReadAll(path("line3.sdt"));
    tables.CurrentData.Value[2] = 61;
    const Snapshot before = Snapshot::of(tables, files);

    // The file's name is now taken by a folder: nothing can be written there.
    std::filesystem::remove(path("line3.sdt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("line3.sdt"));
    EXPECT_FALSE(files.Save());

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The set-up file " + path("line3.sdt") +
                                       " could not be saved:\r\nIs a directory.\r\n\r\n"
                                       "The data have not been saved.");
    EXPECT_EQ(boxes.shown[0].title, "Save Set-up File");
    EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(Snapshot::of(tables, files) == before);
    EXPECT_TRUE(tables.HasUnsavedChanges());
    EXPECT_EQ(files.AskSaveChanges(), FileCommands::SaveAnswer::Cancel);
}

TEST_F(FileMenu, FailedSaveAsKeepsTheOldNameAndFile) {
    openNamed("line3.sdt");
    const std::string old = ReadAll(path("line3.sdt"));
    tables.CurrentData.Value[2] = 61;
    const Snapshot before = Snapshot::of(tables, files);

    dialogs.choose(path("missing/other.sdt"));
    EXPECT_FALSE(files.SaveAs());

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "The set-up file " + path("missing/other.sdt") +
                                       " could not be saved:\r\nNo such file or directory.\r\n\r\n"
                                       "The data have not been saved.");
    EXPECT_TRUE(Snapshot::of(tables, files) == before);
    EXPECT_TRUE(ReadAll(path("line3.sdt")) == old);
    EXPECT_FALSE(tables.FileUnnamed);
}

TEST_F(FileMenu, UploadStampIsOneReadingOfTheClock) {
    clock.setLocalDateTime({2026, 5, 6, 7, 8, 9, 750});
    files.StampUpload();
    EXPECT_EQ(files.gUploadNOW, "5/6/2026 7:08:09 AM");
    // The stamp keeps the very reading, milliseconds and all, rather than
    // what its text says.
    EXPECT_EQ(FromOleDate(tables.CurrentData.Stamp), (DateTime{2026, 5, 6, 7, 8, 9, 750}));
}
