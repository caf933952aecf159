#pragma once

#include "link/TrafficObserver.h"
#include "platform/Clock.h"
#include "platform/ForwardingPort.h"

namespace voran {

// A port that shows every byte it moves to an observer, with the clock's
// time. Without an observer it only forwards: the link costs one test of a
// pointer a byte more.
class TrafficPort : public ForwardingPort {
public:
    TrafficPort(ISerialPort& inner, IClock& clock) : ForwardingPort(inner), clock_(clock) {}

    void setObserver(ILinkObserver* observer) { observer_ = observer; }
    ILinkObserver* observer() const { return observer_; }

    bool writeByte(std::uint8_t b) override {
        if (observer_) observer_->byteSent(b, clock_.now());
        return inner_.writeByte(b);
    }
    int readByte() override {
        const int b = inner_.readByte();
        if (observer_ && b >= 0)
            observer_->byteReceived(static_cast<std::uint8_t>(b), clock_.now());
        return b;
    }

private:
    IClock& clock_;
    ILinkObserver* observer_ = nullptr;
};

}  // namespace voran
