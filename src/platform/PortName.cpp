#include "platform/PortName.h"
#include "number/NumberText.h"

#include <algorithm>
#include <cctype>

namespace voran {

namespace {

const char* const kExpected =
    "expected a COM port number 1 to 99 (3 or COM3), a device path such as /dev/ttyUSB0, "
    "socket://HOST:PORT or rfc2217://HOST:PORT";

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Digits only, at most six of them.
std::optional<int> whole(const std::string& s) {
    const auto v = DigitsValue(s, 6);
    if (!v) return std::nullopt;
    return static_cast<int>(*v);
}

PortNameParse refused(const std::string& text, const std::string& why) {
    return {std::nullopt, "\"" + text + "\" is not a port: " + why + "."};
}

bool hostChar(unsigned char c) {
    return std::isalnum(c) || c == '.' || c == '-' || c == '_';
}

PortNameParse network(const std::string& text, PortName::Kind kind, const std::string& rest) {
    const std::string scheme = kind == PortName::Kind::RawTcp ? "socket://" : "rfc2217://";
    const std::string form = scheme + "HOST:PORT";
    std::string host;
    std::string after;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return refused(text, "the [ of an IPv6 address is not closed");
        host = rest.substr(1, close - 1);
        after = rest.substr(close + 1);
        const bool ipv6 =
            !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
                return std::isxdigit(c) || c == ':' || c == '.';
            });
        if (!ipv6) return refused(text, "\"" + host + "\" is not an IPv6 address");
        if (after.empty() || after[0] != ':') return refused(text, "no port number: " + form);
        after = after.substr(1);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string::npos) return refused(text, "no port number: " + form);
        host = rest.substr(0, colon);
        after = rest.substr(colon + 1);
        if (host.empty()) return refused(text, "no host: " + form);
        if (!std::all_of(host.begin(), host.end(), hostChar))
            return refused(text, "\"" + host +
                                     "\" is not a host name or address (an IPv6 address goes "
                                     "in brackets: " +
                                     scheme + "[::1]:PORT)");
    }
    // The number runs to the end: options after it are not taken.
    const std::size_t digits = static_cast<std::size_t>(
        std::find_if(after.begin(), after.end(), [](unsigned char c) { return !std::isdigit(c); }) -
        after.begin());
    if (digits == 0) return refused(text, "no port number: " + form);
    if (digits < after.size())
        return refused(text,
                       "nothing may follow the port number (\"" + after.substr(digits) + "\")");
    const std::optional<int> port = whole(after);
    if (!port || *port < 1 || *port > 65535)
        return refused(text, "the TCP port " + after + " is outside 1 to 65535");
    PortName n;
    n.kind = kind;
    n.host = host;
    n.tcpPort = *port;
    return {n, {}};
}

}  // namespace

std::string PortName::text() const {
    switch (kind) {
        case Kind::Number:
            return "COM" + std::to_string(number);
        case Kind::Device:
            return device;
        case Kind::RawTcp:
        case Kind::Rfc2217: {
            const std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
            return (kind == Kind::RawTcp ? "socket://" : "rfc2217://") + h + ":" +
                   std::to_string(tcpPort);
        }
    }
    return {};
}

PortNameParse ParsePortName(const std::string& raw) {
    const std::string text = trimmed(raw);
    if (text.empty()) return {std::nullopt, "No port given: " + std::string(kExpected) + "."};

    std::string digits = text;
    if (lower(text).rfind("com", 0) == 0 && AllDigits(text.substr(3))) digits = text.substr(3);
    if (AllDigits(digits)) {
        const std::optional<int> n = whole(digits);
        if (!n || *n < kPortNumberMin || *n > kPortNumberMax)
            return refused(text, "COM port numbers run from 1 to 99");
        PortName p;
        p.number = *n;
        return {p, {}};
    }

    const std::size_t sep = text.find("://");
    if (sep != std::string::npos) {
        const std::string scheme = lower(text.substr(0, sep));
        const std::string rest = text.substr(sep + 3);
        if (scheme == "socket") return network(text, PortName::Kind::RawTcp, rest);
        if (scheme == "rfc2217") return network(text, PortName::Kind::Rfc2217, rest);
        return refused(text, "\"" + scheme + "://\" is not a kind of port here; " + kExpected);
    }

    if (text[0] == '/') {
        if (text.back() == '/') return refused(text, "a folder is not a serial device");
        PortName p;
        p.kind = PortName::Kind::Device;
        p.device = text;
        return {p, {}};
    }
    return refused(text, kExpected);
}

}  // namespace voran
