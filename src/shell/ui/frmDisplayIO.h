#pragma once

#include <array>
#include <string>
#include <vector>

#include <QColor>
#include <QString>

#include "window/FixedAddressWindow.h"

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QTabWidget;

namespace voran {

// "I/O Status": the controller's digital inputs and outputs bit by bit
// ("ON" or "off"), the states of its timing channels and its analog and
// resolver values, read live while the program is online. No commands.
class frmDisplayIO : public FixedAddressWindow {
    Q_OBJECT
public:
    static constexpr int kItems = 15;
    static constexpr int kControllerValues = 11;  // items 0 .. 10
    static constexpr int kTimingItem = 11;        // "B170", one bit per channel
    static constexpr int kFirstSlotItem = 12;     // "W100", "W110", "W120"
    static constexpr int kSlots = 3;
    static constexpr int kSlotBits = 16;
    static constexpr int kChannels = 8;

    explicit frmDisplayIO(AppContext& ctx, QWidget* parent = nullptr);

    // The items in reading order.
    static const std::array<const char*, kItems>& ItemAddresses();
    // The caption of bit `bit` (0 .. 15) of the word at byte address
    // `byteAddress`: "(B100.0)    0:" for bit 0 of W100, "(B101.7)  17:" for
    // bit 15; the bit number is written as group and bit digit.
    static QString BitCaption(int byteAddress, int bit);
    // What bit `bit` of slot frame `slot` (0 .. 2) stands for.
    static QString BitDescription(int slot, int bit);

    // Frames: 0 .. 2 the slots, 3 "Timing", 4 "K-900".
    QGroupBox* fraBMIO(int i) const { return fraBMIO_.at(i); }
    QLabel* lblk910(int i) const { return lblk910_.at(i); }
    QLabel* lblk910State(int i) const { return lblk910State_.at(i); }
    QLabel* lblTmgChannel(int i) const { return lblTmgChannel_.at(i); }
    QLabel* lblTmgChannelState(int i) const { return lblTmgChannelState_.at(i); }
    QLabel* lblSlot00(int i) const { return lblSlot_[0].at(i); }
    QLabel* lblSlot01(int i) const { return lblSlot_[1].at(i); }
    QLabel* lblSlot02(int i) const { return lblSlot_[2].at(i); }
    QLabel* lblSlot00State(int i) const { return lblSlotState_[0].at(i); }
    QLabel* lblSlot01State(int i) const { return lblSlotState_[1].at(i); }
    QLabel* lblSlot02State(int i) const { return lblSlotState_[2].at(i); }
    // The same by slot number, for tables of cases.
    QLabel* lblSlotState(int slot, int i) const { return lblSlotState_.at(slot).at(i); }

    // Where the frame is too small to show the frames side by side, they go
    // on pages of their own (a tab strip).
    bool paged() const { return paged_; }
    QTabWidget* tabDisplayIO() const { return pages_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The colours of a state: "ON" and red "off", readable on the palette's window colour.
    static QColor onColour(const QPalette& palette);
    static QColor offColour(const QPalette& palette);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showReply(int index, const std::string& reply) override;
    void showUnknown(int index) override;

private:
    void buildControls();
    void arrange(bool paged);
    void showLook(bool enabled) override;
    static void showState(QLabel* label, bool on);

    std::array<QGroupBox*, 5> fraBMIO_{};
    std::array<QLabel*, kControllerValues> lblk910_{};
    std::array<QLabel*, kControllerValues> lblk910State_{};
    std::array<QLabel*, kChannels> lblTmgChannel_{};
    std::array<QLabel*, kChannels> lblTmgChannelState_{};
    std::array<std::array<QLabel*, kSlotBits>, kSlots> lblSlot_{};
    std::array<std::array<QLabel*, kSlotBits>, kSlots> lblSlotState_{};
    // Every label that the looks enable and disable.
    std::vector<QLabel*> captions_;
    std::vector<QLabel*> states_;
    QWidget* wide_ = nullptr;
    QHBoxLayout* slotRow_ = nullptr;
    QHBoxLayout* lowerRow_ = nullptr;
    QTabWidget* pages_ = nullptr;
    bool paged_ = false;
    QSize wideSize_;
    QSize pagedMinimum_;
};

}  // namespace voran
