#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "timing/ui/TimingChannelGrid.h"
#include "window/LiveWindow.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTabWidget;

namespace voran {

class NumericEntry;
class TimingDiagram;

// "Machine Timing": the machine's PLS timing. Page "Timing Channels" holds
// the ON/OFF setpoints of the eight timing channels (TimingChannelGrid),
// the resolver offset, the channel commands and a
// diagram of the channels over one machine cycle; page "PLS Configuration"
// shows the PLS configuration. The status bar shows the live resolver
// speed, machine position, offset and scale factor.
//
// Online every change goes to the PLS at once and the panels follow the
// board; offline the window shows the PLS part of CurrentData and, with
// offline editing enabled, edits it.
class frmTiming : public LiveWindow {
    Q_OBJECT
public:
    static constexpr int kChannels = TimingChannelGrid::kChannels;
    // txtChannel(ch) is the ON box of channel ch, txtChannel(ch + 16) its
    // OFF box.
    static constexpr int kOffBase = TimingChannelGrid::kOffBase;
    static constexpr int kGridBoxes = TimingChannelGrid::kGridBoxes;
    // The machine turns too fast above this speed for a position to mean
    // anything; the panel then shows 888.
    static constexpr int kPositionRpmLimit = 50;
    // Captions of the status bar's panels, followed by their values.
    static constexpr const char* kPanelCaption[4] = {"RPM: ", "Position: ", "Offset: ", "Scale: "};
    // Title of the offset and channel boxes' messages.
    static constexpr const char* kOffsetTitle = "Resolver Offset";

    explicit frmTiming(AppContext& ctx, QWidget* parent = nullptr);

    void activate() override;
    void deactivate() override;
    bool commitPendingEntry() override;

    // Controls, by their index. txtChannel(8 .. 15) do not exist.
    NumericEntry* txtChannel(int i) const { return grid_->txtChannel(i); }
    QLabel* lblChannel(int i) const { return grid_->lblChannel(i); }
    TimingChannelGrid* grid() const { return grid_; }
    NumericEntry* txtTmg(int i) const { return txtTmg_.at(i); }
    QGroupBox* fraTmg(int i) const { return fraTmg_.at(i); }
    QWidget* fraTiming(int i) const { return fraTiming_.at(i); }
    QLabel* lblCfgDescription(int i) const { return lblCfgDescription_.at(i); }
    QLabel* lblPLSCfg(int i) const { return lblPLSCfg_.at(i); }
    QTabWidget* tbsTiming() const { return tbsTiming_; }
    QStatusBar* sbrMachineTiming() const { return sbrMachineTiming_; }
    // Panel 1 .. 4 of the status bar: RPM, Position, Offset, Scale.
    QLabel* panel(int k) const { return panels_.at(k - 1); }
    QPushButton* cmdSetOffset() const { return cmdSetOffset_; }
    QPushButton* cmdClearChan() const { return cmdClearChan_; }
    QPushButton* cmdRecallChan() const { return cmdRecallChan_; }
    QPushButton* cmdResetPLSConfig() const { return cmdResetPLSConfig_; }
    QPushButton* cmdDefault() const { return cmdDefault_; }
    TimingDiagram* diagram() const { return diagram_; }

    bool machineStopped() const { return MachineStopped; }

private:
    // Steps of an online pass after its head, one transaction at most each.
    enum class Step {
        Config,      // the PLS configuration, once after the online look
        Recall,      // one recall of the grid's recall of all channels
        Speed,       // panel 1 and the stop/start edge
        SpeedAgain,  // the speed that decides what panel 2 shows
        Position,    // panel 2 and the diagram's marker
        Offset,      // panel 3
        Scale,       // panel 4 and the diagram's cycle
    };

    // --- Monitoring pass (frmTiming.cpp) ---
    void passStarting() override;
    void showOnlineLook() override;
    void showOfflineLook() override;
    bool offlineLookStale() override;
    int itemCount() const override { return static_cast<int>(plan_.size()); }
    bool readItem(int index) override;
    void planPass();
    bool refreshStep(Step step);
    bool scaleRead();

    // --- Controls (frmTimingControls.cpp) ---
    void buildControls();
    QWidget* buildGridPage();
    QWidget* buildConfigPage();

    // --- Window (frmTiming.cpp) ---
    void ShowOnlineLayout();
    void ShowOfflineLayout();
    // Reads the PLS configuration into the value labels; false on a link
    // fault.
    bool ShowPLSConfig();
    void setOffsetControlsEnabled(bool on);
    void cmdSetOffset_Click();
    void cmdResetPLSConfig_Click();
    // Commands that run link traffic are ignored while the link is held
    // (a timer inside a box of the link).
    bool linkHeld() const;

    // The recall of all channels begins (as a step of the pass).
    void startRecallAll();
    // The channel commands of the grid, on the channel in txtTmg(1).
    void cmdClearChan_Click();
    void cmdRecallChan_Click();
    int channelBoxValue();

    TimingChannelGrid* grid_ = nullptr;
    std::array<NumericEntry*, 2> txtTmg_{};
    std::array<QGroupBox*, 5> fraTmg_{};
    std::array<QWidget*, 2> fraTiming_{};
    std::array<QLabel*, 10> lblCfgDescription_{};
    std::array<QLabel*, 10> lblPLSCfg_{};
    std::array<QLabel*, 4> panels_{};
    QTabWidget* tbsTiming_ = nullptr;
    QStatusBar* sbrMachineTiming_ = nullptr;
    QPushButton* cmdSetOffset_ = nullptr;
    QPushButton* cmdClearChan_ = nullptr;
    QPushButton* cmdRecallChan_ = nullptr;
    QPushButton* cmdResetPLSConfig_ = nullptr;
    QPushButton* cmdDefault_ = nullptr;
    TimingDiagram* diagram_ = nullptr;

    // Stop/start edge detector of the live speed.
    bool MachineStopped = false;
    bool WasStopped = false;
    bool JustStopped = false;
    bool JustStarted = false;
    bool LastOfflineEditing = false;

    // Steps of the pass under way, and what the online look left to do.
    std::vector<Step> plan_;
    bool configPending_ = false;
    bool recallPending_ = false;
    // The speed read for the position panel; empty when that read failed.
    std::optional<int> positionRpm_;
};

}  // namespace voran
