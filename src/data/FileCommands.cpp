#include "data/FileCommands.h"

#include "data/SetupFile.h"
#include "platform/Logging.h"

namespace voran {

namespace {

const char* const kTitle = "VORAN";
const char* const kUnnamedCaption = "[unnamed]";
// Titles of the boxes shown for a refused file and a failed save.
const char* const kOpenErrorTitle = "Open Set-up File";
const char* const kSaveErrorTitle = "Save Set-up File";

FileDialogRequest setupFileRequest() {
    FileDialogRequest request;
    request.filters = ParseFilterList("Setup Files(*.sdt)|*.sdt|");
    request.filterIndex = 1;
    request.hideReadOnly = true;
    return request;
}

}  // namespace

FileCommands::FileCommands(SetupTables& tables, IMessageBox& messages, IFileDialog& dialogs,
                           IClock& clock, const std::string& programFolder)
    : gFileNamePath(programFolder + "/*.sdt"),
      tables_(tables),
      messages_(messages),
      dialogs_(dialogs),
      clock_(clock) {}

std::string FileCommands::caption() const {
    return kBaseCaption + gFileNameCaption;
}

void FileCommands::captionChanged() {
    if (onCaptionChanged) onCaptionChanged(caption());
}

void FileCommands::letEventsRun() {
    if (processEvents) processEvents();
}

bool FileCommands::CheckSaveChanges() {
    // A value typed but not yet stored is a change like any other.
    if (!commitEntry()) return false;
    if (!tables_.HasUnsavedChanges()) return true;
    switch (messages_.show("Save Changes to File?", kTitle, MsgButtons::YesNoCancel,
                           MsgIcon::Exclamation)) {
        case MsgResult::Yes:
            // The operator wants the data kept: if the save does not happen
            // (name dialog cancelled, write failed), the data must not be
            // replaced or dropped.
            return Save();
        case MsgResult::No:
            return true;
        default:
            return false;
    }
}

bool FileCommands::New() {
    if (!CheckSaveChanges()) return false;
    CopySetupData(tables_.CurrentData, tables_.DefaultData);
    CopySetupData(tables_.SavedData, tables_.CurrentData);
    tables_.FileUnnamed = true;
    tables_.TablesReplaced = true;
    // The path stays: it is the next Open dialog's starting point.
    gFileNameCaption = kUnnamedCaption;
    captionChanged();
    return true;
}

bool FileCommands::Open() {
    if (!CheckSaveChanges()) return false;
    letEventsRun();

    FileDialogRequest request = setupFileRequest();
    request.initialName = gFileNamePath;
    request.fileMustExist = true;
    const FileDialogResult chosen = dialogs_.openFile(request);
    if (chosen.cancelled) return false;
    letEventsRun();
    return readChosen(chosen.path, chosen.name);
}

bool FileCommands::OpenFile(const std::string& path) {
    if (!CheckSaveChanges()) return false;
    letEventsRun();
    const std::size_t slash = path.find_last_of("/\\");
    return readChosen(path, slash == std::string::npos ? path : path.substr(slash + 1));
}

bool FileCommands::readChosen(const std::string& path, const std::string& name) {
    // Read into a scratch record: a file that is refused leaves FileData,
    // the working data and the file state as they were.
    SetupData read;
    if (const SetupFileResult res = ReadSetupFile(path, read); !res) {
        qCWarning(lcData) << "refused" << path.c_str() << ":" << res.error.c_str();
        messages_.show("The file " + path + " cannot be opened as a set-up file:\r\n" + res.error +
                           ".\r\n\r\nThe data in memory have not been changed.",
                       kOpenErrorTitle, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    tables_.FileData = std::move(read);

    bool take = tables_.FileData.Version == ProgramVersion();
    if (!take) {
        const MsgResult answer =
            messages_.show("File created by set-up program version: " + tables_.FileData.Version +
                               "\r\nData tables may not be properly aligned.\r\n\r\n"
                               "Do you wish to continue?",
                           kTitle, MsgButtons::YesNoCancel, MsgIcon::Information);
        take = answer == MsgResult::Yes;
    }
    if (take) {
        gFileNamePath = path;
        gFileNameTitle = name;
        AcceptFileData();
    }
    tables_.TablesReplaced = true;
    return take;
}

void FileCommands::AcceptFileData() {
    SetupData& f = tables_.FileData;
    f.Address.resize(ItemCount);
    f.Value.resize(ItemCount, 0);
    CopySetupData(tables_.CurrentData, f);
    CopySetupData(tables_.SavedData, tables_.CurrentData);
    tables_.FileUnnamed = false;
    gUploadNOW = GeneralDate(FromOleDate(tables_.CurrentData.Stamp));
    gFileNameCaption = "[" + gFileNameTitle + "]";
    captionChanged();
}

bool FileCommands::Save() {
    if (!commitEntry()) return false;
    if (tables_.FileUnnamed) return SaveAs();
    return writeCurrent(gFileNamePath, gFileNameTitle);
}

bool FileCommands::SaveAs() {
    if (!commitEntry()) return false;
    FileDialogRequest request = setupFileRequest();
    request.overwritePrompt = true;
    const FileDialogResult chosen = dialogs_.saveFile(request);
    if (chosen.cancelled) return false;
    letEventsRun();
    return writeCurrent(chosen.path, chosen.name);
}

// Writes CurrentData, tagged and stamped, to `path`. Only a record that is
// on the disk changes anything: the tag, the stamp, the file name and the
// saved copy are taken over after the write succeeded, so a failed save
// leaves the data counted as unsaved and the old file and name in place.
bool FileCommands::writeCurrent(const std::string& path, const std::string& title) {
    SetupData record;
    CopySetupData(record, tables_.CurrentData);
    record.Version = ProgramVersion();
    record.Stamp = ToOleDate(clock_.localDateTime());

    if (const SetupFileResult res = WriteSetupFile(path, record); !res) {
        messages_.show("The set-up file " + path + " could not be saved:\r\n" + res.error +
                           ".\r\n\r\nThe data have not been saved.",
                       kSaveErrorTitle, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }

    tables_.CurrentData.Version = record.Version;
    tables_.CurrentData.Stamp = record.Stamp;
    tables_.FileUnnamed = false;
    gFileNamePath = path;
    gFileNameTitle = title;
    gFileNameCaption = "[" + gFileNameTitle + "]";
    captionChanged();
    CopySetupData(tables_.SavedData, tables_.CurrentData);
    letEventsRun();
    return true;
}

void FileCommands::StampUpload() {
    const DateTime now = clock_.localDateTime();
    gUploadNOW = GeneralDate(now);
    tables_.CurrentData.Stamp = StampOf(now);
}

}  // namespace voran
