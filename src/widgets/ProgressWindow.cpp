#include "widgets/ProgressWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QLayout>
#include <QProgressBar>

#include "platform/qt/QtEventTurn.h"

namespace voran {

void SetProgressWindowLook(QDialog& dialog, bool closable) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closable) flags |= Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    // The layout sets the window's size to what its contents need, also
    // when a text changes or the screen's scale differs.
    if (QLayout* l = dialog.layout()) l->setSizeConstraint(QLayout::SetFixedSize);
    dialog.setProperty(QtEventTurn::kInputProperty, true);
}

void ProgressDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Let the window paint, then run the operation once.
    if (!runsOnShow_ || started_) return;
    started_ = true;
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::processEvents();
        runOperation();
    });
}

void ProgressDialog::reject() {
    if (running_) {
        cancel_ = true;
        return;
    }
    QDialog::reject();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    if (running_) {
        cancel_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

PacedProgress::PacedProgress(QProgressBar& bar) : QObject(&bar), bar_(bar) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { paint(); });
}

void PacedProgress::setValue(int value) {
    if (value == bar_.value()) return;
    // QProgressBar draws itself at once when its value changes visibly;
    // with updates held off it only takes the value. (The attribute, not
    // setUpdatesEnabled, which would ask for a repaint when turned back on.)
    const bool held = bar_.testAttribute(Qt::WA_UpdatesDisabled);
    bar_.setAttribute(Qt::WA_UpdatesDisabled, true);
    bar_.setValue(value);
    bar_.setAttribute(Qt::WA_UpdatesDisabled, held);
    if (timer_.isActive()) return;
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : kPaintMs;
    if (since >= kPaintMs)
        paint();
    else
        timer_.start(static_cast<int>(kPaintMs - since));
}

void PacedProgress::paint() {
    sincePaint_.start();
    bar_.update();
}

}  // namespace voran
