// read and write: data items by their address texts.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <ostream>

#include "CliCommands.h"
#include "Interrupt.h"
#include "Json.h"
#include "data/ItemTable.h"
#include "number/NumberText.h"
#include "platform/Clock.h"

namespace voran::cli {

namespace {

// The link reads any text as some address ("X30" becomes byte 32); on the
// command line only the real forms are taken, and only inside memory.
bool isItemAddress(const std::string& a) {
    if (a.size() < 2) return false;
    const char last = a.back();
    if (last == 'H' || last == 'h') {
        for (std::size_t i = 0; i + 1 < a.size(); ++i)
            if (!std::isxdigit(static_cast<unsigned char>(a[i]))) return false;
    } else if (a.find('.') != std::string::npos) {
        const std::size_t dot = a.size() - 2;
        if (!std::isalpha(static_cast<unsigned char>(a[0])) || a[dot] != '.' ||
            !AllDigits(a.substr(1, dot - 1)) || !AllDigits(a.substr(dot + 1)))
            return false;
    } else {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(a[0])));
        if (std::string("BWDF").find(letter) == std::string::npos || !AllDigits(a.substr(1)))
            return false;
    }
    const DecodedAddress d = DecodeAddress(a);
    return d.byteAddress <= 65535u && d.byteAddress + d.byteCount() - 1 <= 65535u;
}

// FF00H to FFFFH cannot be addressed: the board takes a high address byte of
// 0xFF at the start of a pair or triple as attention.
bool inAttentionPage(const std::string& a) {
    const DecodedAddress d = DecodeAddress(a);
    return d.byteAddress + d.byteCount() - 1 >= 0xFF00u;
}

bool checkAddress(Context& ctx, const std::string& a) {
    if (isItemAddress(a) && inAttentionPage(a)) {
        ctx.err << "voran-cli: " << a
                << " lies in FF00H-FFFFH, which the link cannot address (the board takes a "
                   "high address byte of FF as attention)\n";
        return false;
    }
    if (isItemAddress(a)) return true;
    ctx.err << "voran-cli: not a data-item address: " << a
            << " (B8176, W182, D1100, B1044.1, F135, 1FF0H)\n";
    return false;
}

// What `read` was asked for besides the addresses.
struct ReadRequest {
    std::vector<std::string> addresses;
    bool json = false;
    double every = 0;  // seconds between rounds; 0: one round
    long count = 0;    // rounds with --every; 0: until Ctrl+C
};

// A positive decimal number of seconds ("2", "0.5"), at most a day.
std::optional<double> seconds(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(v >= 0.05 && v <= 86400)) return std::nullopt;
    return v;
}

std::optional<long> rounds(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < 1) return std::nullopt;
    return v;
}

std::optional<ReadRequest> readRequest(Context& ctx, const std::vector<std::string>& args) {
    ReadRequest r;
    bool counted = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            r.json = true;
        } else if (a == "--every" || a == "--count") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            const auto every = a == "--every" ? seconds(value) : std::nullopt;
            const auto count = a == "--count" ? rounds(value) : std::nullopt;
            if (every) {
                r.every = *every;
            } else if (count) {
                r.count = *count;
                counted = true;
            } else {
                ctx.err << "voran-cli: " << a
                        << (a == "--every" ? " takes seconds from 0.05 to 86400\n"
                                           : " takes a number of rounds from 1\n");
                return std::nullopt;
            }
        } else {
            r.addresses.push_back(a);
        }
    }
    if (counted && r.every == 0) {
        ctx.err << "voran-cli: --count goes with --every\n";
        return std::nullopt;
    }
    if (r.addresses.empty()) {
        ctx.err << "voran-cli: read needs at least one address\n";
        return std::nullopt;
    }
    for (const std::string& a : r.addresses)
        if (!checkAddress(ctx, a)) return std::nullopt;
    return r;
}

// The values the board gave, as whole numbers; nothing when a read failed.
std::optional<std::vector<long long>> readRound(Context& ctx, const ReadRequest& r) {
    std::vector<long long> values;
    for (const std::string& a : r.addresses) {
        const std::string text =
            InTransaction(ctx.link, [&](RSComm::Transaction& t) { return t.read(a); });
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0') {
            ctx.err << "voran-cli: reading " << a << " failed\n";
            return std::nullopt;
        }
        values.push_back(value);
    }
    return values;
}

// "2026-12-07T14:03:27" in local time.
std::string timeStamp(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

// One round as the request wants it: a value a line; with --every one line
// "TIME v1 v2 ..."; with --json one object {"time":...,"values":{ADDR:v,...}}
// ("time" only with --every).
void printRound(Context& ctx, const ReadRequest& r, const std::vector<long long>& values,
                const std::string& stamp) {
    if (r.json) {
        std::string members;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!members.empty()) members += ",";
            members += JsonMember(r.addresses[i], JsonNumber(values[i]));
        }
        ctx.out << "{";
        if (r.every > 0) ctx.out << JsonMember("time", JsonString(stamp)) << ",";
        ctx.out << JsonMember("values", "{" + members + "}") << "}\n";
    } else if (r.every > 0) {
        ctx.out << stamp;
        for (const long long v : values) ctx.out << " " << v;
        ctx.out << "\n";
    } else {
        for (const long long v : values) ctx.out << v << "\n";
    }
    ctx.out << std::flush;
}

int readItems(Context& ctx, const std::vector<std::string>& args) {
    const std::optional<ReadRequest> r = readRequest(ctx, args);
    if (!r) return kUsage;
    if (!ctx.open()) return kFailed;
    SystemClock clock;
    // The rounds keep to their times (start + k * every), whatever a round
    // took; a round later than its time starts at once.
    InterruptCancels interrupt;
    const double start = clock.now();
    for (long round = 0; r->count == 0 || round < r->count; ++round) {
        if (round > 0) {
            const double due = start + round * r->every;
            while (!InterruptCancels::requested() && clock.now() < due)
                clock.pause(std::min(0.1, due - clock.now()));
        }
        if (InterruptCancels::requested()) break;
        const std::string stamp = timeStamp(clock.localDateTime());
        const auto values = readRound(ctx, *r);
        if (!values) return kFailed;
        printRound(ctx, *r, *values, stamp);
        if (r->every == 0) break;
    }
    return kOk;
}

// A set-up item takes only what the set-up window would let the operator
// enter; the message is the window's. True when the value may be written.
bool withinSetUpRange(Context& ctx, const std::string& address, const std::string& value) {
    const int item = items::ItemOfAddress(address);
    const auto limits = items::EntryRange(item);
    if (!limits) return true;
    // The value checked is the one the link would send; a text the link
    // refuses anyway is left to its own message.
    const EntryCheck v = ParseEntryText(value);
    if (!v.ok || (v.value >= limits->minimum && v.value <= limits->maximum)) return true;
    ctx.err << "voran-cli: " << items::EntryRangeMessage(limits->minimum, limits->maximum)
            << " (item " << item << " " << items::ItemAddress(item) << ", "
            << items::ItemCaption(item) << "; --force writes it anyway)\n";
    return false;
}

int writeItem(Context& ctx, const std::vector<std::string>& rawArgs) {
    bool force = false;
    const std::vector<std::string> args = TakeFlags(rawArgs, {{"--force", &force}});
    if (args.size() != 2) {
        ctx.err << "voran-cli: write needs an address and a value\n";
        return kUsage;
    }
    if (!checkAddress(ctx, args[0])) return kUsage;
    if (!force && !withinSetUpRange(ctx, args[0], args[1])) return kFailed;
    if (!ctx.open()) return kFailed;
    if (!ctx.link.RSWrite(args[0], args[1])) {
        // A refusal or a link fault has said why in its box; an echo fault
        // has no box.
        if (ctx.link.echoMismatch())
            ctx.err << "voran-cli: the board did not echo the write of " << args[0] << "\n";
        return kFailed;
    }
    return kOk;
}

const Register readCommand{
    {"read", "read [--json] [--every S [--count N]] ADDR...",
     "print the value of each item, one per line", &readItems,
     "  ADDR           B8176 (byte), W182 (word), D1100 (double word), B1044.1 (bit),\n"
     "                 F135 (flag), 1FF0H (byte by its hexadecimal address)\n"
     "  --json         one JSON object: {\"values\":{\"ADDR\":N,...}}\n"
     "  --every S      read again every S seconds, one line a round: the local time\n"
     "                 (2026-12-07T14:03:27) and the values; with --json one object a\n"
     "                 line with \"time\" before \"values\". Ctrl+C ends it (exit 0)\n"
     "  --count N      stop after N rounds\n"}};
const Register writeCommand{
    {"write", "write [--force] ADDR VALUE",
     "write VALUE to the item ADDR (a set-up item only within the set-up window's range,\n"
     "      unless --force)",
     &writeItem}};

}  // namespace

}  // namespace voran::cli
