// The Upload/Download commands and the progress window, driven as the
// operator drives them; boxes answered through the fake.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "FakeFileDialog.h"
#include "TransferFixture.h"
#include "data/FileCommands.h"
#include "data/ui/TransferMenu.h"
#include "data/ui/frmProcessing.h"
#include "window/AppContext.h"

namespace voran::testing {
namespace {

class TransferWindow : public TransferTest {
protected:
    // The bar's minimum, value and maximum.
    static std::tuple<int, int, int> bar(const frmProcessing& w) {
        return {w.prgProcessing->minimum(), w.prgProcessing->value(), w.prgProcessing->maximum()};
    }

    FakeFileDialog dialogs;
    FileCommands files{tables, messages, dialogs, clock, folder.path().toStdString()};
};

TEST_F(TransferWindow, CleanDownloadFillsThe94StepBarAndClosesWithoutABox) {
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
}

TEST_F(TransferWindow, SilentBoardGivesTheProcessNotCompleteBox) {
    port.silent = true;
    frmProcessing w(ctx, kTransferUpload);
    w.exec();
    EXPECT_EQ(w.report().items, 1) << "the first read failed, the loop stopped before the next";
    EXPECT_EQ(tables.CurrentData, tables.DefaultData) << "a failed read stores nothing";
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "WARNING - Communication Error!");
    EXPECT_EQ(messages.shown[1],
              box("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7"));
}

TEST_F(TransferWindow, CancelledUploadLeavesTheDataAsTheyWereAndSaysSo) {
    fillBoard();
    clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
    messages.answers = {MsgResult::Yes};
    const SetupData before = tables.CurrentData;
    // Cancel is clicked once the bar reaches 10.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmProcessing*>(w))
                QObject::connect(f->prgProcessing, &QProgressBar::valueChanged, f, [f](int v) {
                    if (v == 10) f->cmdCancel->click();
                });
    });
    mnuFileUpload_Click(ctx, files, nullptr);
    EXPECT_EQ(tables.CurrentData, before) << "values, PLS and stamp untouched";
    EXPECT_EQ(files.gUploadNOW, "");
    EXPECT_EQ(messages.shown,
              (std::vector{box("You are about to Upload Data from the PLC\r\n\r\n"
                               "Do You Wish to Continue?",
                               "Data Upload", MsgIcon::Question, MsgButtons::YesNo),
                           box("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7")}));

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
    const Box down =
                  box("You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?",
                      "Data Download", MsgIcon::Question, MsgButtons::YesSetUpOnlyNo),
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
    QObject::connect(w.prgProcessing, &QProgressBar::valueChanged, &w, [this](int v) {
        if (v == 5) port.silent = true;
    });
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

TEST_F(TransferWindow, UploadPastNinetyFourStepsKeepsTheBarFull) {
    for (int ch = 0; ch < 8; ++ch) pls().program(ch, 10 * ch, 10 * ch + 5);
    frmProcessing w(ctx, kTransferUpload);
    // Channel 0 is cleared at the board between its two recalls: the second
    // one finds it unprogrammed and the channel takes three steps.
    QObject::connect(w.prgProcessing, &QProgressBar::valueChanged, &w, [this](int v) {
        if (v == 80) pls().channels[0].programmed = false;
    });
    w.exec();
    EXPECT_GT(w.report().steps, 94);
    EXPECT_EQ(bar(w), std::tuple(0, 94, 94));
}

}  // namespace
}  // namespace voran::testing
