#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QDialog;
class QProgressBar;

namespace voran {

// Gives a progress window its look: a dialog with a title bar and no
// minimise or maximise button, whose size follows its contents and cannot
// be changed by the operator. With `closable` the title bar keeps its close
// button (the window handles closing as Cancel).
//
// A progress window's only control asks its operation to stop, and being
// modal it keeps input away from every other window: so its input (the
// Cancel click, Escape, the close box) is served during the link's long
// waits too, and the operation sees it at its next step.
void SetProgressWindowLook(QDialog& dialog, bool closable);

// A progress bar that moves with ordinary, deferred repaints, at most one
// every kPaintMs: a transfer that advances it at every item never waits for
// the bar to be drawn (a plain QProgressBar::setValue draws at once). The
// value itself is taken at once.
class PacedProgress : public QObject {
    Q_OBJECT
public:
    static constexpr int kPaintMs = 50;

    explicit PacedProgress(QProgressBar& bar);
    void setValue(int value);

private:
    void paint();

    QProgressBar& bar_;
    QTimer timer_;
    QElapsedTimer sincePaint_;
};

}  // namespace voran
