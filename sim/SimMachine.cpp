// The running machine behind the simulated board: what the controller's own
// program would do to the shift counters while the line runs.
#include <algorithm>
#include <string>

#include "SimBoard.h"
#include "SimPls.h"

namespace voran::sim {

namespace {

constexpr int kStations = 12;  // eleven stations and the flanger
const char* const kAlarmBits[] = {"B111.4", "B111.6", "B121.7"};

std::string word(int base, int station) {
    return "W" + std::to_string(base + 2 * station);
}

}  // namespace

void SimBoard::tick(double seconds) {
    if (!live_) return;
    pls_->liveTick(seconds);
    // Small steps, so that a long tick still sees jams and alarms come and go.
    while (seconds > 0) {
        const double dt = std::min(seconds, 0.25);
        liveStep(dt);
        seconds -= dt;
    }
}

void SimBoard::liveStep(double dt) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const auto bump = [this](const std::string& item, std::int64_t max) {
        preset(item, std::min<std::int64_t>(peek(item) + 1, max));
    };

    // Requests from the PC: reset the jams per station, end the shift.
    if (peek("B1044.1")) {
        for (int k = 0; k < kStations; ++k) preset(word(1050, k), 0);
        preset("B1044.1", 0);
    }
    if (peek("F135")) {
        preset("D1200", peek("D1100"));
        preset("D1204", peek("D1104"));
        preset("D1100", 0);
        preset("D1104", 0);
        for (int k = 0; k < kStations; ++k) {
            preset(word(1208, k), peek(word(1108, k)));
            preset(word(1108, k), 0);
        }
        preset("F135", 0);
    }

    // Good cans at about 1200 a minute while the line runs; a jam stops it.
    if (stoppedFor_ > 0) {
        stoppedFor_ -= dt;
        preset("W182", 0);
    } else {
        const int cpm = 1180 + static_cast<int>(uniform(rng_) * 40);
        preset("W182", cpm);
        canFraction_ += cpm / 60.0 * dt;
        const auto whole = static_cast<std::int64_t>(canFraction_);
        canFraction_ -= static_cast<double>(whole);
        preset("D1100", std::min<std::int64_t>(peek("D1100") + whole, 655359999));

        // A jam about every two minutes, at a random station.
        if (uniform(rng_) < dt / 120.0) {
            const int station = static_cast<int>(uniform(rng_) * kStations) % kStations;
            bump("D1104", 655359999);
            bump(word(1108, station), 65535);
            bump(word(1050, station), 65535);
            stoppedFor_ = 4 + uniform(rng_) * 6;
        }
    }

    // An alarm about every three minutes, standing for 8 to 20 seconds.
    if (alarmFor_ > 0) {
        alarmFor_ -= dt;
        if (alarmFor_ <= 0) {
            preset(alarmBit_, 0);
            preset("B110", 0);
        }
    } else if (uniform(rng_) < dt / 180.0) {
        alarmBit_ = kAlarmBits[static_cast<int>(uniform(rng_) * 3) % 3];
        alarmFor_ = 8 + uniform(rng_) * 12;
        preset(alarmBit_, 1);
        // Transfer-jam alarm bits of stations 1 and 3. They are the low byte
        // of W110; its high byte is B111, which holds two of the alarm bits,
        // so only the low byte is written.
        preset("B110", 5);
    }
}

}  // namespace voran::sim
