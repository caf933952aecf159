#pragma once

#include <functional>

#include "widgets/ProgressWindow.h"

class QFrame;
class QLabel;

namespace voran {

// The small window that stands on the screen while the report is drawn:
// "Generating Report, Please Standby ...". Not modal; it shows itself, runs
// the work and hides again.
class frmWaitDisplay : public ProgressDialog {
    Q_OBJECT
public:
    explicit frmWaitDisplay(QWidget* parent = nullptr);

    // Shows the window centred, lets it paint, runs `generate`, hides the
    // window and lets pending events run once more. Gives what `generate`
    // gave.
    bool Form_Load(const std::function<bool()>& generate);

    QFrame* fraWaitDisplay() const { return fraWaitDisplay_; }
    QLabel* lblWaitDisplay() const { return lblWaitDisplay_; }

private:
    QFrame* fraWaitDisplay_ = nullptr;
    QLabel* lblWaitDisplay_ = nullptr;
};

}  // namespace voran
