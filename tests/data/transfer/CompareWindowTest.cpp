// Compare with Controller from the File menu and from the question before a
// download, driven as the operator drives them.
#include <QApplication>
#include <QFile>
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
#include "window/AppContext.h"

namespace voran::testing {
namespace {

class CompareWindow : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
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

    FakeFileDialog dialogs;
    FileCommands files{tables, messages, dialogs, clock, folder.path().toStdString()};
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
    QTimer::singleShot(0, [this] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmProcessing*>(w))
                QObject::connect(f->prgProcessing, &QProgressBar::valueChanged, f, [this](int v) {
                    if (v == 30) port.silent = true;
                });
    });
    whenShown({});
    EXPECT_FALSE(CompareWithController(ctx, files, dialogs, nullptr));
    watching_ = false;
    EXPECT_EQ(windowsShown, 0);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back(),
              box("Error Processing Request\r\n\r\nProcess Not Complete", "RADUR7"));
}

TEST_F(CompareWindow, DownloadQuestionShowsTheChangesThenAsksAgain) {
    ASSERT_TRUE(board.preset("W1004", 61));
    whenShown({});
    messages.answers = {MsgResult::ShowChanges, MsgResult::Yes};
    mnuFileDownload_Click(ctx, files, dialogs, nullptr);
    const Box question =
        box("You are about to Download Data to the PLC\r\n\r\nDo You Wish to Continue?",
            "Data Download", MsgIcon::Question, MsgButtons::YesSetUpOnlyNoShowChanges);
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

}  // namespace
}  // namespace voran::testing
