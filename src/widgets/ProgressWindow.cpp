#include "widgets/ProgressWindow.h"

#include <QDialog>
#include <QLayout>

namespace voran {

void SetProgressWindowLook(QDialog& dialog, bool closable) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closable) flags |= Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    // The layout sets the window's size to what its contents need, also
    // when a text changes or the screen's scale differs.
    if (QLayout* l = dialog.layout()) l->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace voran
