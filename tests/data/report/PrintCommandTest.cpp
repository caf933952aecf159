// File > Print Report and Print Preview in the frame window: the upload
// that comes first online, the print dialog, the wait window, the report.
#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include "../../timing/pls/PlsFixture.h"
#include "RecordingPrinter.h"
#include "ShellHarness.h"
#include "data/ui/ReportCommands.h"
#include "data/ui/frmWaitDisplay.h"
#include "link/PlsCodes.h"

namespace voran::testing {
namespace {

struct PrintHarness : ShellHarness {
    FakePrintSetup setup;
    PrintHarness() { window->reports().setPrintSetup(&setup); }
    // The rows of the report holding `text` ("Station #01:" gives the text
    // printed after it on the same line).
    std::string valueAfter(const std::string& label, int page = 1) const {
        const auto& t = setup.printer.texts;
        for (size_t i = 0; i + 1 < t.size(); ++i)
            if (t[i].text == label && t[i].page == page && t[i + 1].y == t[i].y)
                return t[i + 1].text;
        return "(none)";
    }
};

frmWaitDisplay* shownWaitWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<frmWaitDisplay*>(w); f && f->isVisible()) return f;
    return nullptr;
}

TEST(PrintReport, OfflineTheDialogDecidesAndTheWaitWindowStandsWhileDrawing) {
    PrintHarness h;
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
}

TEST(PrintReport, OnlineTheBoardsFiguresAreUploadedAndPrintedUnderTheUploadDate) {
    PrintHarness h;
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
        PrintHarness h;
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

TEST(PrintReport, APrinterThatFailsSaysSo) {
    PrintHarness h;
    h.setup.printer.failEnd = true;
    h.setup.answers = {true};
    EXPECT_FALSE(h.window->reports().mnuFilePrint_Click());
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].title, "Print Report");
    EXPECT_EQ(h.messages.shown[0].text,
              "The report could not be printed.\r\n\r\nCheck the printer or the file chosen in "
              "the print dialog.");
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
        PrintHarness h;
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
            EXPECT_EQ(std::set<int>(read.begin(), read.end())
                          .count(ShellHarness::byteAddressesOf({"W1002"}).front()),
                      1u);
        } else if (!c.online) {
            EXPECT_TRUE(h.port.sent().empty());
        }
    }
}

}  // namespace
}  // namespace voran::testing
