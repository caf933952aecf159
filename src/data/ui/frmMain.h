#pragma once

#include "data/ui/MainDisplayPass.h"
#include "window/ChildWindow.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace voran {

// "Main Display": the shift counts of the current and last shift, jams per
// station and the transfer-jam state of each station, the machine rate and
// the system messages. Online it reads the controller continuously, one
// item per timer step; offline it shows the shift data of the set-up tables,
// greyed.
class frmMain : public ChildWindow {
    Q_OBJECT
public:
    explicit frmMain(AppContext& ctx, QWidget* parent = nullptr);
    ~frmMain() override;

    void activate() override;
    void deactivate() override;

    // One step of the monitoring loop, then the widgets follow the model.
    // Called by the refresh timer; tests call it directly.
    bool refreshStep();

    // Copies the selected cells to the clipboard (Ctrl+C, pop-up "&Copy").
    void CopySelection();

    void cmdResetJams_Click();
    void cmdEndOfShift_Click();

    QTableWidget* fgData = nullptr;
    QLabel* lblDisplay0 = nullptr;
    QPlainTextEdit* txtMessageDisplay = nullptr;
    QPushButton* cmdResetJams = nullptr;
    QPushButton* cmdEndOfShift = nullptr;
    QPushButton* cmdDefault = nullptr;
    QGroupBox* fraDisplay0 = nullptr;
    QGroupBox* fraDisplay1 = nullptr;
    QGroupBox* fraMessageDisplay = nullptr;
    QMenu* mnufgDataPopUp = nullptr;
    QAction* mnufgDataPopUpCopy = nullptr;
    QTimer* tmrRefresh = nullptr;

    const MainDisplayPass& pass() const { return pass_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void applyLook(bool online);
    void render();

    MainDisplayPass pass_;
};

}  // namespace voran
