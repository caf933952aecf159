#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "link/ReadingListener.h"

namespace voran {

// What the link read lately, byte by byte of the board's memory, with the
// clock time of each read. One per link (RSComm::setReadingListener), so
// that a reader that is content with a recent value (the production history)
// takes what an open window or the alarm poll has just read instead of
// asking the board again. Only reads that succeeded are kept; a byte that a
// write may have changed is forgotten, and a link fault, the port closed or
// opened and raw command bytes forget everything: a failed read is never a
// value, and a value from before a fault is not trusted after it.
class RecentReadings : public IReadingListener {
public:
    void bytesRead(std::uint32_t address, const std::uint8_t* bytes, int count,
                   double time) override;
    void bytesWritten(std::uint32_t address, int count) override;
    void readingsVoid() override { bytes_.clear(); }

    // The value of an item (any address the link reads: "D1100", "W182",
    // "B111.4") composed from bytes read no earlier than `maxAge` seconds
    // before `now`; nothing when one of its bytes is missing or older.
    std::optional<std::int64_t> value(const std::string& address, double now, double maxAge) const;
    bool empty() const { return bytes_.empty(); }

private:
    struct Reading {
        std::uint8_t value;
        double time;
    };
    std::unordered_map<std::uint32_t, Reading> bytes_;
};

}  // namespace voran
