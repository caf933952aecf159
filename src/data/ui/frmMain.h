#pragma once

#include "data/ui/MainDisplayModel.h"
#include "window/LiveWindow.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace voran {

// "Main Display": the shift counts of the current and last shift, jams per
// station and the transfer-jam state of each station, the machine rate and
// the system messages. Online it reads the controller continuously, one
// item per step of the monitoring pass; offline it shows the shift data of
// the set-up tables, greyed.
class frmMain : public LiveWindow {
    Q_OBJECT
public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);

    void activate() override;

    // Copies the selected cells to the clipboard (Ctrl+C, pop-up "&Copy").
    void CopySelection();

    void cmdResetJams_Click();
    void cmdEndOfShift_Click();

    // Controls, for the tests and the frame.
    QTableWidget* fgData() const { return fgData_; }
    QLabel* lblDisplay0() const { return lblDisplay0_; }
    QPlainTextEdit* txtMessageDisplay() const { return txtMessageDisplay_; }
    QPushButton* cmdResetJams() const { return cmdResetJams_; }
    QPushButton* cmdEndOfShift() const { return cmdEndOfShift_; }
    QPushButton* cmdDefault() const { return cmdDefault_; }
    QGroupBox* fraDisplay0() const { return fraDisplay0_; }
    QGroupBox* fraDisplay1() const { return fraDisplay1_; }
    QGroupBox* fraMessageDisplay() const { return fraMessageDisplay_; }
    QMenu* mnufgDataPopUp() const { return mnufgDataPopUp_; }
    QAction* mnufgDataPopUpCopy() const { return mnufgDataPopUpCopy_; }

    const MainDisplayModel& model() const { return model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void passStarting() override;
    void showOnlineLook() override;
    void showOfflineLook() override;
    int itemCount() const override { return model_.itemCount(); }
    std::string itemAddress(int index) const override { return model_.itemAddress(index); }
    void showReply(int index, const std::string& reply) override;

    void applyLook(bool online);
    void render();

    MainDisplayModel model_;
    QTableWidget* fgData_ = nullptr;
    QLabel* lblDisplay0_ = nullptr;
    QPlainTextEdit* txtMessageDisplay_ = nullptr;
    QPushButton* cmdResetJams_ = nullptr;
    QPushButton* cmdEndOfShift_ = nullptr;
    QPushButton* cmdDefault_ = nullptr;
    QGroupBox* fraDisplay0_ = nullptr;
    QGroupBox* fraDisplay1_ = nullptr;
    QGroupBox* fraMessageDisplay_ = nullptr;
    QMenu* mnufgDataPopUp_ = nullptr;
    QAction* mnufgDataPopUpCopy_ = nullptr;
};

}  // namespace voran
