// The progress windows are fixed-size dialogs with a title bar and no
// minimise or maximise button.
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>

#include "FakeClipboard.h"
#include "TransferFixture.h"
#include "data/ui/frmProcessing.h"
#include "data/ui/frmWaitDisplay.h"
#include "program/ui/frmDownloadProg.h"
#include "window/AppContext.h"

namespace voran::testing {
namespace {

class ProgressWindowLook : public TransferTest {
protected:
    FakeClipboard clipboard;
    AppContext ctx{link, tables, messages, clock, clipboard, "", [] {}};
};

TEST_F(ProgressWindowLook, DialogsHaveATitleBarNoMinMaxAndTheSizeTheirTextsNeed) {
    frmProcessing upload(ctx, kTransferUpload);
    frmProcessing download(ctx, kTransferDownload);
    frmWaitDisplay wait;
    frmDownloadProg program(link);
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

}  // namespace
}  // namespace voran::testing
