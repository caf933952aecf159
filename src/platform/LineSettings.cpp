#include "platform/LineSettings.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "number/NumberText.h"

namespace voran {

namespace {

// Digits only, at most six of them.
std::optional<int> number(const std::string& s) {
    const auto v = DigitsValue(s, 6);
    if (!v) return std::nullopt;
    return static_cast<int>(*v);
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        part.erase(std::remove_if(part.begin(), part.end(),
                                  [](unsigned char c) { return std::isspace(c); }),
                   part.end());
        parts.push_back(part);
    }
    if (parts.size() != 4) return std::nullopt;

    LineSettings s;
    const auto speed = number(parts[0]);
    const auto bits = number(parts[2]);
    const auto stops = number(parts[3]);
    if (!speed || !bits || !stops || parts[1].size() != 1) return std::nullopt;
    static const int kSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    if (std::find(std::begin(kSpeeds), std::end(kSpeeds), *speed) == std::end(kSpeeds))
        return std::nullopt;
    s.speed = *speed;
    s.parity = static_cast<char>(std::tolower(static_cast<unsigned char>(parts[1][0])));
    if (s.parity != 'n' && s.parity != 'e' && s.parity != 'o') return std::nullopt;
    if (*bits != 7 && *bits != 8) return std::nullopt;
    if (*stops != 1 && *stops != 2) return std::nullopt;
    s.dataBits = *bits;
    s.stopBits = *stops;
    return s;
}

}  // namespace voran
