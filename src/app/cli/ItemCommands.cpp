// read and write: data items by their address texts.
#include <cctype>
#include <ostream>

#include "CliCommands.h"
#include "data/ItemTable.h"
#include "link/NumberText.h"

namespace voran::cli {

namespace {

bool allDigits(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

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
            !allDigits(a, 1, dot) || !allDigits(a, dot + 1, a.size()))
            return false;
    } else {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(a[0])));
        if (std::string("BWDF").find(letter) == std::string::npos || !allDigits(a, 1, a.size()))
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

int readItems(Context& ctx, const std::vector<std::string>& args) {
    if (args.empty()) {
        ctx.err << "voran-cli: read needs at least one address\n";
        return kUsage;
    }
    for (const std::string& a : args)
        if (!checkAddress(ctx, a)) return kUsage;
    if (!ctx.open()) return kFailed;
    for (const std::string& a : args) {
        const std::string value = ctx.link.ReadItem(a);
        if (value.empty()) {
            ctx.err << "voran-cli: reading " << a << " failed\n";
            return kFailed;
        }
        ctx.out << value << "\n" << std::flush;
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
    {"read", "read ADDR...", "print the value of each item, one per line", &readItems}};
const Register writeCommand{
    {"write", "write [--force] ADDR VALUE",
     "write VALUE to the item ADDR (a set-up item only within the set-up window's range,\n"
     "      unless --force)",
     &writeItem}};

}  // namespace

}  // namespace voran::cli
