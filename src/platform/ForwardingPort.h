#pragma once

#include "platform/SerialPort.h"

namespace voran {

// A port that hands every call to another port. Decorators (a port that
// counts bytes, shows the wait cursor, or cuts the line in a test) derive
// from it and override only what they change.
class ForwardingPort : public ISerialPort {
public:
    explicit ForwardingPort(ISerialPort& inner) : inner_(inner) {}
    void setPortNumber(int n) override { inner_.setPortNumber(n); }
    int portNumber() const override { return inner_.portNumber(); }
    bool setSettings(const std::string& s, PortError* e) override {
        return inner_.setSettings(s, e);
    }
    std::string settings() const override { return inner_.settings(); }
    bool open(PortError* e) override { return inner_.open(e); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    int bytesWaiting() override { return inner_.bytesWaiting(); }
    void discardInput() override { inner_.discardInput(); }
    bool writeByte(std::uint8_t b) override { return inner_.writeByte(b); }
    int readByte() override { return inner_.readByte(); }
    bool waitForByte(double deadline) override { return inner_.waitForByte(deadline); }
    bool lost(PortError* why = nullptr) const override { return inner_.lost(why); }

protected:
    ISerialPort& inner_;
};

}  // namespace voran
