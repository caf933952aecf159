#include "SimRtc.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace voran::sim {

namespace {

using namespace std::chrono;

constexpr std::array<int, 6> kItems = {SimRtc::kSecond, SimRtc::kMinute, SimRtc::kHour,
                                       SimRtc::kDay,    SimRtc::kMonth,  SimRtc::kYear};

std::int64_t toSeconds(const SimRtc::Calendar& c) {
    const year_month_day d{year{c.year}, month{static_cast<unsigned>(c.month)},
                           day{static_cast<unsigned>(c.day)}};
    const sys_days days =
        d.ok() ? sys_days(d) : sys_days(year_month_day{year{c.year}, month{1}, day{1}});
    const sys_days epoch = sys_days(year{2000} / January / 1);
    return (days - epoch).count() * 86400LL + c.hour * 3600LL + c.minute * 60LL + c.second;
}

SimRtc::Calendar fromSeconds(std::int64_t s) {
    const sys_days epoch = sys_days(year{2000} / January / 1);
    std::int64_t daysSince = s / 86400;
    std::int64_t rest = s % 86400;
    if (rest < 0) {
        rest += 86400;
        --daysSince;
    }
    const year_month_day d{epoch + days{daysSince}};
    SimRtc::Calendar c;
    c.year = static_cast<int>(d.year());
    c.month = static_cast<int>(static_cast<unsigned>(d.month()));
    c.day = static_cast<int>(static_cast<unsigned>(d.day()));
    c.hour = static_cast<int>(rest / 3600);
    c.minute = static_cast<int>(rest / 60 % 60);
    c.second = static_cast<int>(rest % 60);
    return c;
}

}  // namespace

void SimRtc::start(const Calendar& at, double time) {
    running_ = true;
    base_ = toSeconds(at);
    origin_ = time;
    shown_.fill(0xFF);  // nothing shown yet: the first sync writes every byte
}

SimRtc::Calendar SimRtc::at(double time) const {
    return fromSeconds(base_ + static_cast<std::int64_t>(std::floor(time - origin_)));
}

void SimRtc::sync(std::array<std::uint8_t, 65536>& memory, double time) {
    if (!running_) return;
    Calendar now = at(time);
    // A byte that no longer holds what the clock last showed was written by
    // the PC: that field is set from it, held to what a clock can show; the
    // other fields go on from the running time.
    bool set = false;
    auto take = [&](std::size_t i, int& field, int lo, int hi, int offset) {
        if (shown_[i] == 0xFF || memory[kItems[i]] == shown_[i]) return;
        field = offset + std::clamp<int>(memory[kItems[i]], lo, hi);
        set = true;
    };
    take(0, now.second, 0, 59, 0);
    take(1, now.minute, 0, 59, 0);
    take(2, now.hour, 0, 23, 0);
    take(3, now.day, 1, 31, 0);
    take(4, now.month, 1, 12, 0);
    take(5, now.year, 0, 99, 2000);
    if (set) {
        const year_month_day d{year{now.year}, month{static_cast<unsigned>(now.month)},
                               day{static_cast<unsigned>(now.day)}};
        if (!d.ok())
            now.day = static_cast<int>(static_cast<unsigned>(year_month_day_last{
                year{now.year}, month_day_last{month{static_cast<unsigned>(
                                    now.month)}}}.day()));
        base_ = toSeconds(now);
        origin_ = time;
    }
    show(memory, now);
}

void SimRtc::show(std::array<std::uint8_t, 65536>& memory, const Calendar& c) {
    const std::array<int, 6> values = {c.second, c.minute, c.hour, c.day, c.month, c.year % 100};
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        memory[kItems[i]] = static_cast<std::uint8_t>(values[i]);
        shown_[i] = static_cast<std::uint8_t>(values[i]);
    }
}

}  // namespace voran::sim
