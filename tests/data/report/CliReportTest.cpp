// voran-cli report and export: a set-up file to a PDF and to text,
// without a board and without a display. The PDF is read back with
// pdftotext and pdfinfo (poppler-utils).
#include <QProcess>
#include <gtest/gtest.h>

#include "ProgramRun.h"
#include "data/SetupFile.h"

namespace voran::testing {
namespace {

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

}  // namespace
}  // namespace voran::testing
