#pragma once

#include "platform/AliveWait.h"
#include "platform/BusyIndicator.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace voran {

// A port that shows the busy sign while a wait for the board lasts more
// than a moment. Every call goes to the wrapped port; a wait first waits up
// to the moment, and only when no byte came by then does it set the sign,
// wait the rest, and take the sign away again. A prompt reply never shows
// it. From the first wait that runs out without an answer until the next
// answer (or until the port closes) the indicator hears that the board is
// silent.
//
// Given an AliveWait, the waits keep the window alive (see AliveWait.h);
// without one they are plain blocking waits.
class BusyPort : public ISerialPort {
public:
    // How long a wait lasts before the sign shows, in seconds.
    static constexpr double kMoment = 0.3;

    BusyPort(ISerialPort& port, IClock& clock, IBusyIndicator& indicator, double moment = kMoment,
             AliveWait* alive = nullptr)
        : port_(port), clock_(clock), indicator_(indicator), moment_(moment), alive_(alive) {}

    void setPortNumber(int number) override { port_.setPortNumber(number); }
    int portNumber() const override { return port_.portNumber(); }
    bool setSettings(const std::string& settings, PortError* error) override {
        return port_.setSettings(settings, error);
    }
    std::string settings() const override { return port_.settings(); }
    bool open(PortError* error) override {
        silent(false);
        return port_.open(error);
    }
    void close() override {
        silent(false);
        port_.close();
    }
    bool isOpen() const override { return port_.isOpen(); }
    int bytesWaiting() override { return port_.bytesWaiting(); }
    void discardInput() override { port_.discardInput(); }
    bool writeByte(std::uint8_t byte) override { return port_.writeByte(byte); }
    int readByte() override { return port_.readByte(); }
    bool waitForByte(double deadline) override;
    bool lost(PortError* why = nullptr) const override { return port_.lost(why); }

    // True from a wait that ran out until the next answer.
    bool boardSilent() const { return silent_; }

private:
    ISerialPort& port_;
    IClock& clock_;
    IBusyIndicator& indicator_;
    double moment_;
    AliveWait* alive_;
    bool silent_ = false;

    bool waitPiece(double until);
    void silent(bool on);
};

}  // namespace voran
