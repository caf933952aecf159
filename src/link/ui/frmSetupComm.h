#pragma once

#include <array>
#include <optional>
#include <string>

#include <QDialog>

#include "platform/PortName.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
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
// Below it the number can be given a device of its own (one the program
// found: a USB adapter by its lasting name, a built-in port) or a device
// server's network address; Save keeps that in the program folder's
// Support/PortMap.cfg, so RSPort.cfg keeps its "port,speed" line. The
// production history's sampling interval and line name are kept beside it
// in Support/History.cfg.
class frmSetupComm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPortMin = 1;
    static constexpr int kPortMax = 99;

    // `deviceRoot`: where the devices are looked for (the root of the file
    // system; a test gives a folder of its own).
    explicit frmSetupComm(AppContext& ctx, QWidget* parent = nullptr,
                          const std::string& deviceRoot = "/");

    NumericEntry* txtCommPort() const { return txtCommPort_; }
    QLabel* lblPortDevice() const { return lblPortDevice_; }
    // The first entry is the port's own device; then the devices found; or
    // an address typed in.
    QComboBox* cboPortDevice() const { return cboPortDevice_; }
    QGroupBox* fraPortSpeed() const { return fraPortSpeed_; }
    QRadioButton* optPortSpeed(int i) const { return optPortSpeed_.at(i); }
    // The production history: seconds between samples and the line's name
    // (which names the history file; empty: the port's name).
    NumericEntry* txtSampleInterval() const { return txtSampleInterval_; }
    QLineEdit* txtLineName() const { return txtLineName_; }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    void cmdSave_Click();
    void cmdCancel_Click();

private:
    void buildControls();
    void CurrentSettings();
    void showDevice();
    // The entry of the device box for what the port number is mapped to.
    void showMapping();
    // What the device box says: nothing for the port's own device, else the
    // name; false (with the reason) when the typed text names no port.
    bool chosenName(std::optional<PortName>* name, std::string* why) const;
    int portNumber() const;

    AppContext& ctx_;
    // The program was online when the window opened.
    bool wasOnline_ = false;

    NumericEntry* txtCommPort_ = nullptr;
    QLabel* lblPortDevice_ = nullptr;
    QComboBox* cboPortDevice_ = nullptr;
    QGroupBox* fraPortSpeed_ = nullptr;
    std::array<QRadioButton*, 2> optPortSpeed_{};
    QGroupBox* fraHistory_ = nullptr;
    NumericEntry* txtSampleInterval_ = nullptr;
    QLineEdit* txtLineName_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace voran
