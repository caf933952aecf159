#pragma once

#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/PortName.h"
#include "platform/SerialPort.h"
#include "platform/TcpSerialPort.h"

namespace voran {

// The port the programs give the link. Port number n reaches what the
// program folder maps it to (Support/PortMap.cfg): a serial device by its
// path, or a device server on the network; a number without a mapping opens
// the device of COM n as it always did. A name given for this run (voran-cli
// --port) wins over the number. The choice is made at each open(), so a
// mapping changed in Edit > Comm Port counts at the next going online.
//
// Every call goes to the face chosen at the last open(): the serial device
// port it was built with, or the network port it holds.
class NamedPort : public ISerialPort {
public:
    NamedPort(IClock& clock, std::string programFolder, IDevicePort& device);

    // A name for this run instead of the port number's (nothing: the port
    // number's again). A plain COM number is taken as that number.
    void setName(std::optional<PortName> name) { name_ = std::move(name); }
    // What the next open() reaches.
    PortName target() const;

    void setPortNumber(int number) override { port_ = number; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings, PortError* error) override;
    std::string settings() const override { return settings_; }

    bool open(PortError* error) override;
    void close() override { face().close(); }
    bool isOpen() const override { return active_ != nullptr && active_->isOpen(); }

    int bytesWaiting() override { return face().bytesWaiting(); }
    void discardInput() override { face().discardInput(); }
    bool writeByte(std::uint8_t byte) override { return face().writeByte(byte); }
    int readByte() override { return face().readByte(); }
    bool waitForByte(double deadline) override { return face().waitForByte(deadline); }
    bool lost(PortError* why = nullptr) const override {
        return active_ != nullptr && active_->lost(why);
    }

private:
    ISerialPort& face() { return active_ != nullptr ? *active_ : device_; }

    std::string folder_;
    IDevicePort& device_;
    TcpSerialPort network_;
    std::optional<PortName> name_;
    int port_ = 1;
    std::string settings_ = "9600,n,8,1";
    ISerialPort* active_ = nullptr;
};

}  // namespace voran
