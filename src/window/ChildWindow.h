#pragma once

#include <QWidget>

#include "widgets/Buttons.h"

namespace voran {

class AppContext;

// One of the five windows the frame shows one at a time (main display,
// set-up parameters, machine timing, serial communications, I/O states).
// The frame calls activate() when the window comes on show and deactivate()
// before it goes; a window that shows live data runs its monitoring pass from
// a timer between the two, and skips a pass while the link is busy.
class ChildWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChildWindow(AppContext& ctx, QWidget* parent = nullptr) : QWidget(parent), ctx_(ctx) {}
    virtual void activate() {}
    virtual void deactivate() {}
    // Checks and stores the entry in progress (a typed value that has not
    // left its box) exactly as leaving the box would. False when the entry
    // is refused: the command that asked (Save, Exit, a transfer...) stops.
    virtual bool commitPendingEntry() { return true; }

protected:
    // No button of a child window is a default button.
    void showEvent(QShowEvent* event) override {
        NoDefaultButtons(this);
        QWidget::showEvent(event);
    }

    AppContext& ctx_;
};

}  // namespace voran
