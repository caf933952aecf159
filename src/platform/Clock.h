#pragma once

namespace voran {

// A local calendar date and time, as the operator's wall clock shows it.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const DateTime&) const = default;
};

// All waiting goes through one clock: monotonic seconds for deadlines, the
// local date and time for stamps and displays, and short pauses.
class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic seconds since an arbitrary start; never jumps at midnight.
    virtual double now() const = 0;
    virtual DateTime localDateTime() const = 0;
    virtual void pause(double seconds) = 0;
};

// The real clock (steady clock and the system's local time).
class SystemClock : public IClock {
public:
    double now() const override;
    DateTime localDateTime() const override;
    void pause(double seconds) override;
};

// A clock that moves only when told to. Simulated ports advance it while
// they are asked to wait, so a 5 s time-out costs no real time.
class ManualClock : public IClock {
public:
    double now() const override { return now_; }
    DateTime localDateTime() const override { return local_; }
    void pause(double seconds) override { advance(seconds); }

    void advance(double seconds) {
        if (seconds > 0) now_ += seconds;
    }
    void advanceTo(double t) {
        if (t > now_) now_ = t;
    }
    void setLocalDateTime(const DateTime& dt) { local_ = dt; }

private:
    double now_ = 1000.0;
    DateTime local_{2026, 3, 14, 9, 26, 53, 0};
};

}  // namespace voran
