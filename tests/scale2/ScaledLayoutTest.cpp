// The windows at twice the scale (this program runs with QT_SCALE_FACTOR=2):
// on a 1280x1024 screen the frame fits and no caption is cut.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "ShellHarness.h"
#include "shell/ui/frmDisplayIO.h"
#include "window/ChildWindow.h"
#include "shell/WindowTable.h"

namespace voran::testing {
namespace {

// A 1280x1024 screen less a task bar, in the logical pixels of scale 2.
const QRect kAvailable(0, 0, 1280 / 2, (1024 - 40) / 2);

QString caption(QString text) {
    return text.remove(QLatin1Char('&'));
}

TEST(Scale2, ProgramRunsAtTwiceTheScale) {
    EXPECT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0);
}

TEST(Scale2, EveryWindowFitsTheFrameAndGivesEveryCaptionItsRoom) {
    const QSize first = frmMDIMain::FirstFrameSize(QSize(900, 560), kAvailable);
    EXPECT_LE(first.width(), kAvailable.width());
    EXPECT_LT(first.height(), kAvailable.height());
    ShellHarness h;
    h.window->resize(first);
    h.window->show();
    const auto& table = WindowTable();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        if (!table[i].create) continue;
        SCOPED_TRACE(table[i].caption);
        h.window->ShowWindow(i);
        for (int n = 0; n < 4; ++n)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QSize minimum = h.window->minimumSizeHint().expandedTo(h.window->minimumSize());
        EXPECT_LE(minimum.width(), first.width());
        EXPECT_LE(minimum.height(), first.height());
        QWidget* child = h.window->currentChild();
        ASSERT_NE(child, nullptr);
        for (const QLabel* l : child->findChildren<QLabel*>()) {
            if (!l->isVisibleTo(child) || l->text().isEmpty()) continue;
            if (l->wordWrap())
                EXPECT_GE(l->height(), l->heightForWidth(l->width())) << l->text().toStdString();
            else
                EXPECT_GE(l->contentsRect().width(),
                          l->fontMetrics().horizontalAdvance(caption(l->text())))
                    << l->text().toStdString();
        }
        for (const QAbstractButton* b : child->findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(child) || b->text().isEmpty()) continue;
            // A check box needs its mark and its caption; a button at
            // least its caption.
            const int needed = qobject_cast<const QCheckBox*>(b)
                                   ? b->sizeHint().width()
                                   : b->fontMetrics().horizontalAdvance(caption(b->text()));
            EXPECT_GE(b->width(), needed) << b->text().toStdString();
        }
    }
}

TEST(Scale2, SetupWindowNeedsNoSidewaysScrolling) {
    ShellHarness h;
    h.window->resize(frmMDIMain::FirstFrameSize(QSize(900, 560), kAvailable));
    h.window->show();
    h.window->ShowWindow(kSetupParameters);
    for (int n = 0; n < 4; ++n) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    auto* frame = h.window->findChild<QScrollArea*>("frame");
    ASSERT_NE(frame, nullptr);
    // Room for the upright scroll bar: the window is taller than the screen.
    const int room = frame->width() - frame->verticalScrollBar()->sizeHint().width();
    EXPECT_LE(h.window->currentChild()->minimumSizeHint().width(), room);
}

// On a 1280x1024 screen at twice the scale the I/O states are on pages of
// their own, and every page fits the frame: no scroll bar either way.
TEST(Scale2, IOStatesWindowFitsTheFrameWithoutScrolling) {
    ShellHarness h;
    h.window->resize(frmMDIMain::FirstFrameSize(QSize(900, 560), kAvailable));
    h.window->show();
    h.window->ShowWindow(4);
    for (int n = 0; n < 4; ++n) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    auto* io = qobject_cast<frmDisplayIO*>(h.window->currentChild());
    ASSERT_NE(io, nullptr);
    auto* frame = h.window->findChild<QScrollArea*>("frame");
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(io->paged());
    for (int page = 0; page < io->tabDisplayIO()->count(); ++page) {
        SCOPED_TRACE(page);
        io->tabDisplayIO()->setCurrentIndex(page);
        for (int n = 0; n < 4; ++n)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        EXPECT_FALSE(frame->verticalScrollBar()->isVisible());
        EXPECT_FALSE(frame->horizontalScrollBar()->isVisible());
        EXPECT_LE(io->minimumSizeHint().width(), frame->viewport()->width());
        EXPECT_LE(io->minimumSizeHint().height(), frame->viewport()->height());
        // Every state of the page is inside the frame's view.
        for (QLabel* l : io->tabDisplayIO()->currentWidget()->findChildren<QLabel*>()) {
            if (!l->isVisibleTo(io)) continue;
            const QRect inFrame(l->mapTo(frame->viewport(), QPoint(0, 0)), l->size());
            EXPECT_TRUE(frame->viewport()->rect().contains(inFrame)) << l->text().toStdString();
        }
    }
}

}  // namespace
}  // namespace voran::testing
