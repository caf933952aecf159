#pragma once

#include <string>

#include "platform/Clock.h"
#include "platform/LineSettings.h"
#include "platform/SerialPort.h"

namespace voran {

// An RS-232 port on Linux, driven through its device file: raw 8N1 at the
// speed of the settings text, one byte per read, and waiting in poll() on
// the descriptor until the deadline (no spinning).
//
// Port n is the device that `<program folder>/Support/COM<n>` links to when
// that link exists (names matched without regard to case), otherwise
// /dev/ttyS<n-1>. The port is held exclusively: a second program (or a
// second copy of this one) opening it fails at once with a PortError.
class PosixSerialPort : public IDevicePort {
public:
    PosixSerialPort(IClock& clock, std::string programFolder);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    void setPortNumber(int number) override { port_ = number; }
    void setDevicePath(const std::string& path) override { path_ = path; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings, PortError* error) override;
    std::string settings() const override { return settingsText_; }

    bool open(PortError* error) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }

    int bytesWaiting() override;
    void discardInput() override;
    bool writeByte(std::uint8_t byte) override;
    int readByte() override;
    bool waitForByte(double deadline) override;
    bool lost(PortError* why = nullptr) const override;

    // The device file port n opens (the Support/COM<n> link when it exists),
    // or the one named by setDevicePath().
    std::string devicePath() const;
    // The device of the last open (empty when closed).
    const std::string& openedDevice() const { return device_; }

private:
    bool applySettings(PortError* error);
    PortError failure(int err, const std::string& what) const;
    void markLost(int err);

    IClock& clock_;
    std::string folder_;
    int port_ = 1;
    std::string path_;
    std::string settingsText_ = "9600,n,8,1";
    LineSettings line_;
    int fd_ = -1;
    std::string device_;
    // The device hung up or failed (see lost()); cleared by open().
    bool lost_ = false;
    int lostError_ = 0;
    std::string lostDevice_;
};

}  // namespace voran
