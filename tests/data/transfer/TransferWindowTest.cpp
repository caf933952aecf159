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
#include "shell/AppContext.h"

namespace voran::testing {
namespace {

using Setpoint = std::array<std::int16_t, 2>;

class TransferWindow : public TransferTest {
protected:
    // Clicks Cancel of the progress window StartTransfer is about to show
    // once its bar reaches `at`.
    void cancelNextWindowAt(int at) {
        QTimer::singleShot(0, [at] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = qobject_cast<frmProcessing*>(w))
                    QObject::connect(f->prgProcessing, &QProgressBar::valueChanged, f,
                                     [f, at](int v) {
                                         if (v == at) f->cmdCancel->click();
                                     });
        });
    }

    FakeFileDialog dialogs;
    FileCommands files{tables, messages, dialogs, clock, folder.path().toStdString()};
    AppContext ctx{link, tables, messages, clock};
};

TEST_F(TransferWindow, CleanDownloadFillsThe94StepBarAndClosesWithoutABox) {
    EXPECT_EQ(frmProcessing(ctx, kTransferUpload).lblProcessing->text(),
              "Uploading Data, Please Standby...");
    frmProcessing w(ctx, kTransferDownload);
    EXPECT_EQ(w.fraProcessing->title(), "Processing Request:");
    EXPECT_EQ(w.cmdCancel->text(), "&Cancel");
    EXPECT_EQ(w.lblProcessing->text(), "Downloading Data, Please Standby...");
    EXPECT_EQ(std::tuple(w.prgProcessing->minimum(), w.prgProcessing->value(),
                         w.prgProcessing->maximum()),
              std::tuple(0, 0, 94));
    w.exec();
    EXPECT_EQ(w.prgProcessing->value(), 94);
    EXPECT_TRUE(w.report().complete());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(w.lblProcessing->text(), "Downloading Timing Channels, Please Standby...");
}

TEST_F(TransferWindow, UploadPastTheLastStepKeepsTheBarFull) {
    fillBoard();
    scripted.recallStates = {1, 7, 1, 7, 1, 7};
    board.setCommands(&scripted);
    frmProcessing w(ctx, kTransferUpload);
    w.exec();
    EXPECT_GT(w.report().steps, 94);
    EXPECT_EQ(w.prgProcessing->value(), 94);
    EXPECT_EQ(w.prgProcessing->maximum(), 94);
    // ON, then a state that is neither: not programmed after all.
    EXPECT_EQ(tables.CurrentData.Setpoint[0], (Setpoint{0, 0}));
}

TEST_F(TransferWindow, SilentBoardGivesTheProcessNotCompleteBox) {
    port.silent = true;
    frmProcessing w(ctx, kTransferUpload);
    w.exec();
    EXPECT_EQ(w.report().items, 1) << "the first read failed, the loop stopped before the next";
    EXPECT_EQ(tables.CurrentData.Value[0], 0) << "a failed read stores 0";
    EXPECT_EQ(tables.CurrentData.Value[1], tables.DefaultData.Value[1]);
    EXPECT_EQ(tables.CurrentData.ScaleFactor, 360) << "the PLS phase returned at once";
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "WARNING - Communication Error!");
    EXPECT_EQ(boxes()[1], box("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7"));
}

// --- Menu commands ---------------------------------------------------------------

TEST_F(TransferWindow, UploadStampsTheDataAndCancelStopsTheItemsButNotThePls) {
    fillBoard();
    clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
    messages.answers = {MsgResult::Yes};
    TransferMode = 0;
    cancelNextWindowAt(10);
    mnuFileUpload_Click(ctx, files, nullptr);
    EXPECT_EQ(TransferMode, kTransferUpload);
    EXPECT_EQ(tables.CurrentData.Stamp, ToOleDate({2026, 5, 1, 14, 5, 9, 0}));
    EXPECT_EQ(files.gUploadNOW, GeneralDate({2026, 5, 1, 14, 5, 9, 0}));
    const SetupData& d = tables.CurrentData;
    EXPECT_EQ(d.Value[9], distinctValue(d.Address[9], 9));
    EXPECT_EQ(d.Value[10], tables.DefaultData.Value[10]) << "cancelled after ten items";
    EXPECT_EQ(d.ScaleFactor, 720) << "the PLS phase ran";
    EXPECT_EQ(d.Setpoint[0], (Setpoint{100, 200}));
    EXPECT_EQ(messages.shown.size(), 1u) << "the question only: a cancel is no error";
}

TEST_F(TransferWindow, CommandsAskFirstAndOfferToGoOnline) {
    link.CloseRSComm();
    port.clearTrace();
    ctx.UpdateOnlineState = [&] {
        if (link.OnlineMode) link.OpenRSComm(port);
    };
    const double stamp = tables.CurrentData.Stamp;
    TransferMode = 99;
    messages.answers = {MsgResult::No, MsgResult::Yes, MsgResult::No};
    mnuFileUpload_Click(ctx, files, nullptr);    // No: nothing more
    mnuFileDownload_Click(ctx, files, nullptr);  // Yes, then No to going online
    EXPECT_EQ(TransferMode, 99);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(tables.CurrentData.Stamp, stamp);

    messages.answers = {MsgResult::Yes, MsgResult::Yes};
    mnuFileDownload_Click(ctx, files, nullptr);
    const std::string ask = "\r\n\r\nDo You Wish to Continue?";
    const Box up = box("You are about to Upload Data from the PLC" + ask, "Data Upload",
                       MsgIcon::Question, MsgButtons::YesNo);
    const Box down = box("You are about to Download Data to the PLC" + ask, "Data Download",
                         MsgIcon::Question, MsgButtons::YesNo);
    const Box offline =
        box("Program is Currently OFFLINE\r\n\r\nDo You Wish to Switch to "
            "ONLINE MODE to Continue?",
            "Program Offline", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(boxes(), (std::vector<Box>{up, down, offline, down, offline}));
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_EQ(TransferMode, kTransferDownload);
    EXPECT_EQ(board.peek("W1000"), 20);
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(pls().channels[1], (sim::SimPls::Channel{true, 90, 270}));
    EXPECT_TRUE(tables.PLSConfigChanged);
}

}  // namespace
}  // namespace voran::testing
