#include "platform/qt/QtBusyIndicator.h"

#include <QApplication>
#include <QCursor>

namespace voran {

void QtBusyIndicator::busy(bool on) {
    if (on)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace voran
