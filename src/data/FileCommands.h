#pragma once

#include <functional>
#include <string>

#include "data/SetupData.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

namespace voran {

// The File menu's set-up file commands (New, Open, Save, Save As) and the
// file state the main window shows in its title. One instance lives in the
// main window for the whole run; it works on the window's SetupTables.
//
// Wiring in the main window:
//   FileCommands files(tables, messages, dialogs, clock, ProgramFolder());
//   files.onCaptionChanged = [this](const std::string& c) { setWindowTitle(...c); };
//   files.processEvents = [] { QCoreApplication::processEvents(); };
//   files.commitPendingEntry = [this] { return commitActiveEntry(); };
//   start-up: tables.BuildDefaults(...); files.New();
//   mnuFileNew (Ctrl+N) -> files.New(); mnuFileOpen (Ctrl+O) -> files.Open();
//   mnuFileSave (Ctrl+S) -> files.Save(); mnuFileSaveAs -> files.SaveAs();
//   Exit / close:  if (!files.CheckSaveChanges()) keep running;
//
// Every command returns true when it did what it was asked and false when it
// stopped (operator cancelled, file refused, save failed); a refused file or a
// failed save has already been reported in a message box by then.
class FileCommands {
public:
    // The main window's design caption; the title is this followed by
    // gFileNameCaption.
    static constexpr const char* kBaseCaption = "VORAN - ";

    // `programFolder` gives the starting point of the first Open dialog.
    FileCommands(SetupTables& tables, IMessageBox& messages, IFileDialog& dialogs, IClock& clock,
                 const std::string& programFolder);

    // --- File state (readable by every window) ---------------------------
    // Full path of the current file; at start the program folder + "/*.sdt".
    std::string gFileNamePath;
    // Bare name of the current file; empty until a file is opened or saved.
    std::string gFileNameTitle;
    // "[" + gFileNameTitle + "]", or "[unnamed]"; also the report name.
    std::string gFileNameCaption = "[unnamed]";
    // Date of the data as text (general date form): set by Open, and by
    // Upload Data / Print while online through StampUpload().
    std::string gUploadNOW;

    // The main window's title: "VORAN - " + gFileNameCaption.
    std::string caption() const;

    // Called with caption() whenever the title must be redrawn.
    std::function<void(const std::string& caption)> onCaptionChanged;
    // "Let pending events run" between steps of a command (the window sets
    // it to QCoreApplication::processEvents; tests leave it empty).
    std::function<void()> processEvents;
    // Checks and stores the entry the operator is typing in the open window,
    // as leaving its box would; false when the entry was refused (the window
    // has said why). The frame sets it; every command that reads or replaces
    // the working data calls commitEntry() first and stops on false.
    std::function<bool()> commitPendingEntry;
    bool commitEntry() { return !commitPendingEntry || commitPendingEntry(); }

    // --- Commands of the File menu ---------------------------------------
    // Asks about unsaved changes, then replaces the data by the defaults and
    // marks them unnamed. False when the operator cancelled or a "Yes, save
    // first" did not save.
    bool New();
    // Asks about unsaved changes, lets the operator choose an ".sdt" file,
    // reads it (warning when another program version wrote it) and makes it
    // current. False when nothing was taken; a refused file leaves the data
    // and the file state exactly as they were.
    bool Open();
    // Open without the dialog, for a file named on the command line or
    // chosen from the recent files: the same question, checks and messages.
    bool OpenFile(const std::string& path);
    // Writes CurrentData (tagged with this program's version and stamped
    // now) to the current file, or asks for a name first when unnamed.
    // False when nothing was written; the data then still count as unsaved.
    bool Save();
    // Asks for a new file name (overwrite prompt) and saves under it.
    bool SaveAs();

    // --- Procedures used by the commands and the main window -------------
    // "Save Changes to File?" when there are unsaved changes. True when the
    // caller may go on: nothing changed, No, or Yes and the save succeeded;
    // false on Cancel or when a "Yes, save first" did not save. Used by New,
    // Open and the shutdown.
    bool CheckSaveChanges();
    // Makes tables.FileData current: padded or cut to 78 items, copied to
    // CurrentData and SavedData, named, gUploadNOW from its stamp, caption.
    void AcceptFileData();
    // Upload Data and Print while online: gUploadNOW and CurrentData.Stamp
    // from one reading of the local date and time.
    void StampUpload();

private:
    bool readChosen(const std::string& path, const std::string& name);
    bool writeCurrent(const std::string& path, const std::string& title);
    void captionChanged();
    void letEventsRun();

    SetupTables& tables_;
    IMessageBox& messages_;
    IFileDialog& dialogs_;
    IClock& clock_;
};

}  // namespace voran
