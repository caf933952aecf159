#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voran::sim {

// Bytes from the PC lost in a burst at a chosen moment, so that a fault can
// be aimed at one exchange (a configuration or ident write, say) rather than
// spread over the line. Once `skip` bytes have gone by, and then (when
// `match` is not empty) right after the PC has sent the bytes of `match` in a
// row, the next `count` bytes are lost. `times` bursts are lost that way
// (0: one after every match, for as long as the line runs).
class SimLossBurst {
public:
    long long skip = 0;
    std::vector<std::uint8_t> match;
    int count = 0;
    int times = 1;

    // Reads "N[,after=K][,at=HEX][,times=R]" (HEX: the bytes to match as
    // hexadecimal digits, "1FFC"). False, and nothing changed, on a bad text.
    bool parse(const std::string& text);
    // One byte from the PC: true when it is lost.
    bool lose(std::uint8_t byte);
    // Bursts lost so far.
    int bursts() const { return bursts_; }
    bool armed() const { return count > 0 && (times == 0 || bursts_ < times); }

private:
    long long heard_ = 0;
    int losing_ = 0;
    std::size_t matched_ = 0;
    int bursts_ = 0;
};

}  // namespace voran::sim
