#pragma once

#include <QSerialPort>
#include <string>

#include "platform/Clock.h"
#include "platform/LineSettings.h"
#include "platform/SerialPort.h"

namespace voran {

// The serial port through QSerialPort, used synchronously: a written byte is
// pushed out at once, and waiting is done in waitForReadyRead() against the
// deadline (the byte count stays 0 until Qt has been asked to read). Port n
// is "COM<n>" on Windows; elsewhere the same device the POSIX port would use
// (the Support/COM<n> link, else /dev/ttyS<n-1>).
class QtSerialPort : public IDevicePort {
public:
    QtSerialPort(IClock& clock, std::string programFolder);

    void setPortNumber(int number) override { port_ = number; }
    void setDevicePath(const std::string& path) override { path_ = path; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings, PortError* error) override;
    std::string settings() const override { return settingsText_; }

    bool open(PortError* error) override;
    void close() override;
    bool isOpen() const override { return serial_.isOpen(); }

    int bytesWaiting() override;
    void discardInput() override;
    bool writeByte(std::uint8_t byte) override;
    int readByte() override;
    bool waitForByte(double deadline) override;
    bool lost(PortError* why = nullptr) const override;

    std::string deviceName() const;

private:
    bool apply(PortError* error);

    IClock& clock_;
    std::string folder_;
    int port_ = 1;
    std::string path_;
    std::string settingsText_ = "9600,n,8,1";
    LineSettings line_;
    QSerialPort serial_;
    // The device failed while open (see lost()); cleared by open().
    bool lost_ = false;
    std::string lostName_;
};

}  // namespace voran
