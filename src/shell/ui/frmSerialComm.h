#pragma once

#include <array>
#include <string>

#include "window/FixedAddressWindow.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace voran {

// "N-90 Serial Communications": the configuration and the state of the
// controller's N-90 module, which links the controller to a MODBUS network,
// read live while the program is online; one command resets the module's
// communication error.
class frmSerialComm : public FixedAddressWindow {
    Q_OBJECT
public:
    static constexpr int kItems = 10;
    // The item that holds the MODBUS function of the module's last exchange.
    static constexpr int kFunctionItem = 5;

    explicit frmSerialComm(AppContext& ctx, QWidget* parent = nullptr);

    // The items in reading order.
    static const std::array<const char*, kItems>& ItemAddresses();
    // What the display shows for a reply to item `index` ("Read" for a
    // function code of 3).
    static std::string DisplayText(int index, const std::string& reply);

    QGroupBox* fraSetup(int i) const { return fraSetup_.at(i); }
    QLabel* lblDescription(int i) const { return lblDescription_.at(i); }
    QLabel* lblDisplay(int i) const { return lblDisplay_.at(i); }
    QPushButton* cmdResetErr() const { return cmdResetErr_; }
    QPushButton* cmdDefault() const { return cmdDefault_; }

    void cmdResetErr_Click();

private:
    void showReply(int index, const std::string& reply) override;
    void showUnknown(int index) override;

    void buildControls();
    void showLook(bool enabled) override;

    std::array<QGroupBox*, 2> fraSetup_{};
    std::array<QLabel*, kItems> lblDescription_{};
    std::array<QLabel*, kItems> lblDisplay_{};
    QPushButton* cmdResetErr_ = nullptr;
    QPushButton* cmdDefault_ = nullptr;
};

}  // namespace voran
