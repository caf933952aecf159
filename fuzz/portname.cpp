// Port names as typed (voran-cli --port, the device box), the lines of
// Support/PortMap.cfg, and the Telnet stream of an RFC 2217 server.
// Invariants:
// - a text is either a port name or refused with a reason;
// - a name written back (text()) reads as the same name;
// - a mapping written back reads as the same mapping;
// - any bytes sent as data (0xFF doubled) come back out of the decoder as
//   exactly those bytes and nothing else;
// - the decoder takes any stream without keeping more than a short
//   subnegotiation.
#include <cstdint>
#include <string>
#include <vector>

#include "Harness.h"
#include "platform/PortMap.h"
#include "platform/PortName.h"
#include "platform/Rfc2217.h"

using namespace voran;
using voran::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 512) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);

    const PortNameParse parsed = ParsePortName(text);
    Check(parsed.name.has_value() != !parsed.error.empty(),
          "\"" + text + "\" is neither a name nor refused with a reason");
    if (parsed.name) {
        const PortNameParse again = ParsePortName(parsed.name->text());
        Check(again.name == parsed.name,
              "\"" + text + "\" written back as \"" + parsed.name->text() + "\" reads otherwise");
    }

    const auto map = ParsePortMap(text);
    Check(ParsePortMap(FormatPortMap(map)) == map,
          "the mapping read from \"" + text + "\" reads otherwise written back");

    std::vector<std::uint8_t> stream, back;
    for (std::size_t i = 0; i < size; ++i) rfc2217::AppendData(stream, data[i]);
    rfc2217::Decoder d;
    bool other = false;
    d.data = [&](std::uint8_t b) { back.push_back(b); };
    d.negotiation = [&](std::uint8_t, std::uint8_t) { other = true; };
    d.subnegotiation = [&](const std::vector<std::uint8_t>&) { other = true; };
    for (std::uint8_t b : stream) d.feed(b);
    Check(!other && back == std::vector<std::uint8_t>(data, data + size),
          "data bytes did not come back through the Telnet layer as sent");

    rfc2217::Decoder raw;
    raw.subnegotiation = [&](const std::vector<std::uint8_t>& sub) {
        Check(sub.size() <= 64,
              "a subnegotiation of " + std::to_string(sub.size()) + " bytes kept");
    };
    for (std::size_t i = 0; i < size; ++i) raw.feed(data[i]);
    return 0;
}
