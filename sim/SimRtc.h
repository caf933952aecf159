#pragma once

#include <array>
#include <cstdint>

namespace voran::sim {

// The real-time clock of the boards that have one (the N-24 CO-CPU, the
// J-700 display), seen in board memory as six bytes: second B43008, minute
// B43010, hour B43012, day B43015, month B43016, year of the century
// B43017. The clock runs from the time it was set; a value the PC writes
// into one of its bytes sets the clock from there on.
class SimRtc {
public:
    static constexpr int kSecond = 43008;
    static constexpr int kMinute = 43010;
    static constexpr int kHour = 43012;
    static constexpr int kDay = 43015;
    static constexpr int kMonth = 43016;
    static constexpr int kYear = 43017;

    struct Calendar {
        int year = 2026;  // four digits
        int month = 1;
        int day = 1;
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    // Starts the clock at `at` when the board's time is `time` (seconds).
    void start(const Calendar& at, double time);
    bool running() const { return running_; }
    // The calendar at board time `time`.
    Calendar at(double time) const;

    // Brings the clock's bytes in `memory` up to board time `time`, first
    // taking any byte the PC changed since the last call as a setting.
    void sync(std::array<std::uint8_t, 65536>& memory, double time);

private:
    void show(std::array<std::uint8_t, 65536>& memory, const Calendar& c);

    bool running_ = false;
    // Seconds since 1 January 2000, 00:00:00 at board time origin_.
    std::int64_t base_ = 0;
    double origin_ = 0;
    std::array<std::uint8_t, 6> shown_{};
};

}  // namespace voran::sim
