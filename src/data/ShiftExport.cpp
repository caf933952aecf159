#include "data/ShiftExport.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "data/FileCommands.h"
#include "platform/Logging.h"

namespace voran {

namespace {

constexpr const char* kCrLf = "\r\n";

// The caption lines that come before item i in the text export.
std::vector<std::string> CaptionBlock(int item) {
    switch (item) {
        case 38:
            return {" ", "Current Shift Data:", "(Total Good Cans, Total Jams)"};
        case 40:
            return {" ", "Current Shift Jams per Station:"};
        case 52:
            return {" ", "Last Shift Data:", "(Total Good Cans, Total Jams)"};
        case 54:
            return {" ", "Last Shift Jams per Station:"};
        default:
            return {};
    }
}

std::string TitleOrUntitled(const std::string& title) {
    return title.empty() ? "untitled" : title;
}

std::string CsvRow(const std::string& item, const std::string& caption, const std::string& value) {
    return CsvField(item) + "," + CsvField(caption) + "," + CsvField(value) + kCrLf;
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string ShiftExportText(const SetupData& data, const std::string& title,
                            const std::string& dateText) {
    std::string out = TitleOrUntitled(title) + kCrLf;
    out += "Date: " + dateText + kCrLf;
    for (int i = 38; i <= LastItemIndex; ++i) {
        for (const std::string& line : CaptionBlock(i)) out += line + kCrLf;
        out += std::to_string(data.Value[i]) + kCrLf;
    }
    return out;
}

std::string ShiftItemCaption(int item) {
    auto station = [](int k) {
        if (k == 11) return std::string("Flanger");
        return std::string(k < 9 ? "Station #0" : "Station #") + std::to_string(k + 1);
    };
    if (item == 38) return "Current Shift: Total Good Cans";
    if (item == 39) return "Current Shift: Total Jams";
    if (item >= 40 && item <= 51) return "Current Shift Jams: " + station(item - 40);
    if (item == 52) return "Last Shift: Total Good Cans";
    if (item == 53) return "Last Shift: Total Jams";
    if (item >= 54 && item <= 65) return "Last Shift Jams: " + station(item - 54);
    if (item >= 66 && item <= 77) return "Jams/Station: " + station(item - 66);
    return {};
}

std::string ShiftExportCsv(const SetupData& data, const std::string& title,
                           const std::string& dateText) {
    std::string out = CsvRow("Item", "Caption", "Value");
    out += CsvRow("", "File", TitleOrUntitled(title));
    out += CsvRow("", "Date", dateText);
    for (int i = 38; i <= LastItemIndex; ++i)
        out += CsvRow(std::to_string(i), ShiftItemCaption(i), std::to_string(data.Value[i]));
    return out;
}

bool IsCsvPath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".csv";
}

FileWriteResult WriteShiftExport(const std::string& path, const SetupData& data,
                                 const std::string& title, const std::string& dateText) {
    const std::string bytes = IsCsvPath(path) ? ShiftExportCsv(data, title, dateText)
                                              : ShiftExportText(data, title, dateText);
    return ReplaceFileContents(path, bytes);
}

ShiftExport::ShiftExport(const SetupTables& tables, const FileCommands& files, IFileDialog& dialogs,
                         IMessageBox& messages)
    : tables_(tables), files_(files), dialogs_(dialogs), messages_(messages) {}

bool ShiftExport::mnuFileExport_Click() {
    FileDialogRequest request;
    request.filters = ParseFilterList("Text Files(*.txt)|*.txt|CSV Files (*.csv)|*.csv|");
    request.filterIndex = 1;
    request.hideReadOnly = true;
    request.overwritePrompt = true;
    request.initialName = gFileExportPath;
    const FileDialogResult chosen = ChooseSaveFile(dialogs_, request);
    if (chosen.cancelled) return false;
    if (processEvents) processEvents();
    gFileExportPath = chosen.path;

    const FileWriteResult written = WriteShiftExport(chosen.path, tables_.CurrentData,
                                                     files_.gFileNameTitle, files_.gUploadNOW);
    if (!written) {
        messages_.show("The shift data could not be exported:\r\n" + written.error +
                           "\r\n\r\nAn earlier file of that name has been left as it was.",
                       "Export Shift Data", MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    qCInfo(lcData) << "shift data exported to" << chosen.path.c_str();
    if (processEvents) processEvents();
    return true;
}

}  // namespace voran
