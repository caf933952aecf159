#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace voran::cli {

// The pieces of the --json outputs: one object a line, keys in a fixed
// order, numbers as numbers.

// A JSON string: quoted, with quotes, backslashes and control characters
// escaped; other bytes pass as they are.
inline std::string JsonString(const std::string& text) {
    std::string s = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (c == '\n') {
            s += "\\n";
        } else if (c == '\r') {
            s += "\\r";
        } else if (c == '\t') {
            s += "\\t";
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            s += escaped;
        } else {
            s += c;
        }
    }
    return s + "\"";
}

// "key":value, value given as JSON text already.
inline std::string JsonMember(const std::string& key, const std::string& value) {
    return JsonString(key) + ":" + value;
}

inline std::string JsonNumber(std::int64_t n) {
    return std::to_string(n);
}

}  // namespace voran::cli
