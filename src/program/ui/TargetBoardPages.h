#pragma once

#include <array>

#include <QFrame>

#include "program/TargetBoardInfo.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace voran {

class NumericEntry;

// The four pages of the Target Board Interface, one widget each. A page
// builds and lays out its own controls; what the controls show and do is
// the window's (frmTargetBoard). Each page is a borderless frame: the tab
// names it, so it shows no caption of its own.

// Page 0, "Fault Codes / Status": the fault and comm-error codes with their
// texts, the corrective action and Reset Faults.
class TargetBoardFaultPage : public QFrame {
    Q_OBJECT
public:
    explicit TargetBoardFaultPage(QWidget* parent = nullptr);
    // Groups 0 (internal fault code) and 1 (network error codes).
    QGroupBox* fraDescription(int i) const { return fraDescription_.at(i); }
    // Captions 0 .. 5.
    QLabel* lblTargetBoard(int i) const { return lblTargetBoard_.at(i); }
    // Indices 0, 1, 3, 4 and 5 (2 is the CO-CPU slot, a caption alone).
    QPlainTextEdit* txtTargetBoard(int i) const { return txtTargetBoard_.at(i); }
    QPushButton* cmdResetFaults() const { return cmdResetFaults_; }

private:
    std::array<QGroupBox*, 2> fraDescription_{};
    std::array<QLabel*, 6> lblTargetBoard_{};
    std::array<QPlainTextEdit*, 6> txtTargetBoard_{};
    QPushButton* cmdResetFaults_ = nullptr;
};

// Page 1, "Program Ident/Revision": the program in the board above the
// program set on disk.
class TargetBoardIdentPage : public QFrame {
    Q_OBJECT
public:
    explicit TargetBoardIdentPage(QWidget* parent = nullptr);
    // Groups 2 (on disk) and 3 (in the board).
    QGroupBox* fraDescription(int i) const { return fraDescription_.at(i - 2); }
    // Captions 6 .. 13.
    QLabel* lblTargetBoard(int i) const { return lblTargetBoard_.at(i - 6); }
    QLabel* lblRevIdentInPLC(int i) const { return lblRevIdentInPLC_.at(i); }
    QLabel* lblRevIdentOnDisk(int i) const { return lblRevIdentOnDisk_.at(i); }

private:
    std::array<QGroupBox*, 2> fraDescription_{};
    std::array<QLabel*, 8> lblTargetBoard_{};
    std::array<QLabel*, 3> lblRevIdentInPLC_{};
    std::array<QLabel*, 5> lblRevIdentOnDisk_{};
};

// The value rows of pages 2 and 3: a caption and its entry box each, made by
// the window (which checks and sends the values) and laid out by the pages.
struct TargetBoardRows {
    std::array<QLabel*, kSetupRows> caption{};
    std::array<NumericEntry*, kSetupRows> entry{};
};

// Page 2, "Set Network Address": the board's network addresses (rows 0 and
// 1) under the comment on what they are.
class TargetBoardNetworkPage : public QFrame {
    Q_OBJECT
public:
    TargetBoardNetworkPage(const TargetBoardRows& rows, QWidget* parent = nullptr);
    // Group 4.
    QGroupBox* fraDescription() const { return fraDescription_; }
    QLabel* lblNetworkAddComment() const { return lblNetworkAddComment_; }

private:
    QGroupBox* fraDescription_ = nullptr;
    QLabel* lblNetworkAddComment_ = nullptr;
};

// Page 3, "Set Time & Date": the board's clock (rows 2 .. 7) beside the PC's.
class TargetBoardClockPage : public QFrame {
    Q_OBJECT
public:
    TargetBoardClockPage(const TargetBoardRows& rows, QWidget* parent = nullptr);
    QLabel* lblTargetBoardTime() const { return lblTargetBoardTime_; }
    QLabel* lblTargetBoardDate() const { return lblTargetBoardDate_; }
    QLabel* lblCurrTime() const { return lblCurrTime_; }
    QLabel* lblCurrDate() const { return lblCurrDate_; }
    QLabel* lblCurrTimeDesc() const { return lblCurrTimeDesc_; }
    QLabel* lblCurrDateDesc() const { return lblCurrDateDesc_; }
    QLabel* lblTimeDateNote(int i) const { return lblTimeDateNote_.at(i); }
    QPushButton* cmdSetToCurrTime() const { return cmdSetToCurrTime_; }
    QPushButton* cmdSetToCurrDate() const { return cmdSetToCurrDate_; }

private:
    QLabel* lblTargetBoardTime_ = nullptr;
    QLabel* lblTargetBoardDate_ = nullptr;
    QLabel* lblCurrTimeDesc_ = nullptr;
    QLabel* lblCurrTime_ = nullptr;
    QLabel* lblCurrDateDesc_ = nullptr;
    QLabel* lblCurrDate_ = nullptr;
    std::array<QLabel*, 2> lblTimeDateNote_{};
    QPushButton* cmdSetToCurrTime_ = nullptr;
    QPushButton* cmdSetToCurrDate_ = nullptr;
};

}  // namespace voran
