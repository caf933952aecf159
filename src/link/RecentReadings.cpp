#include "link/RecentReadings.h"

#include "link/AddressCodec.h"

namespace voran {

void RecentReadings::bytesRead(std::uint32_t address, const std::uint8_t* bytes, int count,
                               double time) {
    for (int k = 0; k < count; ++k) bytes_[address + k] = {bytes[k], time};
}

void RecentReadings::bytesWritten(std::uint32_t address, int count) {
    for (int k = 0; k < count; ++k) bytes_.erase(address + k);
}

std::optional<std::int64_t> RecentReadings::value(const std::string& address, double now,
                                                  double maxAge) const {
    const DecodedAddress a = DecodeAddress(address);
    std::uint8_t data[4] = {0, 0, 0, 0};
    for (int k = 0; k < a.byteCount(); ++k) {
        const auto it = bytes_.find(a.byteAddress + k);
        if (it == bytes_.end() || it->second.time < now - maxAge) return std::nullopt;
        data[k] = it->second.value;
    }
    return ComposeValue(a, data);
}

}  // namespace voran
