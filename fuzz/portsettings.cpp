// The text of Support/RSPort.cfg. Invariants:
// - whatever the text, the settings are a port of 1 .. 99 and a speed of
//   9600 or 19200;
// - only the first line counts: what follows it changes nothing;
// - the line written back for any settings read gives the same settings,
//   neither empty nor garbled, so a rewritten file is read as it was meant.
#include <cstdint>
#include <string>

#include "Harness.h"
#include "link/PortSettingsFile.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

std::string show(const PortSettings& s) {
    return std::to_string(s.port) + "," + std::to_string(s.speed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 256) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const PortSettingsText parsed = ParsePortSettingsText(text);
    const PortSettings& s = parsed.settings;
    Check(s.port >= 1 && s.port <= 99, "port " + std::to_string(s.port) + " from \"" + text + "\"");
    Check(s.speed == 9600 || s.speed == 19200,
          "speed " + std::to_string(s.speed) + " from \"" + text + "\"");

    const std::size_t newline = text.find('\n');
    if (newline != std::string::npos) {
        const PortSettingsText first = ParsePortSettingsText(text.substr(0, newline + 1));
        Check(first.settings == s &&
                  (first.empty || first.garbled) == (parsed.empty || parsed.garbled),
              "the lines after the first of \"" + text + "\" changed what it says");
    }

    const std::string line = FormatPortSettingsText(s);
    const PortSettingsText again = ParsePortSettingsText(line + "\n");
    Check(again.settings == s && !again.empty && !again.garbled,
          "\"" + line + "\" written for \"" + text + "\" reads back as " + show(again.settings));
    return 0;
}
