#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QGroupBox>
#include <QString>

#include "timing/PlsFrames.h"

class QLabel;
class QPushButton;

namespace voran {

class AppContext;
class NumericEntry;
struct SetupData;
class TimingDiagram;

// The timing channel grid of the machine timing window ("Timing Channels"):
// the ON and OFF setpoint boxes of the eight PLS channels, their recall
// from the PLS, the typed and spun setpoints, Clear Channel and Recall
// Channel, and the diagram that follows what the grid shows. Online every
// setpoint goes to the PLS at once; offline the grid edits the working data.
class TimingChannelGrid : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kChannels = 8;
    // txtChannel(ch) is the ON box of channel ch, txtChannel(ch + 16) its
    // OFF box; txtChannel(8 .. 15) do not exist.
    static constexpr int kOffBase = 16;
    static constexpr int kGridBoxes = 24;

    // `defaultButton` takes the focus from a box (it does nothing itself);
    // `diagram` shows the channels over one machine cycle.
    TimingChannelGrid(AppContext& ctx, TimingDiagram& diagram, QPushButton& defaultButton,
                      QWidget* parent = nullptr);

    NumericEntry* txtChannel(int i) const { return txtChannel_.at(i); }
    QLabel* lblChannel(int i) const { return lblChannel_.at(i); }
    // The box the operator is typing in, if any.
    NumericEntry* boxBeingEdited() const;

    // The online look: every box "-" (not read yet) and enabled.
    void showOnlineLook();
    // The offline look: the setpoints of `data`, editable or greyed.
    void showSetpoints(const SetupData& data, bool editable);

    // The recall of all channels, one recall per step of the monitoring
    // pass; a step is false on a link fault, which ends the recall.
    void startRecallAll();
    bool recallAllStep();
    bool recallAllUnderWay() const { return recallChannel_ < kChannels; }
    void stopRecallAll() { recallChannel_ = kChannels; }
    // Recalls both setpoints of channel ch into its boxes (and the working
    // data when `store`).
    void RecallChannelSetpoints(int ch, bool store);
    // Clear Channel for the channel `channel()` names (asked again on Retry).
    void ClearChannel(const std::function<int()>& channel);

    // The diagram follows what the grid shows.
    void showAllInDiagram();

private:
    // What one channel recall gave the grid.
    enum class Recalled { More, ChannelDone, Fault };

    void buildControls();
    std::optional<pls::Recall> RecallOneSetpoint(int ch);
    Recalled recallSetpointInto(int ch, bool store);
    bool txtChannel_Validate(int i, std::int64_t value);
    void updChannel_Change(int i, std::int64_t value);
    bool programChannel(int ch);
    void settlePartner(int ch, int i);
    void storeSetpoint(int ch, int which, std::int64_t value);
    void showChannelMark(int ch, const QString& mark);
    void showInDiagram(int ch);

    AppContext& ctx_;
    TimingDiagram& diagram_;
    QPushButton& cmdDefault_;
    std::array<NumericEntry*, kGridBoxes> txtChannel_{};
    std::array<QLabel*, 10> lblChannel_{};

    // The recall of all channels: the channel under way (kChannels when
    // none) and the recalls it has had.
    int recallChannel_ = kChannels;
    int recallsOfChannel_ = 0;
};

}  // namespace voran
