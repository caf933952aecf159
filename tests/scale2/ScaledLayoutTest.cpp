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

// Lets the layouts of a window just shown settle (each level takes a turn).
void settle() {
    for (int n = 0; n < 4; ++n) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// The frame at its first size on that screen.
struct Scale2 : ::testing::Test {
    const QSize first = frmMDIMain::FirstFrameSize(QSize(900, 560), kAvailable);
    ShellHarness h;
    void SetUp() override {
        h.window->resize(first);
        h.window->show();
    }
    // Shows window `i` of the table; the frame's scroll area around it.
    QScrollArea* show(int i) {
        h.window->ShowWindow(i);
        settle();
        return h.window->findChild<QScrollArea*>("frame");
    }
};

TEST_F(Scale2, AtTwiceTheScaleEveryWindowFitsTheFrameAndGivesEveryCaptionItsRoom) {
    EXPECT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0);
    EXPECT_LE(first.width(), kAvailable.width());
    EXPECT_LT(first.height(), kAvailable.height());
    const auto& table = WindowTable();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        if (!table[i].create) continue;
        SCOPED_TRACE(table[i].caption);
        show(i);
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

TEST_F(Scale2, SetupWindowNeedsNoSidewaysScrolling) {
    const QScrollArea* frame = show(kSetupParameters);
    ASSERT_NE(frame, nullptr);
    // Room for the upright scroll bar: the window is taller than the screen.
    const int room = frame->width() - frame->verticalScrollBar()->sizeHint().width();
    EXPECT_LE(h.window->currentChild()->minimumSizeHint().width(), room);
}

// On a 1280x1024 screen at twice the scale the I/O states are on pages of
// their own, and every page fits the frame: no scroll bar either way.
TEST_F(Scale2, IOStatesWindowFitsTheFrameWithoutScrolling) {
    QScrollArea* frame = show(4);
    auto* io = qobject_cast<frmDisplayIO*>(h.window->currentChild());
    ASSERT_NE(io, nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(io->paged());
    for (int page = 0; page < io->tabDisplayIO()->count(); ++page) {
        SCOPED_TRACE(page);
        io->tabDisplayIO()->setCurrentIndex(page);
        settle();
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
