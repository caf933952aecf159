// The Upload/Download commands, Compare with Controller and the progress
// windows, driven as the operator drives them; boxes answered through the fake.
#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "FakeFileDialog.h"
#include "TransferFixture.h"
#include "data/FileCommands.h"
#include "data/ui/TransferMenu.h"
#include "data/ui/frmCompare.h"
#include "data/ui/frmProcessing.h"
#include "data/ui/frmWaitDisplay.h"
#include "program/ui/frmDownloadProg.h"
#include "widgets/ProgressWindow.h"
#include "window/AppContext.h"

namespace voran::testing {
namespace {

const Box kNotComplete = box("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7");
Box downloadQuestion(MsgButtons buttons) {
    return box("You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?",
               "Data Download", MsgIcon::Question, buttons);
}

class TransferWindow : public TransferTest {
protected:
    // The bar's minimum, value and maximum.
    static std::tuple<int, int, int> bar(const frmProcessing& w) {
        return {w.prgProcessing->minimum(), w.prgProcessing->value(), w.prgProcessing->maximum()};
    }
    // Runs `act` once the bar of `w` reaches `value`.
    static void atBar(frmProcessing& w, int value, std::function<void()> act) {
        QObject::connect(w.prgProcessing, &QProgressBar::valueChanged, &w, [=](int v) {
            if (v == value) act();
        });
    }
    // The same for the progress window that the command about to run opens.
    static void atBarOfTheNextWindow(int value, std::function<void(frmProcessing&)> act) {
        QTimer::singleShot(0, [=] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = qobject_cast<frmProcessing*>(w)) atBar(*f, value, [=] { act(*f); });
        });
    }

    FakeFileDialog dialogs;
    FileCommands files{tables, messages, dialogs, clock, folder.path().toStdString()};
};

TEST_F(TransferWindow, CleanDownloadFillsThe94StepBarAndClosesWithoutABoxAndTheBarStaysFull) {
    EXPECT_EQ(frmProcessing(ctx, kTransferUpload).lblProcessing->text(),
              "Uploading Data, Please Standby...");
    frmProcessing w(ctx, kTransferDownload);
    EXPECT_EQ(std::tuple(w.fraProcessing->title(), w.cmdCancel->text(), w.lblProcessing->text()),
              std::tuple("Processing Request:", "&Cancel", "Downloading Data, Please Standby..."));
    EXPECT_EQ(bar(w), std::tuple(0, 0, 94));
    w.exec();
    EXPECT_EQ(bar(w), std::tuple(0, 94, 94));
    EXPECT_TRUE(w.report().complete() && !w.isVisible() && messages.shown.empty());
    EXPECT_EQ(w.lblProcessing->text(), "Downloading Timing Channels, Please Standby...");

    // An upload past 94 steps keeps the bar full.
    for (int ch = 0; ch < 8; ++ch) pls().program(ch, 10 * ch, 10 * ch + 5);
    frmProcessing up(ctx, kTransferUpload);
    // Channel 0 is cleared at the board between its two recalls: the second
    // one finds it unprogrammed and the channel takes three steps.
    atBar(up, 80, [this] { pls().channels[0].programmed = false; });
    up.exec();
    EXPECT_GT(up.report().steps, 94);
    EXPECT_EQ(bar(up), std::tuple(0, 94, 94));
}

TEST_F(TransferWindow, SilentBoardGivesTheProcessNotCompleteBox) {
    port.silent = true;
    frmProcessing w(ctx, kTransferUpload);
    w.exec();
    EXPECT_EQ(w.report().items, 1) << "the first read failed, the loop stopped before the next";
    EXPECT_EQ(tables.CurrentData, tables.DefaultData) << "a failed read stores nothing";
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "WARNING - Communication Error!");
    EXPECT_EQ(messages.shown[1], kNotComplete);
}

TEST_F(TransferWindow, CancelledUploadLeavesTheDataAsTheyWereAndSaysSo) {
    fillBoard();
    clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
    messages.answers = {MsgResult::Yes};
    const SetupData before = tables.CurrentData;
    atBarOfTheNextWindow(10, [](frmProcessing& f) { f.cmdCancel->click(); });
    mnuFileUpload_Click(ctx, files, nullptr);
    EXPECT_EQ(tables.CurrentData, before) << "values, PLS and stamp untouched";
    EXPECT_EQ(files.gUploadNOW, "");
    EXPECT_EQ(messages.shown, (std::vector{box("You are about to Upload Data from the PLC\r\n\r\n"
                                               "Do You Wish to Continue?",
                                               "Data Upload", MsgIcon::Question, MsgButtons::YesNo),
                                           kNotComplete}));

    // Uploaded whole: stamped with the time it completed.
    messages.answers = {MsgResult::Yes};
    messages.shown.clear();
    mnuFileUpload_Click(ctx, files, nullptr);
    EXPECT_EQ(tables.CurrentData.Stamp, ToOleDate({2026, 5, 1, 14, 5, 9, 0}));
    EXPECT_EQ(files.gUploadNOW, "5/1/2026 2:05:09 PM");
    EXPECT_EQ(tables.CurrentData.Value[77], distinctValue(tables.CurrentData.Address[77], 77));
    EXPECT_EQ(messages.shown.size(), 1u) << "the question only";
}

TEST_F(TransferWindow, DownloadAsksFirstAndOffersToGoOnline) {
    link.CloseRSComm();
    port.clearTrace();
    // Yes, then No to going online: nothing sent. Then Yes and Yes.
    messages.answers = {MsgResult::Yes, MsgResult::No, MsgResult::Yes, MsgResult::Yes};
    mnuFileDownload_Click(ctx, files, dialogs, nullptr);
    EXPECT_TRUE(sent().empty());
    mnuFileDownload_Click(ctx, files, dialogs, nullptr);
    const Box down = downloadQuestion(MsgButtons::YesSetUpOnlyNo),
              offline =
                  box("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to "
                      "ONLINE MODE to Continue?",
                      "Program Offline", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(messages.shown, (std::vector<Box>{down, offline, down, offline}));
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_EQ(pls().channels[1], (sim::SimPls::Channel{true, 90, 270}));
}

// "Set-up Only" in the download question sends items 0 to 37 and the PLS
// and not a byte to the shift counts, which the board keeps; Yes sends all.
TEST_F(TransferWindow, SetUpOnlyLeavesTheBoardsShiftCountsAlone) {
    struct Case {
        MsgResult answer;
        bool shiftDataWritten;
    };
    for (const Case c : {Case{MsgResult::SetUpOnly, false}, Case{MsgResult::Yes, true}}) {
        fillBoard();
        tables.CurrentData.Value[2] = 61;
        tables.CurrentData.Setpoint[3] = {10, 20};
        messages.shown.clear();
        messages.answers = {c.answer};
        port.clearTrace();
        mnuFileDownload_Click(ctx, files, dialogs, nullptr);
        ASSERT_EQ(messages.shown.size(), 1u) << "the question only";
        EXPECT_EQ(messages.shown[0].buttons, MsgButtons::YesSetUpOnlyNoShowChanges);
        EXPECT_EQ(board.peek("W1004"), 61);
        EXPECT_EQ(pls().channels[3], (sim::SimPls::Channel{true, 10, 20}));
        // The board's shift counts differ from the working data's zeros:
        // each is either the board's own still, or the working value sent.
        for (int i = 38; i <= LastItemIndex; ++i) {
            const std::string& a = tables.CurrentData.Address[i];
            EXPECT_EQ(board.peek(a),
                      c.shiftDataWritten ? tables.CurrentData.Value[i] : distinctValue(a, i))
                << "item " << i;
        }
    }
}

TEST_F(TransferWindow, BoardSilentForAMomentThenRetryGivesTheBoardsValuesOrTheBox) {
    fillBoard();
    frmProcessing w(ctx, kTransferUpload);
    // The board falls silent after five items and answers again once Retry
    // is pressed in the cable box.
    atBar(w, 5, [this] { port.silent = true; });
    messages.answers = {MsgResult::Retry};
    messages.whileOpen = [this] { port.silent = false; };
    w.exec();
    ASSERT_TRUE(w.report().complete());
    const SetupData& d = tables.CurrentData;
    for (int i = 0; i <= LastItemIndex; ++i)
        EXPECT_EQ(d.Value[i], distinctValue(d.Address[i], i)) << d.Address[i];
    ASSERT_EQ(messages.shown.size(), 1u) << "the cable box only";
    EXPECT_EQ(messages.shown[0].title, "WARNING - Communication Error!");
}

class CompareWindow : public TransferWindow {
protected:
    void SetUp() override {
        TransferWindow::SetUp();
        fillBoard();
        ASSERT_TRUE(DataTransfer(link, tables).RunTransfer(kTransferUpload).complete());
        working = tables.CurrentData;
    }

    // Runs `look` on the comparison window once it is on screen, then closes
    // it; counts the windows seen.
    void whenShown(std::function<void(frmCompare&)> look) {
        look_ = std::move(look);
        watch();
    }
    void watch() {
        QTimer::singleShot(0, &guard_, [this] {
            if (auto* w = qobject_cast<frmCompare*>(QApplication::activeModalWidget())) {
                ++windowsShown;
                if (look_) look_(*w);
                w->cmdClose()->click();
                return;
            }
            if (watching_) watch();
        });
    }

    // The rows of the list: a section heading as "# heading", a difference
    // as its five columns joined by '|'.
    static std::vector<std::string> rows(const frmCompare& w) {
        std::vector<std::string> out;
        QTreeWidget* tree = w.tvwCompare();
        for (int s = 0; s < tree->topLevelItemCount(); ++s) {
            QTreeWidgetItem* section = tree->topLevelItem(s);
            out.push_back("# " + section->text(0).toStdString());
            for (int r = 0; r < section->childCount(); ++r) {
                QStringList columns;
                for (int c = 0; c < 5; ++c) columns << section->child(r)->text(c);
                out.push_back(columns.join('|').toStdString());
            }
        }
        return out;
    }

    SetupData working;
    int windowsShown = 0;
    bool watching_ = true;

private:
    std::function<void(frmCompare&)> look_;
    // Timers still pending when a test ends die with it.
    QObject guard_;
};

TEST_F(CompareWindow, FromTheMenuListsTheChangesUnderTheirHeadingsAndCopiesAndSavesThem) {
    ASSERT_TRUE(board.preset("W1004", 61));
    ASSERT_TRUE(board.preset("W1108", 9));
    pls().program(0, 100, 250);
    std::vector<std::string> seen;
    std::string heading;
    const std::string csv = folder.path().toStdString() + "/changes.csv";
    dialogs.choose(csv);
    whenShown([&](frmCompare& w) {
        seen = rows(w);
        heading = w.lblCompare()->text().toStdString();
        w.cmdCopy()->click();
        w.cmdSave()->click();
    });
    EXPECT_TRUE(CompareWithController(ctx, files, dialogs, nullptr));

    EXPECT_EQ(windowsShown, 1);
    EXPECT_EQ(heading,
              "The working data [unnamed] compared with the controller: 1 set-up item, 1 "
              "shift-data item and 1 PLS value differ.");
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "# Set-up items",
                        "2|W1004|Station 03 shifts|3014|61",
                        "# Shift data (production counts)",
                        "40|W1108|Station 01 jams, current shift|3280|9",
                        "# PLS timing",
                        "||PLS CH00 OFF|200|250",
                    }));
    const std::vector<Difference> listed = CompareSetups(working, [&] {
        SetupData b = working;
        b.Value[2] = 61;
        b.Value[40] = 9;
        b.Setpoint[0][1] = 250;
        return b;
    }());
    EXPECT_EQ(clipboard.contents, ComparisonTabText(listed, "Working Data"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].request.filters,
              (std::vector<FileFilter>{{"CSV Files (*.csv)", "*.csv"}}));
    EXPECT_EQ(readFile(csv), ComparisonCsv(listed, "Working Data"));
    EXPECT_EQ(tables.CurrentData, working) << "a comparison never touches the working data";
    EXPECT_TRUE(messages.shown.empty());
}

// A board that holds the working data, or differs only in what a download
// never sends, is "the same": no list to copy, or the offset shown apart.
TEST_F(CompareWindow, NothingADownloadWouldChangeSaysSo) {
    bool listShown = true, copyEnabled = true;
    std::vector<std::string> seen;
    std::string heading;
    const auto look = [&](frmCompare& w) {
        listShown = !w.tvwCompare()->isHidden();
        copyEnabled = w.cmdCopy()->isEnabled() || w.cmdSave()->isEnabled();
        seen = rows(w);
        heading = w.lblCompare()->text().toStdString();
    };
    const std::string same =
        "The working data [unnamed] compared with the controller: the controller holds exactly "
        "these values; a download would change nothing.";
    whenShown(look);
    EXPECT_TRUE(CompareWithController(ctx, files, dialogs, nullptr));
    EXPECT_EQ(heading, same);
    EXPECT_FALSE(listShown);
    EXPECT_FALSE(copyEnabled);

    tables.CurrentData.ResolverOffset = 202;
    pls().offset = 0;
    whenShown(look);
    EXPECT_TRUE(CompareWithController(ctx, files, dialogs, nullptr));
    EXPECT_EQ(heading, same);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"# Not changed by a download", "||PLS offset|202|0"}));
}

TEST_F(CompareWindow, LinkFaultPartWayShowsTheFailureBoxAndNoComparison) {
    ASSERT_TRUE(board.preset("W1004", 61));
    // The board falls silent once the reads are under way; the cable box
    // is answered Cancel.
    atBarOfTheNextWindow(30, [this](frmProcessing&) { port.silent = true; });
    whenShown({});
    EXPECT_FALSE(CompareWithController(ctx, files, dialogs, nullptr));
    watching_ = false;
    EXPECT_EQ(windowsShown, 0);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back(), kNotComplete);
}

TEST_F(CompareWindow, DownloadQuestionShowsTheChangesThenAsksAgain) {
    ASSERT_TRUE(board.preset("W1004", 61));
    whenShown({});
    messages.answers = {MsgResult::ShowChanges, MsgResult::Yes};
    mnuFileDownload_Click(ctx, files, dialogs, nullptr);
    const Box question = downloadQuestion(MsgButtons::YesSetUpOnlyNoShowChanges);
    EXPECT_EQ(messages.shown, (std::vector<Box>{question, question}));
    EXPECT_EQ(windowsShown, 1);
    EXPECT_EQ(board.peek("W1004"), working.Value[2]) << "then the download went out";

    // Show Changes, then No: nothing is sent.
    ASSERT_TRUE(board.preset("W1004", 62));
    messages.shown.clear();
    messages.answers = {MsgResult::ShowChanges, MsgResult::No};
    whenShown({});
    mnuFileDownload_Click(ctx, files, dialogs, nullptr);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(windowsShown, 2);
    EXPECT_EQ(board.peek("W1004"), 62);
}

TEST_F(TransferWindow, DialogsHaveATitleBarNoMinMaxAndTheSizeTheirTextsNeed) {
    frmProcessing upload(ctx, kTransferUpload);
    frmProcessing download(ctx, kTransferDownload);
    frmWaitDisplay wait;
    frmDownloadProg program(link, ctx.program);
    // The window, whether its title bar may close it.
    const std::pair<QDialog*, bool> windows[] = {
        {&upload, true}, {&download, true}, {&wait, false}, {&program, true}};
    for (const auto& [w, closable] : windows) {
        SCOPED_TRACE(w->objectName().toStdString());
        const Qt::WindowFlags f = w->windowFlags();
        EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_TRUE(f.testFlag(Qt::CustomizeWindowHint) && f.testFlag(Qt::WindowTitleHint));
        EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(f.testFlag(Qt::WindowCloseButtonHint), closable);

        // Shown without running the event loop: the transfer never starts.
        w->show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the operator cannot resize it";
        EXPECT_EQ(w->size(), w->sizeHint());
        for (const QLabel* l : w->findChildren<QLabel*>())
            EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()))
                << l->text().toStdString();
    }
    // A longer text widens the window instead of being cut.
    const int before = download.width();
    QLabel* label = download.lblProcessing;
    label->setText(label->text().repeated(3));
    // The label, its frame and the window each take their turn.
    for (int n = 0; n < 3; ++n) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_GT(download.width(), before);
}

// Counts the paint events a widget gets.
struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(TransferWindow, PacedBarTakesEveryValueAtOnceButIsDrawnAtMostEveryFiftyMs) {
    QProgressBar bar;
    bar.setRange(0, kTransferSteps);
    bar.show();
    QCoreApplication::processEvents();
    PaintCount count;
    bar.installEventFilter(&count);

    // A plain setValue draws at once; the paced one only takes the value.
    bar.setValue(1);
    ASSERT_GT(count.paints, 0) << "the plain bar draws itself at once";
    count.paints = 0;
    PacedProgress paced(bar);
    for (int v = 2; v < kTransferSteps; ++v) paced.setValue(v);
    EXPECT_EQ(bar.value(), kTransferSteps - 1);
    EXPECT_EQ(count.paints, 0);

    // Drawn by ordinary repaints, not more often than every 50 ms.
    QElapsedTimer took;
    took.start();
    for (int v = 0; took.elapsed() < 200; v = (v + 1) % kTransferSteps) {
        paced.setValue(v);
        QCoreApplication::processEvents();
    }
    EXPECT_GE(count.paints, 1);
    EXPECT_LE(count.paints, took.elapsed() / PacedProgress::kPaintMs + 2);
}

}  // namespace
}  // namespace voran::testing
