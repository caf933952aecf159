#pragma once

#include <array>

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace voran {

class AppContext;
class NumericEntry;

// "Comm Port Settings" (Edit > Comm Port): the PC's serial port number and
// the link speed. Save writes RSPort.cfg and the programming tool's
// TARNIX.SFG files; when the program was online at opening, the link is
// opened again with the new settings, and the window stays open with the
// program offline when that fails, so that other settings can be tried.
// Beside the number the window says which device it opens on this machine.
class frmSetupComm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPortMin = 1;
    static constexpr int kPortMax = 99;

    explicit frmSetupComm(AppContext& ctx, QWidget* parent = nullptr);

    NumericEntry* txtCommPort() const { return txtCommPort_; }
    QLabel* lblPortDevice() const { return lblPortDevice_; }
    QGroupBox* fraPortSpeed() const { return fraPortSpeed_; }
    QRadioButton* optPortSpeed(int i) const { return optPortSpeed_.at(i); }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    void cmdSave_Click();
    void cmdCancel_Click();

private:
    void buildControls();
    void CurrentSettings();
    void showDevice();

    AppContext& ctx_;
    // The program was online when the window opened.
    bool wasOnline_ = false;

    NumericEntry* txtCommPort_ = nullptr;
    QLabel* lblPortDevice_ = nullptr;
    QGroupBox* fraPortSpeed_ = nullptr;
    std::array<QRadioButton*, 2> optPortSpeed_{};
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace voran
