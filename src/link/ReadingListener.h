#pragma once

#include <cstdint>

namespace voran {

// Told what the board's memory held when the link last read it: the data
// bytes of every item read that succeeded, the bytes a write is about to
// change, and the moments from which nothing read before can be trusted (a
// link fault, the port opened or closed, raw bytes of another command sent).
// Called on the link's own thread inside its transactions: a listener keeps
// its work short and never uses the link.
class IReadingListener {
public:
    virtual ~IReadingListener() = default;
    // `count` bytes from `address` read whole and answered in order, at
    // clock time `time`.
    virtual void bytesRead(std::uint32_t address, const std::uint8_t* bytes, int count,
                           double time) = 0;
    // A write to `count` bytes from `address` is about to go out (whether it
    // lands or not).
    virtual void bytesWritten(std::uint32_t address, int count) = 0;
    // Nothing read so far is to be trusted any more.
    virtual void readingsVoid() = 0;
};

}  // namespace voran
