#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/AddressCodec.h"

namespace voran::testing {

// One data byte the PC read or wrote.
struct WireAccess {
    bool write;
    int address;  // byte address
    int value;    // the byte written; 0 for a read
    bool operator==(const WireAccess&) const = default;
};

// Decodes the bytes the PC sent: 0xFF and a command code open a command (1:
// read, 2: write); then each read sends an address pair and each write an
// address pair and its data byte. `mode` is the command already open when
// the trace started (0: none).
inline std::vector<WireAccess> DecodeSent(const std::vector<std::uint8_t>& sent, int mode = 0) {
    std::vector<WireAccess> out;
    std::vector<int> frame;
    bool code = false;
    for (const int b : sent) {
        if (code) {
            code = b == 0xFF;  // a repeated attention byte still waits for the code
            mode = code ? mode : b;
        } else if (frame.empty() && b == 0xFF) {
            code = true;
        } else if (mode == 1 || mode == 2) {
            frame.push_back(b);
            if (frame.size() == (mode == 1 ? 2u : 3u)) {
                out.push_back({mode == 2, frame[0] * 256 + frame[1], mode == 2 ? frame[2] : 0});
                frame.clear();
            }
        }
    }
    return out;
}

// The byte addresses the PC asked to read, in order.
inline std::vector<int> ReadAddresses(const std::vector<std::uint8_t>& sent, int mode = 0) {
    std::vector<int> out;
    for (const WireAccess& a : DecodeSent(sent, mode))
        if (!a.write) out.push_back(a.address);
    return out;
}

// The byte addresses that reading `items` in order asks for.
inline std::vector<int> ByteAddressesOf(const std::vector<std::string>& items) {
    std::vector<int> out;
    for (const std::string& item : items) {
        const DecodedAddress a = DecodeAddress(item);
        for (int k = 0; k < a.byteCount(); ++k) out.push_back(a.byteAddress + k);
    }
    return out;
}

}  // namespace voran::testing
