#include "platform/qt/QtEventTurn.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QWidget>

namespace voran {

QtEventTurn::QtEventTurn(IClock& clock, QObject* parent) : QObject(parent), clock_(clock) {
    last_ = clock_.now();
    // Every time the event loop wakes it serves the events: a turn.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::awake, this,
                [this] { last_ = clock_.now(); });
}

void QtEventTurn::turn() {
    // A turn never runs inside a turn (a wait reached from one would be a
    // second transaction, which the link refuses anyway).
    if (inTurn_) return;
    inTurn_ = true;
    QEventLoop::ProcessEventsFlags flags = QEventLoop::ExcludeUserInputEvents;
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->property(kInputProperty).toBool()) flags = QEventLoop::AllEvents;
    QCoreApplication::processEvents(flags);
    last_ = clock_.now();
    inTurn_ = false;
}

}  // namespace voran
