#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace voran {

class ILauncher;
class IMessageBox;

// "About VORAN" (Help > About VORAN): the program's title, version, icon and
// support texts, and a button that starts the platform's system-information
// viewer.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(ILauncher& launcher, IMessageBox& messages, QWidget* parent = nullptr);

    // "Version 2.0.3": major, minor and revision of this build.
    static std::string VersionText();
    // The system-information viewers tried in turn on this platform.
    static const std::vector<std::string>& SystemInfoPrograms();

    QLabel* picIcon() const { return picIcon_; }
    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblDescription() const { return lblDescription_; }
    QLabel* lblTechSupport() const { return lblTechSupport_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdSysInfo() const { return cmdSysInfo_; }

    void cmdSysInfo_Click();
    // Starts the first viewer that can be started; tells the operator when
    // none can.
    void StartSysInfo();

private:
    ILauncher& launcher_;
    IMessageBox& messages_;

    QLabel* picIcon_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblTechSupport_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
};

}  // namespace voran
