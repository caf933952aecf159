#pragma once

#include <QTimer>
#include <functional>
#include <vector>

#include "SimPort.h"
#include "link/RSComm.h"
#include "platform/AliveWait.h"
#include "platform/BusyPort.h"
#include "platform/qt/QtEventTurn.h"

namespace voran::testing {

// The link's waits wired as the program wires them (src/app/main.cpp), over
// a manual clock: every turn runs the real Qt event loop.
struct AliveWiring {
    // Tells who listens that the board fell silent or answered again.
    struct SilenceSign : IBusyIndicator {
        void busy(bool) override {}
        void boardSilent(bool on) override {
            if (onSilent) onSilent(on);
        }
        std::function<void(bool)> onSilent;
    };

    AliveWiring(ManualClock& clock, ISerialPort& port)
        : turns(clock),
          alive(clock, turns),
          aliveClock(clock, alive),
          busyPort(port, clock, sign, BusyPort::kMoment, &alive) {}

    QtEventTurn turns;
    AliveWait alive;
    AliveClock aliveClock;
    SilenceSign sign;
    BusyPort busyPort;
};

// A timer that fires at every turn of the event loop. Each time it notes the
// clock's time and whether the link was held; while it is held it tries a
// read of its own, which must fail at once without a byte on the wire.
class TurnWatch {
public:
    TurnWatch(const IClock& clock, RSComm& link, sim::SimPort& port)
        : clock_(clock), link_(link), port_(port) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
        timer_.start();
    }

    std::vector<double> fired;     // clock times of the timer's shots
    int whileFree = 0;             // shots that found the link free
    long long bytesFromShots = 0;  // bytes the shots' own reads put on the wire
    std::function<void()> onFire;

    // Shots with a clock time inside [from, to].
    int shotsBetween(double from, double to) const {
        int n = 0;
        for (double t : fired) n += t >= from && t <= to;
        return n;
    }

private:
    void fire() {
        fired.push_back(clock_.now());
        if (link_.busy()) {
            const auto before = port_.wire.size();
            InTransaction(link_, [&](RSComm::Transaction& t) { return t.read("B100"); });
            bytesFromShots += static_cast<long long>(port_.wire.size() - before);
        } else {
            ++whileFree;
        }
        if (onFire) onFire();
    }

    const IClock& clock_;
    RSComm& link_;
    sim::SimPort& port_;
    QTimer timer_;
};

}  // namespace voran::testing
