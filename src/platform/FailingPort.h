#pragma once

#include <string>
#include <utility>

#include "platform/SerialPort.h"

namespace voran {

// A port whose every call fails: opening reports `error`, nothing is ever
// written or received. Settings are taken, as any closed port takes them, so
// that the failure shows where a missing or busy port shows: on opening.
class FailingPort : public ISerialPort {
public:
    explicit FailingPort(PortError error = {8002, "FailingPort", "Invalid port number"})
        : error_(std::move(error)) {}

    void setPortNumber(int number) override { port_ = number; }
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings, PortError*) override {
        settings_ = settings;
        return true;
    }
    std::string settings() const override { return settings_; }
    bool open(PortError* error) override {
        if (error) *error = error_;
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    int bytesWaiting() override { return 0; }
    void discardInput() override {}
    bool writeByte(std::uint8_t) override { return false; }
    int readByte() override { return -1; }
    bool waitForByte(double) override { return false; }

private:
    PortError error_;
    int port_ = 1;
    std::string settings_ = "9600,n,8,1";
};

}  // namespace voran
