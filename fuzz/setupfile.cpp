// The .sdt reader (DecodeSetupData). Invariants:
// - a refused file leaves the record it was to fill exactly as it was;
// - an accepted record encodes to the very bytes it was read from (the format
//   has one way to write each record), and those decode to the same record.
#include <cstdint>
#include <string>
#include <string_view>

#include "Harness.h"
#include "data/SetupFile.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

// A record unlike anything a file gives, to see whether a refusal touched it.
SetupData Marker() {
    SetupData d;
    d.Version = "marker";
    d.Stamp = 12345.5;
    d.Address.assign(3, "Q9");
    d.Value.assign(5, -7);
    d.ChannelCount = -1;
    d.ScaleFactor = -2;
    d.ResolverOffset = -3;
    d.PLSProgram = -4;
    d.SpeedComp.fill(-5);
    for (auto& sp : d.Setpoint) sp = {-6, -8};
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const SetupData marker = Marker();
    SetupData out = marker;
    const SetupFileResult res = DecodeSetupData(bytes, out);
    if (!res) {
        Check(!res.error.empty(), "a refused file without a reason");
        Check(out == marker, "a refused file (" + res.error + ") changed the record");
        return 0;
    }
    std::string encoded;
    Check(static_cast<bool>(EncodeSetupData(out, encoded)), "an accepted record cannot be written");
    Check(encoded.size() <= size && bytes.substr(0, encoded.size()) == encoded,
          "an accepted record is written back with other bytes");
    SetupData again = marker;
    Check(static_cast<bool>(DecodeSetupData(encoded, again)) && again == out,
          "a written record reads back as another");
    return 0;
}
