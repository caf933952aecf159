#include "link/PortSettingsFile.h"

#include <algorithm>
#include <cctype>

#include "number/NumberText.h"

namespace voran {

namespace {
std::string trimmed(const std::string& s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}
}  // namespace

PortSettingsText ParsePortSettingsText(const std::string& content) {
    PortSettingsText r;
    if (trimmed(content).empty()) {
        r.empty = true;
        return r;
    }
    const std::string line = trimmed(content.substr(0, content.find('\n')));
    const std::size_t comma = line.find(',');
    const std::string portText = trimmed(line.substr(0, comma));

    if (!IsWholeNumber(portText)) r.garbled = true;
    const bool startsNumeric =
        !portText.empty() && (std::isdigit(static_cast<unsigned char>(portText[0])) ||
                              ((portText[0] == '-' || portText[0] == '+') && portText.size() > 1 &&
                               std::isdigit(static_cast<unsigned char>(portText[1]))));
    if (startsNumeric)
        r.settings.port =
            static_cast<int>(std::clamp<std::int64_t>(LeadingInteger(portText), 1, 99));

    if (comma == std::string::npos) {
        r.garbled = true;
        return r;
    }
    const std::string speedText = trimmed(line.substr(comma + 1));
    if (!IsWholeNumber(speedText)) {
        r.garbled = true;
        return r;
    }
    const std::int64_t speed = LeadingInteger(speedText);
    if (speed == 19200) r.settings.speed = 19200;
    return r;
}

std::string FormatPortSettingsText(const PortSettings& s) {
    return std::to_string(s.port) + "," + std::to_string(s.speed);
}

}  // namespace voran
