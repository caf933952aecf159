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

// True for the first `width` counts of every `period` counts of the turn,
// shifted by `phase`.
bool window(int position, int phase, int period, int width) {
    if (period <= 0) return false;
    return (position + phase) % period < width;
}

// The inputs and outputs the controller's program would see and drive while
// the line turns: the resolver values, the timing channels, the can
// transfer photo-eyes and calefi valves of the stations, the drive and the
// infeed screw. Alarm bits (B111.4, B111.6, B121.7) and the transfer-jam
// byte B110 belong to the alarm model and are left alone.
void moveInputs(SimBoard& board, const SimPls& pls, bool running, bool jammed) {
    const int scale = std::max(pls.scaleFactor, 8);
    const int pos = std::clamp(pls.position(), 0, scale - 1);
    board.preset("W180", pos);
    board.preset("W184", pls.rpm > 0 ? 60000 / pls.rpm : 0);  // ms per turn
    board.preset("W186", pls.scaleFactor);
    board.preset("W188", pls.offset);

    // Timing channels: programmed ones by their setpoints; transfer timing
    // and the PLC clock follow fixed windows until they are programmed.
    int timing = 0;
    for (int c = 0; c < 8; ++c) {
        const SimPls::Channel& ch = pls.channels[static_cast<std::size_t>(c)];
        bool on = false;
        if (ch.programmed && !ch.pulseTrain)
            on = ch.on <= ch.off ? pos >= ch.on && pos < ch.off : pos >= ch.on || pos < ch.off;
        else if (c == 0)
            on = window(pos, 0, scale, scale / 2);
        else if (c == 1)
            on = window(pos, 0, scale / 4, scale / 8);
        if (on) timing |= 1 << c;
    }
    board.preset("B170", timing);

    // A can passes each station's photo-eye four times a turn; the calefi
    // valve of a station opens while its can is there.
    int eyes = 0;
    for (int k = 0; k < 12; ++k)
        if (running && window(pos, k * scale / 12, scale / 4, scale / 8)) eyes |= 1 << k;
    const bool screw = running && window(pos, 0, scale / 2, scale / 8);
    board.preset("W100", eyes | 1 << 12 | (running ? 1 << 13 : 0) | (screw ? 1 << 15 : 0));
    board.preset("B111.5", (timing >> 1) & 1);
    board.preset("B111.7", screw);
    board.preset("B120", eyes & 0xFF);
    for (int b = 0; b < 4; ++b) board.preset("B121." + std::to_string(b), (eyes >> (8 + b)) & 1);

    board.preset("F130", jammed);
    const std::int64_t cpm = board.peek("W182");
    board.preset("W162", std::min<std::int64_t>(cpm * 4095 / 1500, 4095));
    board.preset("W164", 2000 + pos % 64);
    board.preset("B166", std::min<std::int64_t>(cpm * 255 / 1500, 255));
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

    moveInputs(*this, *pls_, stoppedFor_ <= 0, stoppedFor_ > 0);

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
