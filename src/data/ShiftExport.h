#pragma once

#include <functional>
#include <string>

#include "data/SetupData.h"
#include "platform/FileDialog.h"
#include "platform/FileReplace.h"
#include "platform/MessageBox.h"

namespace voran {

class FileCommands;

// The shift data (items 38 to 77) as a plain text file of 52 lines, each
// ended by CR LF: the title ("untitled" for unnamed data), "Date: " + the
// data date, then the forty values under ten caption lines.
std::string ShiftExportText(const SetupData& data, const std::string& title,
                            const std::string& dateText);

// The same data for spreadsheets: a header row "Item,Caption,Value", a
// "File" and a "Date" row without item number, then one row per item 38 to
// 77. Fields holding a comma or a quote are quoted; rows end in CR LF.
std::string ShiftExportCsv(const SetupData& data, const std::string& title,
                           const std::string& dateText);

// What item i (38 to 77) counts, for the CSV rows ("Current Shift Jams:
// Station #03").
std::string ShiftItemCaption(int item);

// A field of a CSV row: quoted, its quotes doubled, when it holds a comma,
// a quote or a line break.
std::string CsvField(const std::string& text);

// A path ending in ".csv" (any case) is written as CSV, any other as text.
bool IsCsvPath(const std::string& path);

// Writes the export in the format its name asks for. The file is replaced
// whole or not at all.
FileWriteResult WriteShiftExport(const std::string& path, const SetupData& data,
                                 const std::string& title, const std::string& dateText);

// File > Export Shift Data...: asks for a file and writes CurrentData's
// shift data into it.
class ShiftExport {
public:
    ShiftExport(const SetupTables& tables, const FileCommands& files, IFileDialog& dialogs,
                IMessageBox& messages);

    // The last path chosen (empty the first time); the dialog starts there.
    std::string gFileExportPath;
    // "Let pending events run" (the window sets it; tests leave it empty).
    std::function<void()> processEvents;

    // True when the file was written. A cancelled dialog writes nothing and
    // keeps the last path; a failed write says why in a box and leaves an
    // earlier file as it was.
    bool mnuFileExport_Click();

private:
    const SetupTables& tables_;
    const FileCommands& files_;
    IFileDialog& dialogs_;
    IMessageBox& messages_;
};

}  // namespace voran
