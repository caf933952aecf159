#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

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

// The shared skeleton of the progress windows (a data transfer, a program
// transfer, the report's "Please Standby"). A window that runs an operation
// (setRunsOnShow) starts it once it is on screen and has painted, once; while
// the operation runs, Escape and the close box ask it to stop
// (cancelRequested) instead of closing the window, which closes itself when
// the operation has ended.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr) : QDialog(parent) {}
    bool cancelRequested() const { return cancel_; }

protected:
    // The progress look (SetProgressWindowLook), once the layout is built.
    void finishLook(bool closable) { SetProgressWindowLook(*this, closable); }
    void setRunsOnShow(bool on) { runsOnShow_ = on; }
    // The operation run after the first show; nothing by default.
    virtual void runOperation() {}
    void requestCancel() { cancel_ = true; }
    // The operation begins (a stale stop request is dropped) or has ended.
    void setRunning(bool on) {
        running_ = on;
        if (on) cancel_ = false;
    }
    bool running() const { return running_; }

    void showEvent(QShowEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool runsOnShow_ = false;
    bool started_ = false;
    bool running_ = false;
    bool cancel_ = false;
};

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
