// Print Report, Print Preview and Export Shift Data in the frame, voran-cli
// report and export (the PDF read back with pdftotext and pdfinfo), and the
// report as drawn on the recording printer, line by line and page by page.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "../../timing/pls/PlsFixture.h"
#include "ProgramRun.h"
#include "RecordingPrinter.h"
#include "ShellHarness.h"
#include "data/Report.h"
#include "data/SetupData.h"
#include "data/SetupFile.h"
#include "data/ui/ReportCommands.h"
#include "data/ui/frmWaitDisplay.h"
#include "link/PlsCodes.h"

namespace voran::testing {
namespace {

struct ReportHarness : ShellHarness {
    FakePrintSetup setup;
    ReportHarness() { window->reports().setPrintSetup(&setup); }
    // The rows of the report holding `text` ("Station #01:" gives the text
    // printed after it on the same line).
    std::string valueAfter(const std::string& label, int page = 1) const {
        const auto& t = setup.printer.texts;
        for (size_t i = 0; i + 1 < t.size(); ++i)
            if (t[i].text == label && t[i].page == page && t[i + 1].y == t[i].y)
                return t[i + 1].text;
        return "(none)";
    }
    std::string path(const std::string& name) const {
        return folder.path().toStdString() + "/" + name;
    }
    ShiftExport& exporter() { return window->reports().exporter(); }
    SetupData& data() { return window->tables().CurrentData; }
};

frmWaitDisplay* shownWaitWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<frmWaitDisplay*>(w); f && f->isVisible()) return f;
    return nullptr;
}

TEST(PrintReport, OfflineTheDialogDecidesTheWaitWindowStandsWhileDrawingAndAFailureIsTold) {
    ReportHarness h;
    // Cancelled: nothing drawn, nothing sent, nothing said.
    h.setup.answers = {false};
    h.window->action(MenuCommand::FilePrint)->trigger();
    EXPECT_EQ(h.setup.dialogs, 1);
    EXPECT_TRUE(h.setup.printer.texts.empty());
    EXPECT_EQ(h.setup.printer.endCount, 0);
    EXPECT_TRUE(h.port.sent().empty());
    EXPECT_TRUE(h.messages.shown.empty());

    // Accepted: the report of the data in memory, under the wait window.
    std::vector<std::string> waitTexts;
    h.setup.printer.onText = [&](const RecordingPrinter::Text&) {
        const frmWaitDisplay* w = shownWaitWindow();
        waitTexts.push_back(w ? w->lblWaitDisplay()->text().toStdString() : "(no window)");
    };
    h.window->tables().CurrentData.Value[0] = 77;
    h.setup.answers = {true};
    EXPECT_TRUE(h.window->reports().mnuFilePrint_Click());
    EXPECT_EQ(h.setup.dialogs, 2);
    ASSERT_FALSE(waitTexts.empty());
    EXPECT_EQ(std::set(waitTexts.begin(), waitTexts.end()),
              std::set<std::string>{"Generating Report, Please Standby ..."});
    EXPECT_EQ(shownWaitWindow(), nullptr) << "the wait window is gone afterwards";
    EXPECT_EQ(h.setup.printer.texts.front().text, "QTR-VORAN Report: [unnamed]");
    EXPECT_EQ(h.valueAfter("Station #01:"), "77");
    EXPECT_EQ(h.setup.printer.endCount, 1);
    EXPECT_TRUE(h.port.sent().empty()) << "offline: no upload";
    EXPECT_TRUE(h.messages.shown.empty());

    // A printer that fails says so.
    h.setup.printer.failEnd = true;
    h.setup.answers = {true};
    EXPECT_FALSE(h.window->reports().mnuFilePrint_Click());
    EXPECT_EQ(h.messages.shown,
              (std::vector{box("The report could not be printed.\r\n\r\nCheck "
                               "the printer or the file chosen in the print dialog.",
                               "Print Report")}));
}

TEST(PrintReport, OnlineTheBoardsFiguresAreUploadedAndPrintedUnderTheUploadDate) {
    ReportHarness h;
    h.board.preset("W1000", 111);
    h.board.preset("W1042", 2047);
    h.board.preset("D1100", 123456);
    h.goOnline();
    h.clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
    h.setup.answers = {true};
    EXPECT_TRUE(h.window->reports().mnuFilePrint_Click());
    EXPECT_EQ(h.window->files().gUploadNOW, "5/1/2026 2:05:09 PM");
    EXPECT_EQ(h.valueAfter("Station #01:"), "111");
    EXPECT_EQ(h.valueAfter("Flanger:", 2), "Disabled");
    EXPECT_EQ(h.valueAfter("1. Total Good Cans:", 3), "123456");
    ASSERT_NE(h.setup.printer.find("5/1/2026 2:05:09 PM"), nullptr) << "the footer's date";
    EXPECT_TRUE(h.messages.shown.empty());
}

// A board gone silent, or a PLS that refuses a recall without any link
// fault: either way the upload did not complete.
TEST(PrintReport, AnUploadThatDidNotCompletePrintsNothing) {
    for (const bool silent : {true, false}) {
        SCOPED_TRACE(silent ? "silent board" : "recall refused");
        ReportHarness h;
        ScriptedPls scripted(h.board.pls());
        h.board.pls().program(0, 100, 200);
        h.goOnline();
        const double stampBefore = h.window->tables().CurrentData.Stamp;
        const std::string dateBefore = h.window->files().gUploadNOW;
        h.clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
        h.port.silent = silent;
        scripted.refuse = {pls::kRecall};
        if (!silent) h.board.setCommands(&scripted);
        h.setup.answers = {true};
        EXPECT_FALSE(h.window->reports().mnuFilePrint_Click());
        EXPECT_EQ(h.setup.dialogs, 0) << "no print dialog";
        EXPECT_TRUE(h.setup.printer.texts.empty());
        EXPECT_EQ(h.setup.printer.endCount, 0);
        // The working data keep their date: only a complete upload re-dates
        // them.
        EXPECT_EQ(h.window->tables().CurrentData.Stamp, stampBefore);
        EXPECT_EQ(h.window->files().gUploadNOW, dateBefore);
        h.board.setCommands(&h.board.pls());
    }
}

// Online, the preview shows what the paper would: the board's figures,
// uploaded the way Print Report uploads them; nothing when that upload did
// not complete. Offline it shows the working data and sends nothing.
TEST(PrintReport, PreviewUploadsAsPrintDoesSoThePreviewAndThePaperAgree) {
    struct Case {
        bool online;
        bool silent;
        int previews;
        std::string station2;
    };
    const Case cases[] = {{false, false, 1, "40"}, {true, false, 1, "21"}, {true, true, 0, ""}};
    for (const Case& c : cases) {
        ReportHarness h;
        h.board.preset("W1002", 21);
        if (c.online) h.goOnline();
        h.clearTrace();
        h.port.silent = c.silent;
        h.window->action(MenuCommand::FilePrintPreview)->trigger();
        EXPECT_EQ(std::pair(h.setup.previews, h.setup.dialogs), std::pair(c.previews, 0));
        if (c.previews == 1) {
            EXPECT_EQ(h.setup.printer.pagesDrawn(), 3);
            EXPECT_EQ(h.valueAfter("Station #02:"), c.station2) << c.online;
        }
        // Online the board was read at every item's address, as an upload does.
        const std::vector<int> read = h.addressesRead();
        if (c.online && !c.silent) {
            EXPECT_EQ(
                std::set<int>(read.begin(), read.end()).count(ByteAddressesOf({"W1002"}).front()),
                1u);
        } else if (!c.online) {
            EXPECT_TRUE(h.port.sent().empty());
        }
    }
}

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

TEST(ExportShiftData, TextFileHasFiftyTwoLinesWithCaptionsAndCrLf) {
    ReportHarness h;
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
    ReportHarness h;
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
    ReportHarness fresh;
    fresh.dialogs.cancel();
    EXPECT_FALSE(fresh.exporter().mnuFileExport_Click());
    EXPECT_EQ(fresh.exporter().gFileExportPath, "");
    EXPECT_TRUE(QDir(fresh.folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(ExportShiftData, CsvHasOneRowPerValueWithItsCaption) {
    ReportHarness h;
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
    ReportHarness h;
    const std::string missing = h.path("gone/shift.txt");
    h.dialogs.choose(missing);
    EXPECT_FALSE(h.exporter().mnuFileExport_Click());
    EXPECT_EQ(h.messages.shown,
              (std::vector{box(
                  "The shift data could not be exported:\r\nNo such file or directory: " + missing +
                      "\r\n\r\nAn earlier file of that name has been left as it was.",
                  "Export Shift Data", MsgIcon::Critical)}));
    EXPECT_FALSE(readFile(missing));
}

std::string runTool(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return "(" + tool.toStdString() + " failed)";
    return p.readAllStandardOutput().toStdString();
}

class CliReport : public ::testing::Test {
protected:
    void SetUp() override {
        // The dates of the exported file in the US form.
        qputenv("LC_ALL", "en_US.UTF-8");
        SetupTables tables;
        tables.BuildDefaults({2026, 3, 14, 9, 26, 53, 0});
        SetupData data = tables.DefaultData;
        data.Value[0] = 321;
        ASSERT_TRUE(WriteSetupFile(folder.path("line7.sdt"), data));
    }
    RunResult cli(const std::vector<std::string>& args) { return folder.cli(args); }

    SimProgramFolder folder;
};

TEST_F(CliReport, ReportIsAThreePagePdfOfTheFile) {
    // No display at all: the command must not need one.
    qunsetenv("DISPLAY");
    const RunResult r = cli({"report", folder.path("line7.sdt"), folder.path("line7.pdf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "report of " + folder.path("line7.sdt") + " written to " +
                         folder.path("line7.pdf") + "\n");

    const QString pdf = QString::fromStdString(folder.path("line7.pdf"));
    const std::string info = runTool("pdfinfo", {pdf});
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
    const std::string text = runTool("pdftotext", {"-layout", pdf, "-"});
    // Every line of the report is checked on the recording printer; here
    // that its text reaches the PDF, page by page.
    for (const char* wanted : {"QTR-VORAN Report: [line7.sdt]", "Set-up Parameters", "Page 3"})
        EXPECT_NE(text.find(wanted), std::string::npos) << wanted << "\n" << text;
    // The shift part begins the third page (pages are split by form feeds).
    const size_t third = text.find('\f', text.find('\f') + 1);
    ASSERT_NE(third, std::string::npos);
    EXPECT_GT(text.find("Data Collection Counts"), third);
    EXPECT_NE(text.find("321"), std::string::npos);
}

TEST_F(CliReport, ExportIsHeadedByTheFileAndFailuresLeaveNoFile) {
    RunResult r = cli({"export", folder.path("line7.sdt"), folder.path("shift.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::optional<std::string> text = folder.read("shift.txt");
    ASSERT_TRUE(text);
    // The file's own name and date head it (the lines below are the
    // window's export, checked there).
    EXPECT_EQ(text->substr(0, 49), "line7.sdt\r\nDate: 3/14/2026 9:26:53 AM\r\n \r\nCurrent");

    // A missing set-up file or output folder: no file, status 1.
    EXPECT_EQ(cli({"report", folder.path("none.sdt"), folder.path("none.pdf")}).status, 1);
    EXPECT_FALSE(folder.read("none.pdf"));
    EXPECT_EQ(cli({"export", folder.path("line7.sdt"), folder.path("gone/x.txt")}).status, 1);
}

constexpr double kEps = 1e-9;
const DateTime kStamp{2026, 3, 14, 9, 26, 53, 0};
const char* const kStations[12] = {
    "Station #01:", "Station #02:", "Station #03:", "Station #04:", "Station #05:", "Station #06:",
    "Station #07:", "Station #08:", "Station #09:", "Station #10:", "Station #11:", "Flanger:"};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { tables.BuildDefaults(kStamp); }

    void print(const std::string& name = "[unnamed]") {
        Report(printer, tables.CurrentData, name).GenerateReport();
    }

    static bool isFrame(const RecordingPrinter::Text& t) {
        return t.font == Report::kPageHeaderFont || t.font == Report::kPageFooterFont;
    }
    // The texts between header and footer, those on one line joined by '|'.
    std::vector<std::string> bodyRows() const {
        std::vector<std::string> rows;
        const RecordingPrinter::Text* last = nullptr;
        for (const RecordingPrinter::Text& t : printer.texts) {
            if (isFrame(t)) continue;
            if (last && last->page == t.page && std::abs(last->y - t.y) < kEps)
                rows.back() += "|" + t.text;
            else
                rows.push_back(t.text);
            last = &t;
        }
        return rows;
    }
    // The `count` rows under the heading `heading`.
    std::vector<std::string> rowsUnder(const std::string& heading, int count) const {
        const std::vector<std::string> rows = bodyRows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i] == heading)
                return {rows.begin() + i + 1, rows.begin() + std::min(rows.size(), i + 1 + count)};
        return {};
    }
    int pageOf(const std::string& text) const {
        const RecordingPrinter::Text* t = printer.find(text);
        return t ? t->page : 0;
    }

    SetupTables tables;
    RecordingPrinter printer;
};

TEST_F(ReportTest, DefaultDataPrintsEverySectionWithItsValues) {
    print();
    std::vector<std::string> want{"Set-up Parameters", "A. Number of Shifts to Each Station"};
    for (int k = 0; k < 12; ++k)
        want.push_back(kStations[k] + std::string("|") + std::to_string(20 * (k + 1)));
    want.push_back("B. Number of Missing Cans for Transfer Jam Alarm");
    for (int k = 0; k < 12; ++k) want.push_back(kStations[k] + std::string("|5"));
    want.push_back("C. Calibrated Number of Shifts (to each station)");
    for (int k = 0; k < 12; ++k) want.push_back(kStations[k] + std::string("|0"));
    want.push_back("Total:|0");
    want.push_back("D. Transfer Jam Enable");
    for (int k = 0; k < 12; ++k) want.push_back(kStations[k] + std::string("|Enabled"));
    for (const char* row :
         {"E. PLS Configuration & Channel Setpoints", "1. Number of PLS Channels: |8",
          "2. PLS Scale Factor: |360", "3. PLS Program: |0", "4. Speed Compensation (advance): "})
        want.push_back(row);
    for (int c = 0; c < 8; ++c) want.push_back("CH0" + std::to_string(c) + " (msec):  0");
    for (const char* row :
         {"5. Channel Setpoints (ON - OFF): ", "CH00:  180  - 240", "CH01:  90  - 270",
          "CH02:  0  - 0", "CH03:  0  - 0", "CH04:  0  - 0", "CH05:  0  - 0", "CH06:  0  - 0",
          "CH07:  0  - 0", "Data Collection Counts (shift data)"})
        want.push_back(row);
    for (const char* shift : {"A. Current Shift Data", "B. Last (previous) Shift Data"}) {
        for (const char* row : {shift, "1. Total Good Cans:|0", "2. Total Jams:|0",
                                "3. Jams Per Station:", "01: 0", "02: 0", "03: 0", "04: 0", "05: 0",
                                "06: 0", "07: 0", "08: 0", "09: 0", "10: 0", "11: 0", "Flanger: 0"})
            want.push_back(row);
    }
    EXPECT_EQ(bodyRows(), want);
    EXPECT_EQ(printer.endCount, 1);
}

TEST_F(ReportTest, EnableMaskBitsGiveEnabledOrDisabledPerStation) {
    const struct {
        int mask;
        std::vector<int> enabled;  // station numbers 1 .. 12
    } cases[] = {{2047, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}, {1, {1}}, {2048, {12}}, {0, {}}};
    for (const auto& c : cases) {
        printer = RecordingPrinter();
        tables.CurrentData.Value[37] = c.mask;
        print();
        std::vector<std::string> want;
        for (int n = 1; n <= 12; ++n) {
            const bool on = std::find(c.enabled.begin(), c.enabled.end(), n) != c.enabled.end();
            want.push_back(kStations[n - 1] + std::string(on ? "|Enabled" : "|Disabled"));
        }
        EXPECT_EQ(rowsUnder("D. Transfer Jam Enable", 12), want) << "mask " << c.mask;
    }
}

TEST_F(ReportTest, SectionCHasThirteenLinesEndingWithTheTotal) {
    for (int i = 24; i <= 36; ++i) tables.CurrentData.Value[i] = 500 + i;
    print();
    const std::vector<std::string> rows =
        rowsUnder("C. Calibrated Number of Shifts (to each station)", 14);
    ASSERT_EQ(rows.size(), 14u);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(rows[k], kStations[k] + std::string("|") + std::to_string(524 + k));
    EXPECT_EQ(rows[12], "Total:|536");
    EXPECT_EQ(rows[13], "D. Transfer Jam Enable") << "nothing between the total and section D";
}

TEST_F(ReportTest, ValuesEndAtThreeAndAHalfInchesAndShiftLabelsAtTwo) {
    auto& v = tables.CurrentData.Value;
    v[0] = 7;
    v[38] = 1234567;  // item lines: no digit grouping
    v[40] = 12345;    // jams per station: grouped
    v[65] = -1500;
    print();
    const auto& texts = printer.texts;
    int itemLines = 0;
    for (size_t i = 0; i + 1 < texts.size(); ++i) {
        const auto& a = texts[i];
        const auto& b = texts[i + 1];
        if (isFrame(a) || a.page != b.page || std::abs(a.y - b.y) > kEps) continue;
        ++itemLines;
        EXPECT_NEAR(a.x, 1.0, kEps) << a.text;
        EXPECT_NEAR(b.x + printer.widthOf(b), 3.5, kEps) << b.text;
        EXPECT_EQ(a.font, Report::kItemFont);
    }
    EXPECT_EQ(itemLines, 3 * 12 + 13 + 3 + 2 * 2);

    ASSERT_TRUE(printer.find("1234567") && printer.find("01: 12,345") &&
                printer.find("Flanger: -1,500"));
    const std::map<std::string, std::string> shiftLabels{
        {"01: 12,345", "01: "}, {"10: 0", "10: "}, {"Flanger: -1,500", "Flanger: "}};
    for (const auto& [text, label] : shiftLabels) {
        const auto* t = printer.find(text);
        EXPECT_NEAR(t->x + RecordingPrinter::WidthOf(label, t->font), 2.0, kEps) << text;
    }
    const std::map<std::string, double> starts{{"Set-up Parameters", 0.5},
                                               {"A. Number of Shifts to Each Station", 0.75},
                                               {"4. Speed Compensation (advance): ", 1.0},
                                               {"CH01:  90  - 270", 1.5},
                                               {"Data Collection Counts (shift data)", 0.5},
                                               {"B. Last (previous) Shift Data", 0.75}};
    for (const auto& [text, x] : starts) {
        ASSERT_TRUE(printer.find(text)) << text;
        EXPECT_NEAR(printer.find(text)->x, x, kEps) << text;
    }
    EXPECT_EQ(printer.find("A. Current Shift Data")->font, Report::kHeadingFont);
}

TEST_F(ReportTest, ThreePagesEachWithHeaderAndFooterTheShiftPartOnTheLast) {
    print("[line3.sdt]");
    EXPECT_EQ(pageOf("C. Calibrated Number of Shifts (to each station)"), 1);
    EXPECT_EQ(pageOf("D. Transfer Jam Enable"), 2) << "thirteen lines no longer fit";
    EXPECT_EQ(pageOf("Data Collection Counts (shift data)"), 3);
    EXPECT_EQ(pageOf("B. Last (previous) Shift Data"), 3);
    EXPECT_EQ(printer.newPages, 3) << "three footers; the last break draws no page";
    const double w = printer.width, h = printer.height;
    const double headH = RecordingPrinter::HeightOf(Report::kPageHeaderFont);
    const double footH = RecordingPrinter::HeightOf(Report::kPageFooterFont);
    const std::string title = "QTR-VORAN Report: [line3.sdt]";
    const std::string date = GeneralDate(kStamp);
    ASSERT_EQ(date, "3/14/2026 9:26:53 AM");
    ASSERT_EQ(printer.pagesDrawn(), 3);
    for (int p = 1; p <= 3; ++p) {
        std::vector<RecordingPrinter::Text> frame;
        double firstBodyY = -1;
        for (const auto& t : printer.texts) {
            if (t.page != p) continue;
            if (isFrame(t))
                frame.push_back(t);
            else if (firstBodyY < 0)
                firstBodyY = t.y;
        }
        ASSERT_EQ(frame.size(), 3u) << "page " << p;
        // Title: (W - width - left margin) / 2 across, 0.1 down.
        EXPECT_EQ(frame[0].text, title);
        EXPECT_NEAR(frame[0].x, (w - RecordingPrinter::WidthOf(title, frame[0].font) - 0.5) / 2,
                    kEps);
        EXPECT_NEAR(frame[0].y, 0.1, kEps);
        const double rule = 0.1 + 2 * headH;
        EXPECT_NEAR(firstBodyY, rule + 0.25, kEps) << "page " << p;
        // Footer: the data's date at the left, the page number ending at the
        // right margin, both one line and 0.1 in above the bottom.
        const double footY = h - footH - 0.1;
        EXPECT_EQ(frame[1].text, date);
        EXPECT_NEAR(frame[1].x, 0.5, kEps);
        EXPECT_NEAR(frame[1].y, footY, kEps);
        EXPECT_EQ(frame[2].text, "Page " + std::to_string(p));
        EXPECT_NEAR(frame[2].x + printer.widthOf(frame[2]), w - 0.5, kEps);
        EXPECT_NEAR(frame[2].y, footY, kEps);

        std::vector<std::array<double, 4>> rules;
        for (const auto& l : printer.lines)
            if (l.page == p) rules.push_back({l.x1, l.y1, l.x2, l.y2});
        ASSERT_EQ(rules.size(), 2u) << "page " << p;
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(rules[0][k], (std::array{0.5, rule, w - 0.5, rule})[k], kEps);
            EXPECT_NEAR(rules[1][k], (std::array{0.5, footY - 0.1, w - 0.5, footY - 0.1})[k], kEps);
        }
    }
}

TEST_F(ReportTest, ShortPageBreaksBeforeEverySectionThatDoesNotFit) {
    printer.height = 6.0;
    print();
    const std::map<std::string, int> pages{{"A. Number of Shifts to Each Station", 1},
                                           {"B. Number of Missing Cans for Transfer Jam Alarm", 2},
                                           {"C. Calibrated Number of Shifts (to each station)", 3},
                                           {"D. Transfer Jam Enable", 4},
                                           {"E. PLS Configuration & Channel Setpoints", 5},
                                           {"Data Collection Counts (shift data)", 6},
                                           {"B. Last (previous) Shift Data", 7}};
    for (const auto& [text, page] : pages) EXPECT_EQ(pageOf(text), page) << text;
    ASSERT_EQ(printer.pagesDrawn(), 7);
    // Every page has its header and footer; nothing runs into the footer.
    const double footRule = 6.0 - RecordingPrinter::HeightOf(Report::kPageFooterFont) - 0.2;
    for (int p = 1; p <= 7; ++p) {
        int headers = 0, footers = 0;
        for (const auto& t : printer.texts) {
            if (t.page != p) continue;
            headers += t.font == Report::kPageHeaderFont;
            footers += t.text == "Page " + std::to_string(p);
            if (!isFrame(t)) {
                EXPECT_LE(t.y + RecordingPrinter::HeightOf(t.font), footRule) << t.text;
            }
        }
        EXPECT_EQ(std::pair(headers, footers), std::pair(1, 1)) << "page " << p;
    }
}

}  // namespace
}  // namespace voran::testing
