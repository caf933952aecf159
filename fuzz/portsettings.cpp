// The text of Support/RSPort.cfg. Invariants:
// - whatever the text, the settings are a port of 1 .. 99 and a speed of
//   9600 or 19200;
// - only the first line counts: what follows it changes nothing;
// - the line written back for any settings read gives the same settings,
//   neither empty nor garbled, so a rewritten file is read as it was meant;
// - the link opening with the text as its Support/RSPort.cfg takes the
//   settings of its first line, and the file it leaves behind gives the same
//   settings the next time without being rewritten again.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <algorithm>

#include "Harness.h"
#include "link/PortSettingsFile.h"
#include "platform/FileRead.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

std::string show(const PortSettings& s) {
    return std::to_string(s.port) + "," + std::to_string(s.speed);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Opens the link on the simulated board with the program folder `folder`
// and gives the settings it took.
PortSettings openWith(const std::string& folder) {
    ManualClock clock;
    testing::FakeMessageBox messages;
    sim::SimBoard board;
    sim::SimPort port(board, clock);
    RSComm link(clock, messages, folder);
    link.OpenRSComm(port);
    Check(messages.shown.empty(), "opening the link with a settings file showed a box");
    return link.settings();
}

void checkFile(const std::string& text, const PortSettings& firstLine) {
    static const std::string folder = fuzz::ProgramFolder() + "/cfg";
    static const std::string file = folder + "/Support/RSPort.cfg";
    std::filesystem::create_directories(folder + "/Support");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    const PortSettings taken = openWith(folder);
    Check(taken == firstLine, "the link took " + show(taken) + " from a file saying \"" + text +
                                  "\"; its first line says " + show(firstLine));
    const std::string left = readFile(file);
    const PortSettings again = openWith(folder);
    Check(again == taken && readFile(file) == left, "the settings file left for \"" + text +
                                                        "\" reads as " + show(again) +
                                                        " or is rewritten again");
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
    // (A first line of hundreds of bytes is cut where the link stops reading.)
    if (std::min(newline, text.size()) < 200)
        checkFile(text, ParsePortSettingsText(std::string(WithoutByteOrderMark(
                                                  std::string_view(text).substr(0, newline))))
                            .settings);
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
