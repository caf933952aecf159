#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "window/EntryMessages.h"
#include "window/LiveWindow.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace voran {

class NumericEntry;

// "Set-Up": the machine's set-up parameters, items 0 to 37 of the item
// table. For each of the eleven stations and the flanger: the number of
// shifts to the station, the missing cans that raise a transfer jam alarm,
// the transfer jam enable and the calibrated shift count; plus the
// calibration commands.
//
// Online the window shows the controller's values live and writes every
// accepted change to the controller at once; offline it shows CurrentData
// and, with offline editing enabled, edits it.
class frmSetup : public LiveWindow {
    Q_OBJECT
public:
    // Items shown by the window: 0..23 in the boxes, 24..36 in the
    // calibration labels, 37 (the enable mask) in the check boxes.
    static constexpr int kBoxes = 24;
    static constexpr int kStations = 12;  // eleven stations and the flanger
    static constexpr int kItems = 38;
    static constexpr int kMaskItem = 37;

    explicit frmSetup(AppContext& ctx, QWidget* parent = nullptr);

    void activate() override;
    void deactivate() override;
    // The box the operator is typing in is checked and stored as leaving it
    // would; false when its entry was refused.
    bool commitPendingEntry() override;

    bool layoutBusy() const { return LayoutBusy; }
    bool Editing(int i) const;

    // Controls, by their index.
    NumericEntry* txtSetup(int i) const { return txtSetup_.at(i); }
    QCheckBox* chkSetup(int k) const { return chkSetup_.at(k); }
    QLabel* lblCalShift(int i) const { return lblCalShift_.at(i); }
    QLabel* lblSetup(int i) const { return lblSetup_.at(i); }
    QLabel* lblHeading(int i) const { return lblHeading_.at(i); }
    QGroupBox* fraSetup() const { return fraSetup_; }
    QPushButton* cmdCalibrate() const { return cmdCalibrate_; }
    QPushButton* cmdAutoSet() const { return cmdAutoSet_; }
    QPushButton* cmdDefault() const { return cmdDefault_; }

private:
    // The monitoring pass: items 0 .. 37 in order.
    void showOnlineLook() override;
    void showOfflineLook() override;
    bool offlineLookStale() override;
    int itemCount() const override { return kItems; }
    std::string itemAddress(int index) const override;
    void showReply(int index, const std::string& reply) override;
    void passEnded() override;

    void buildControls();
    void ShowOnlineLayout();
    void ShowOfflineLayout();
    void showLayout(bool commands, bool entries);
    void ShowOfflineValues();
    void showRefreshed(int i, const std::string& text);
    bool showMask(std::int64_t mask);

    bool acceptValue(int i, std::int64_t value);
    bool shiftRule(int i, std::int64_t value);
    void maskChanged(bool byOperator);
    void chkSetup_Click();
    void cmdCalibrate_Click();
    void cmdAutoSet_Click();

    std::array<NumericEntry*, kBoxes> txtSetup_{};
    std::array<QCheckBox*, kStations> chkSetup_{};
    std::array<QLabel*, 13> lblCalShift_{};
    std::array<QLabel*, 13> lblSetup_{};
    std::array<QLabel*, 3> lblHeading_{};
    QGroupBox* fraSetup_ = nullptr;
    QPushButton* cmdCalibrate_ = nullptr;
    QPushButton* cmdAutoSet_ = nullptr;
    QPushButton* cmdDefault_ = nullptr;

    std::array<std::string, kItems> AddressList;
    bool LastOfflineEditing = false;
    bool LayoutBusy = false;

    // The range messages of the boxes, shown holding the link.
    EntryMessages entryMessages_;
};

}  // namespace voran
