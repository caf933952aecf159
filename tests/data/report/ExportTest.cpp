// File > Export Shift Data in the frame window: the 52-line text file byte
// for byte, the CSV rows, the dialog and what a cancel or a failed write
// leaves behind.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "data/ui/ReportCommands.h"

namespace voran::testing {
namespace {

std::optional<std::string> readFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll().toStdString();
}

std::string crlfLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

struct ExportHarness : ShellHarness {
    std::string path(const std::string& name) const {
        return folder.path().toStdString() + "/" + name;
    }
    ShiftExport& exporter() { return window->reports().exporter(); }
    SetupData& data() { return window->tables().CurrentData; }
};

TEST(ExportShiftData, TextFileHasFiftyTwoLinesWithCaptionsAndCrLf) {
    ExportHarness h;
    h.clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
    h.window->files().StampUpload();
    for (int i = 38; i <= 77; ++i) h.data().Value[i] = 10 * i;
    h.data().Value[38] = 1234567;  // no digit grouping
    h.data().Value[53] = -4;
    h.dialogs.choose(h.path("shift.txt"));
    h.window->action(MenuCommand::FileExport)->trigger();

    std::vector<std::string> want{"untitled",
                                  "Date: 5/1/2026 2:05:09 PM",
                                  " ",
                                  "Current Shift Data:",
                                  "(Total Good Cans, Total Jams)",
                                  "1234567",
                                  "390",
                                  " ",
                                  "Current Shift Jams per Station:"};
    for (int i = 40; i <= 51; ++i) want.push_back(std::to_string(10 * i));
    for (const char* l : {" ", "Last Shift Data:", "(Total Good Cans, Total Jams)", "520", "-4",
                          " ", "Last Shift Jams per Station:"})
        want.push_back(l);
    for (int i = 54; i <= 77; ++i) want.push_back(std::to_string(10 * i));
    ASSERT_EQ(want.size(), 52u);
    EXPECT_EQ(readFile(h.path("shift.txt")), crlfLines(want));
    EXPECT_TRUE(h.messages.shown.empty());

    // Once the data have a file, its name heads the export.
    h.dialogs.choose(h.path("line3.sdt"));
    ASSERT_TRUE(h.window->files().SaveAs());
    h.dialogs.choose(h.path("shift.txt"));
    h.window->mnuFileExport_Click();
    want[0] = "line3.sdt";
    EXPECT_EQ(readFile(h.path("shift.txt")), crlfLines(want));
}

TEST(ExportShiftData, DialogOffersTextAndCsvAndCancelWritesNothingAndKeepsThePath) {
    ExportHarness h;
    h.dialogs.choose(h.path("a.txt"));
    h.dialogs.cancel();
    h.window->mnuFileExport_Click();
    h.window->mnuFileExport_Click();
    ASSERT_EQ(h.dialogs.shown.size(), 2u);
    const FileDialogRequest& first = h.dialogs.shown[0].request;
    EXPECT_EQ(h.dialogs.shown[0].kind, FakeFileDialog::Kind::Save);
    EXPECT_EQ(first.filters, (std::vector<FileFilter>{{"Text Files(*.txt)", "*.txt"},
                                                      {"CSV Files (*.csv)", "*.csv"}}));
    EXPECT_EQ(first.filterIndex, 1);
    EXPECT_TRUE(first.overwritePrompt && first.hideReadOnly);
    EXPECT_EQ(first.initialName, "");
    EXPECT_EQ(h.dialogs.shown[1].request.initialName, h.path("a.txt"))
        << "starts at the last export";
    EXPECT_EQ(h.exporter().gFileExportPath, h.path("a.txt")) << "a cancel keeps the last path";

    // A cancel as the very first export writes nothing anywhere.
    ExportHarness fresh;
    fresh.dialogs.cancel();
    EXPECT_FALSE(fresh.exporter().mnuFileExport_Click());
    EXPECT_EQ(fresh.exporter().gFileExportPath, "");
    EXPECT_TRUE(QDir(fresh.folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(ExportShiftData, CsvHasOneRowPerValueWithItsCaption) {
    ExportHarness h;
    for (int i = 38; i <= 77; ++i) h.data().Value[i] = i - 30;
    h.window->files().gFileNameTitle = "line,3.sdt";
    h.window->files().gUploadNOW = "5/1/2026 2:05:09 PM";
    h.dialogs.choose(h.path("shift.CSV"));
    ASSERT_TRUE(h.exporter().mnuFileExport_Click());
    const std::optional<std::string> csv = readFile(h.path("shift.CSV"));
    ASSERT_TRUE(csv);
    std::vector<std::string> rows;
    for (size_t at = 0, end; (end = csv->find("\r\n", at)) != std::string::npos; at = end + 2)
        rows.push_back(csv->substr(at, end - at));
    ASSERT_EQ(rows.size(), 3u + 40u);
    EXPECT_EQ(csv->back(), '\n');
    const std::vector<std::pair<int, std::string>> sample{
        {0, "Item,Caption,Value"},
        {1, ",File,\"line,3.sdt\""},
        {2, ",Date,5/1/2026 2:05:09 PM"},
        {3, "38,Current Shift: Total Good Cans,8"},
        {4, "39,Current Shift: Total Jams,9"},
        {5, "40,Current Shift Jams: Station #01,10"},
        {16, "51,Current Shift Jams: Flanger,21"},
        {17, "52,Last Shift: Total Good Cans,22"},
        {28, "63,Last Shift Jams: Station #10,33"},
        {31, "66,Jams/Station: Station #01,36"},
        {42, "77,Jams/Station: Flanger,47"}};
    for (const auto& [row, text] : sample) EXPECT_EQ(rows[row], text) << row;
}

TEST(ExportShiftData, AFailedWriteSaysWhyAndLeavesNoFile) {
    ExportHarness h;
    const std::string missing = h.path("gone/shift.txt");
    h.dialogs.choose(missing);
    EXPECT_FALSE(h.exporter().mnuFileExport_Click());
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].title, "Export Shift Data");
    EXPECT_EQ(h.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_NE(h.messages.shown[0].text.find(missing), std::string::npos)
        << h.messages.shown[0].text;
    EXPECT_FALSE(readFile(missing));
}

}  // namespace
}  // namespace voran::testing
