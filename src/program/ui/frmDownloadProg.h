#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QTimer;

namespace voran {

class RSComm;

// The small modal window shown while a program goes to the board (mode 0)
// or comes back from it (mode 1). It runs the transfer as soon as it is on
// screen, shows the address being transferred every 250 ms, and closes
// itself when the transfer has ended.
class frmDownloadProg : public QDialog {
    Q_OBJECT
public:
    explicit frmDownloadProg(RSComm& link, QWidget* parent = nullptr);

    // 0 download (the default), 1 upload.
    void SetTransferMode(int mode = 0);
    int mode() const { return mode_; }

    QGroupBox* fraWaitDisplay() const { return fraWaitDisplay_; }
    QLabel* lblWaitDisplay() const { return lblWaitDisplay_; }
    QTimer* Timer1() const { return Timer1_; }

    // One tick of Timer1: the label follows the link's progress flags.
    void Timer1_Timer();
    // Runs the transfer of the present mode, then closes the window.
    void RunTransfer();

protected:
    void showEvent(QShowEvent* event) override;
    // The transfer cannot be stopped half-way: Escape and the close box wait
    // for its end.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();

    RSComm& link_;
    int mode_ = 0;
    bool started_ = false;
    bool running_ = false;
    QGroupBox* fraWaitDisplay_ = nullptr;
    QLabel* lblWaitDisplay_ = nullptr;
    QTimer* Timer1_ = nullptr;
};

}  // namespace voran
