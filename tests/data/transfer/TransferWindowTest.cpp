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

class TransferWindow : public TransferTest {
protected:
    // Clicks Cancel of the progress window once the bar reaches `at`.
    void cancelWhenBarReaches(frmProcessing& w, int at) {
        QObject::connect(w.prgProcessing, &QProgressBar::valueChanged, &w, [&w, at](int v) {
            if (v == at) w.cmdCancel->click();
        });
    }
    // The same for the window that StartTransfer is about to show.
    void cancelNextWindowAt(int at) {
        QTimer::singleShot(0, [this, at] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = qobject_cast<frmProcessing*>(w)) cancelWhenBarReaches(*f, at);
        });
    }

    FakeFileDialog dialogs;
    FileCommands files{tables, messages, dialogs, clock, folder.path().toStdString()};
    AppContext ctx{link, tables, messages, clock};
};

TEST_F(TransferWindow, WindowShowsItsDesignTextsAndA94StepBar) {
    frmProcessing up(ctx, kTransferUpload);
    EXPECT_EQ(up.fraProcessing->title(), "Processing Request:");
    EXPECT_EQ(up.cmdCancel->text(), "&Cancel");
    EXPECT_EQ(up.lblProcessing->text(), "Uploading Data, Please Standby...");
    EXPECT_EQ(up.prgProcessing->minimum(), 0);
    EXPECT_EQ(up.prgProcessing->maximum(), 94);
    EXPECT_EQ(up.prgProcessing->value(), 0);
    frmProcessing down(ctx, kTransferDownload);
    EXPECT_EQ(down.lblProcessing->text(), "Downloading Data, Please Standby...");
}

TEST_F(TransferWindow, CleanDownloadFillsTheBarAndClosesWithoutABox) {
    frmProcessing w(ctx, kTransferDownload);
    w.exec();
    EXPECT_EQ(w.prgProcessing->value(), 94);
    EXPECT_TRUE(w.report().complete());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(w.lblProcessing->text(), "Downloading Timing Channels, Please Standby...");
}

TEST_F(TransferWindow, UploadPastTheLastStepKeepsTheBarFull) {
    fillBoard();
    ScriptedPls scripted(board.pls());
    scripted.recallStates = {1, 7, 1, 7, 1, 7};
    board.setCommands(&scripted);
    frmProcessing w(ctx, kTransferUpload);
    w.exec();
    EXPECT_GT(w.report().steps, 94);
    EXPECT_EQ(w.prgProcessing->value(), 94);
    EXPECT_EQ(w.prgProcessing->maximum(), 94);
    // ON, then a state that is neither: not programmed after all.
    EXPECT_EQ(tables.CurrentData.Setpoint[0], (std::array<std::int16_t, 2>{0, 0}));
}

TEST_F(TransferWindow, CancelStopsTheItemsButThePlsIsStillUploaded) {
    fillBoard();
    frmProcessing w(ctx, kTransferUpload);
    cancelWhenBarReaches(w, 10);
    w.exec();
    EXPECT_TRUE(w.report().cancelled);
    EXPECT_EQ(w.report().items, 10);
    EXPECT_EQ(tables.CurrentData.ScaleFactor, 720);
    EXPECT_EQ(tables.CurrentData.Setpoint[0], (std::array<std::int16_t, 2>{100, 200}));
    EXPECT_TRUE(messages.shown.empty());
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
    EXPECT_EQ(boxes()[1],
              warning("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7")[0]);
}

// --- Menu commands ---------------------------------------------------------------

struct MenuCase {
    const char* name;
    void (*click)(AppContext&, FileCommands&, QWidget*);
    const char* text;
    const char* title;
};

class TransferMenu : public TransferWindow, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(TransferMenu, CommandAsksFirstAndNoLeavesEverythingAlone) {
    messages.answers = {MsgResult::No};
    const double stamp = tables.CurrentData.Stamp;
    GetParam().click(ctx, files, nullptr);
    EXPECT_EQ(boxes(), (std::vector<Box>{{GetParam().text, GetParam().title, MsgButtons::YesNo,
                                          MsgIcon::Question}}));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(tables.CurrentData.Stamp, stamp);
}

INSTANTIATE_TEST_SUITE_P(
    FileMenu, TransferMenu,
    ::testing::Values(
        MenuCase{"Upload", &mnuFileUpload_Click,
                 "You are about to Upload Data from the PLC\r\n\r\nDo You Wish to Continue?",
                 "Data Upload"},
        MenuCase{"Download", &mnuFileDownload_Click,
                 "You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?",
                 "Data Download"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferWindow, UploadStampsTheDataEvenWhenCancelledAtOnce) {
    fillBoard();
    clock.setLocalDateTime({2026, 5, 1, 14, 5, 9, 0});
    messages.answers = {MsgResult::Yes};
    TransferMode = 0;
    cancelNextWindowAt(1);
    mnuFileUpload_Click(ctx, files, nullptr);
    EXPECT_EQ(TransferMode, kTransferUpload);
    EXPECT_EQ(tables.CurrentData.Stamp, ToOleDate({2026, 5, 1, 14, 5, 9, 0}));
    EXPECT_EQ(files.gUploadNOW, GeneralDate({2026, 5, 1, 14, 5, 9, 0}));
    EXPECT_EQ(tables.CurrentData.Value[1], tables.DefaultData.Value[1]) << "cancelled after one";
    EXPECT_EQ(tables.CurrentData.ScaleFactor, 720) << "PLS phase ran";
}

TEST_F(TransferWindow, NoToTheOfflinePromptShowsNoWindowAndKeepsTheMode) {
    link.CloseRSComm();
    port.clearTrace();
    TransferMode = 99;
    bool wentOnline = false;
    ctx.UpdateOnlineState = [&] { wentOnline = true; };
    messages.answers = {MsgResult::No};
    EXPECT_FALSE(StartTransfer(ctx, files, nullptr, kTransferDownload));
    EXPECT_EQ(boxes(),
              (std::vector<Box>{{"Program is Currently OFFLINE\r\n\r\nDo You Wish to "
                                 "Switch to ONLINE MODE to Continue?",
                                 "Program Offline", MsgButtons::YesNo, MsgIcon::Question}}));
    EXPECT_EQ(TransferMode, 99);
    EXPECT_FALSE(wentOnline);
    EXPECT_TRUE(sent().empty());
}

TEST_F(TransferWindow, DownloadWhileOfflineGoesOnlineAndSendsEverything) {
    link.CloseRSComm();
    ctx.UpdateOnlineState = [&] {
        if (link.OnlineMode) link.OpenRSComm(port);
    };
    messages.answers = {MsgResult::Yes, MsgResult::Yes};
    mnuFileDownload_Click(ctx, files, nullptr);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].title, "Program Offline");
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_EQ(TransferMode, kTransferDownload);
    EXPECT_EQ(board.peek("W1000"), 20);
    EXPECT_EQ(board.peek("W1042"), 4095);
    EXPECT_EQ(board.pls().channels[1], (sim::SimPls::Channel{true, 90, 270}));
    EXPECT_TRUE(tables.PLSConfigChanged);
}

}  // namespace
}  // namespace voran::testing
