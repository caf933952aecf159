#pragma once

#include "platform/BusyIndicator.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace voran {

// A port that shows the busy sign while a wait for the board lasts more
// than a moment. Every call goes to the wrapped port; a wait first waits up
// to the moment, and only when no byte came by then does it set the sign,
// wait the rest, and take the sign away again. A prompt reply never shows
// it. The wait stays a plain blocking wait: no events run during it, so the
// link is never re-entered.
class BusyPort : public ISerialPort {
public:
    // How long a wait lasts before the sign shows, in seconds.
    static constexpr double kMoment = 0.3;

    BusyPort(ISerialPort& port, IClock& clock, IBusyIndicator& indicator, double moment = kMoment)
        : port_(port), clock_(clock), indicator_(indicator), moment_(moment) {}

    void setPortNumber(int number) override { port_.setPortNumber(number); }
    int portNumber() const override { return port_.portNumber(); }
    bool setSettings(const std::string& settings, PortError* error) override {
        return port_.setSettings(settings, error);
    }
    std::string settings() const override { return port_.settings(); }
    bool open(PortError* error) override { return port_.open(error); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    int bytesWaiting() override { return port_.bytesWaiting(); }
    void discardInput() override { port_.discardInput(); }
    bool writeByte(std::uint8_t byte) override { return port_.writeByte(byte); }
    int readByte() override { return port_.readByte(); }
    bool waitForByte(double deadline) override;

private:
    ISerialPort& port_;
    IClock& clock_;
    IBusyIndicator& indicator_;
    double moment_;
};

}  // namespace voran
