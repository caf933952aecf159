#include "SimLossBurst.h"

#include <cctype>
#include <cstdlib>

namespace voran::sim {

namespace {

bool digitsOnly(const std::string& s) {
    if (s.empty() || s.size() > 12) return false;
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}

}  // namespace

bool SimLossBurst::parse(const std::string& text) {
    SimLossBurst b;
    std::size_t pos = 0;
    bool first = true;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        const std::string part = text.substr(pos, comma - pos);
        pos = comma + 1;
        if (first) {
            first = false;
            if (!digitsOnly(part)) return false;
            b.count = std::atoi(part.c_str());
            if (b.count < 1 || b.count > 100000) return false;
            continue;
        }
        const std::size_t eq = part.find('=');
        if (eq == std::string::npos) return false;
        const std::string key = part.substr(0, eq), value = part.substr(eq + 1);
        if (key == "after" && digitsOnly(value)) {
            b.skip = std::atoll(value.c_str());
        } else if (key == "times" && digitsOnly(value)) {
            b.times = std::atoi(value.c_str());
        } else if (key == "at" && !value.empty() && value.size() % 2 == 0 && value.size() <= 16) {
            b.match.clear();
            for (std::size_t i = 0; i < value.size(); i += 2) {
                const std::string pair = value.substr(i, 2);
                if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
                    !std::isxdigit(static_cast<unsigned char>(pair[1])))
                    return false;
                b.match.push_back(
                    static_cast<std::uint8_t>(std::strtol(pair.c_str(), nullptr, 16)));
            }
        } else {
            return false;
        }
    }
    *this = b;
    return true;
}

bool SimLossBurst::lose(std::uint8_t byte) {
    ++heard_;
    if (losing_ > 0) {
        --losing_;
        return true;
    }
    if (!armed() || heard_ <= skip) return false;
    if (!match.empty()) {
        // The bytes to match in a row; a byte that breaks the run may start
        // it again.
        if (byte == match[matched_]) {
            ++matched_;
        } else {
            matched_ = byte == match[0] ? 1 : 0;
        }
        if (matched_ < match.size()) return false;
        matched_ = 0;
        losing_ = count;
        ++bursts_;
        return false;
    }
    // No bytes to match: the burst begins with this byte.
    ++bursts_;
    losing_ = count - 1;
    return true;
}

}  // namespace voran::sim
