#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <QDialog>

#include "program/TargetBoardInfo.h"
#include "window/MonitorPass.h"

class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace voran {

class AppContext;
class NumericEntry;

// "Target Board Interface": the modal window in which the operator inspects
// and services the board. Four pages: the fault and comm-error codes with
// their texts, the advice and Reset Faults; the program in the board beside
// the program set on disk; the network addresses; the board's clock (on the
// two board types that have one).
//
// While it is open its monitoring pass keeps the link online: the status
// page is read once per link change (and after a reset), the value rows
// every pass, the PC's clock labels once a second. A link fault takes the
// program offline and the window shows that it cannot reach the board,
// with Go Online.
class frmTargetBoard : public QDialog, private MonitorPass::Client {
    Q_OBJECT
public:
    explicit frmTargetBoard(AppContext& ctx, QWidget* parent = nullptr);

    // Fills the window for the program set of `tarnixFile` and shows it
    // modally; returns when the window has closed.
    void InitializeForm(const std::string& tarnixFile);
    // The filling part of InitializeForm, for tests that show the window
    // themselves (show() then runs the activation).
    void load(const std::string& tarnixFile);

    // The pass, for tests: monitor().runPass() runs a whole pass.
    MonitorPass& monitor() { return monitor_; }
    bool Monitoring() const { return monitor_.running(); }
    bool StatusShown() const { return statusShown_; }
    bool Editing(int i) const;
    std::int64_t SavedValue(int i) const;
    const ProgramOnDisk& disk() const { return disk_; }

    // Controls, by their index.
    QTabWidget* tabTargetBoard() const { return tabTargetBoard_; }
    // The page frames: borderless, their captions are the tabs'.
    QFrame* fraTargetBoard(int i) const { return fraTargetBoard_.at(i); }
    QGroupBox* fraDescription(int i) const { return fraDescription_.at(i); }
    QLabel* lblTargetBoard(int i) const { return lblTargetBoard_.at(i); }
    // Indices 0, 1, 3, 4 and 5.
    QPlainTextEdit* txtTargetBoard(int i) const { return txtTargetBoard_.at(i); }
    QLabel* lblRevIdentInPLC(int i) const { return lblRevIdentInPLC_.at(i); }
    QLabel* lblRevIdentOnDisk(int i) const { return lblRevIdentOnDisk_.at(i); }
    QLabel* lblNetworkAddComment() const { return lblNetworkAddComment_; }
    QLabel* lblSetupDesc(int i) const { return lblSetupDesc_.at(i); }
    // The text box with its up-down control.
    NumericEntry* txtSetup(int i) const { return txtSetup_.at(i); }
    QLabel* lblTargetBoardTime() const { return lblTargetBoardTime_; }
    QLabel* lblTargetBoardDate() const { return lblTargetBoardDate_; }
    QLabel* lblCurrTime() const { return lblCurrTime_; }
    QLabel* lblCurrDate() const { return lblCurrDate_; }
    QLabel* lblCurrTimeDesc() const { return lblCurrTimeDesc_; }
    QLabel* lblCurrDateDesc() const { return lblCurrDateDesc_; }
    QLabel* lblTimeDateNote(int i) const { return lblTimeDateNote_.at(i); }
    QPushButton* cmdResetFaults() const { return cmdResetFaults_; }
    QPushButton* cmdSetToCurrTime() const { return cmdSetToCurrTime_; }
    QPushButton* cmdSetToCurrDate() const { return cmdSetToCurrDate_; }
    QPushButton* cmdGoOnline() const { return cmdGoOnline_; }
    QPushButton* cmdOk() const { return cmdOk_; }
    QPushButton* cmdDefault() const { return cmdDefault_; }

    // Button handlers.
    void cmdOk_Click();
    void cmdGoOnline_Click();
    void cmdResetFaults_Click();
    void cmdSetToCurrTime_Click();
    void cmdSetToCurrDate_Click();

    static constexpr const char* kNoCommunication = "Cannot Communicate with Target Board.";

    // Closing by any way stops the pass first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The monitoring pass: the status steps (skipped once the status is
    // shown), then the value rows.
    static constexpr int kIdentBytes = 10;
    static constexpr int kStatusSteps = kStatusItems + 1 + kIdentBytes + 1;
    void passStarting() override;
    void showOnlineLook() override;
    void showOfflineLook() override;
    int itemCount() const override { return kStatusSteps + kSetupRows; }
    bool readItem(int index) override;

    void buildControls();
    void activate();
    void InitialLayout();
    void ShowNoCommunication();
    void enableOnlineControls();
    bool statusStep(int step);
    bool readStatusItem(int k);
    void showDescriptions();
    bool refreshRow(int i);
    bool rowShown(int i) const;
    void setClockControlsEnabled(bool on);
    void showPcClock();
    bool writeAll(const std::vector<std::pair<std::string, std::string>>& writes);
    bool acceptRow(int i, std::int64_t value);
    void spinRow(int i);

    AppContext& ctx_;
    MonitorPass monitor_;
    ProgramOnDisk disk_;
    std::array<std::string, kSetupRows> SetupAddress;
    bool activated_ = false;
    bool statusShown_ = false;
    // The first ident byte read was 0: the board holds no ident.
    bool identEmpty_ = false;
    // The status steps of the pass under way began at its first step.
    bool statusReading_ = false;
    // Bumped whenever the status must be read again; a status read that
    // began before the bump does not count as shown.
    int statusGeneration_ = 0;
    int statusReadGeneration_ = 0;
    // Codes of the status items as read; -1 for a failed read.
    std::array<int, kStatusItems> code_{};
    int lastSecond_ = -1;

    QTabWidget* tabTargetBoard_ = nullptr;
    std::array<QFrame*, 4> fraTargetBoard_{};
    std::array<QGroupBox*, 5> fraDescription_{};
    std::array<QLabel*, 14> lblTargetBoard_{};
    std::array<QPlainTextEdit*, 6> txtTargetBoard_{};
    std::array<QLabel*, 3> lblRevIdentInPLC_{};
    std::array<QLabel*, 5> lblRevIdentOnDisk_{};
    QLabel* lblNetworkAddComment_ = nullptr;
    std::array<QLabel*, kSetupRows> lblSetupDesc_{};
    std::array<NumericEntry*, kSetupRows> txtSetup_{};
    QLabel* lblTargetBoardTime_ = nullptr;
    QLabel* lblTargetBoardDate_ = nullptr;
    QLabel* lblCurrTimeDesc_ = nullptr;
    QLabel* lblCurrTime_ = nullptr;
    QLabel* lblCurrDateDesc_ = nullptr;
    QLabel* lblCurrDate_ = nullptr;
    std::array<QLabel*, 2> lblTimeDateNote_{};
    QPushButton* cmdResetFaults_ = nullptr;
    QPushButton* cmdSetToCurrTime_ = nullptr;
    QPushButton* cmdSetToCurrDate_ = nullptr;
    QPushButton* cmdGoOnline_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    QPushButton* cmdDefault_ = nullptr;
};

}  // namespace voran
