#pragma once

#include <memory>
#include <vector>

#include "link/TrafficDecoder.h"
#include "link/ui/TrafficModel.h"
#include "window/LiveWindow.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace voran {

// "Traffic Monitor": every byte the link sends and receives, with its time
// (ms since the window opened), direction, hex and decimal, and what it
// means; the link's time-outs, resyncs and retries as lines of their own.
// It watches the link from the moment it is made until it is destroyed, so
// it keeps recording while another window is on show; it reads nothing of
// its own. Lines are taken from the link as they come and shown in batches
// from a timer; the newest 100,000 are kept.
class frmTrafficMonitor : public LiveWindow {
    Q_OBJECT
public:
    // How often the lines taken since are shown.
    static constexpr int kShowMs = 100;

    explicit frmTrafficMonitor(AppContext& ctx, QWidget* parent = nullptr);
    ~frmTrafficMonitor() override;

    // Shows the lines taken since the last batch (the timer does it; tests
    // call it). Nothing while paused: they wait, and are shown on resume.
    void showPending();
    void cmdPause_Click();
    bool paused() const { return paused_; }
    // Writes the lines on show as text or CSV (by the filter chosen in the
    // dialog); false when nothing was written.
    bool cmdSaveAs_Click();

    TrafficModel& model() { return *model_; }
    QComboBox* cboFilter() const { return cboFilter_; }
    QPushButton* cmdPause() const { return cmdPause_; }
    QPushButton* cmdSaveAs() const { return cmdSaveAs_; }
    QPushButton* cmdClear() const { return cmdClear_; }
    // Whether the link is online, as the last pass found it.
    QLabel* lblLink() const { return lblLink_; }
    QTableView* grdTraffic() const { return grdTraffic_; }

private:
    void showOnlineLook() override;
    void showOfflineLook() override;
    int itemCount() const override { return 0; }

    std::unique_ptr<TrafficModel> model_;
    std::unique_ptr<TrafficTap> tap_;
    std::vector<TrafficLine> pending_;
    bool paused_ = false;
    QComboBox* cboFilter_ = nullptr;
    QPushButton* cmdPause_ = nullptr;
    QPushButton* cmdSaveAs_ = nullptr;
    QPushButton* cmdClear_ = nullptr;
    QLabel* lblCount_ = nullptr;
    QLabel* lblLink_ = nullptr;
    QTableView* grdTraffic_ = nullptr;
    QTimer* tmrShow_ = nullptr;
};

}  // namespace voran
