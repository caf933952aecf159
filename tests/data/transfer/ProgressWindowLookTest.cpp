// The progress windows are fixed-size dialogs with a title bar and no
// minimise or maximise button.
#include <QCoreApplication>
#include <QLabel>
#include <QElapsedTimer>
#include <QLayout>
#include <QProgressBar>

#include "TransferFixture.h"
#include "data/ui/frmProcessing.h"
#include "data/ui/frmWaitDisplay.h"
#include "program/ui/frmDownloadProg.h"
#include "widgets/ProgressWindow.h"
#include "window/AppContext.h"

namespace voran::testing {
namespace {

class ProgressWindowLook : public TransferTest {};

TEST_F(ProgressWindowLook, DialogsHaveATitleBarNoMinMaxAndTheSizeTheirTextsNeed) {
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

TEST_F(ProgressWindowLook, PacedBarTakesEveryValueAtOnceButIsDrawnAtMostEveryFiftyMs) {
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
