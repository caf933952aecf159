#pragma once

class QDialog;

namespace voran {

// Gives a progress window its look: a dialog with a title bar and no
// minimise or maximise button, whose size follows its contents and cannot
// be changed by the operator. With `closable` the title bar keeps its close
// button (the window handles closing as Cancel).
void SetProgressWindowLook(QDialog& dialog, bool closable);

}  // namespace voran
