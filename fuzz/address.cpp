// Address texts as an operator or a set-up file gives them: the decoding, the
// board models' input/output translation and validity, and what the link
// then does with the address on a clean line. Invariants:
// - an address the link accepts is written at its own bytes and nowhere else
//   (for a bit, at its own bit), and reads back as the value written;
// - an address or value the link refuses leaves the board's memory as it was;
// - an input/output address that a board model translates is valid on it and
//   becomes a byte item of the data area; a valid B/W/D address decodes to
//   its own letter and byte.
#include <cctype>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "Harness.h"
#include "link/AddressCodec.h"
#include "link/BoardAddress.h"
#include "number/NumberText.h"

using namespace voran;
using voran::fuzz::Check;

namespace {

bool addressFits(const DecodedAddress& a) {
    return a.byteAddress <= 65535u && a.byteAddress + a.byteCount() - 1 <= 65535u;
}

void checkBoardModels(const std::string& text, int board) {
    const std::string equated = EquateAdd(text, board);
    if (equated != text) {
        Check(ValidAdd(text, board),
              "EquateAdd translated \"" + text + "\" on an address ValidAdd refuses");
        const DecodedAddress e = DecodeAddress(equated);
        Check(e.letter == 'B' && e.byteAddress >= 32 && e.byteAddress <= 255,
              "EquateAdd(\"" + text + "\") = \"" + equated + "\" is not a byte of the I/O area");
    }
    if (text.empty() || text.find('.') != std::string::npos || text.back() == 'H' ||
        text.back() == 'h')
        return;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if ((letter == 'B' || letter == 'W' || letter == 'D') && ValidAdd(text, board)) {
        const DecodedAddress a = DecodeAddress(text);
        Check(a.letter == letter && !a.bitItem &&
                  a.byteAddress == static_cast<std::uint32_t>(LeadingInteger(text.substr(1))) &&
                  a.byteAddress >= 32,
              "valid address \"" + text + "\" decodes elsewhere");
    }
}

void checkOnTheWire(const std::string& text, std::int64_t value) {
    auto rig = std::make_unique<fuzz::SimRig>();
    using Memory = std::array<std::uint8_t, 65536>;
    static const Memory pattern = [] {
        Memory m;
        for (std::size_t i = 0; i < m.size(); ++i) m[i] = static_cast<std::uint8_t>(i * 131u + 7u);
        return m;
    }();
    auto& memory = rig->board.memory();
    memory = pattern;
    rig->open();
    Check(rig->link.OnlineMode, "the link did not come online on a clean line");
    const auto before = memory;

    const DecodedAddress a = DecodeAddress(text);
    const std::string valueText = std::to_string(value);
    const bool ok = rig->link.RSWrite(text, valueText);
    Check(!rig->link.CommError, "a clean line reported a link fault writing " + text);

    const std::uint32_t first = a.byteAddress;
    const std::uint32_t end = addressFits(a) ? first + a.byteCount() : first;
    const bool same = std::memcmp(memory.data(), before.data(), memory.size()) == 0;
    for (std::uint32_t i = 0; !same && i < memory.size(); ++i) {
        const bool own = ok && i >= first && i < end;
        const int mask = own && a.bitItem ? a.mask : own ? 0xFF : 0;
        if ((memory[i] & ~mask) != (before[i] & ~mask))
            fuzz::Broken("writing " + valueText + " to \"" + text + "\" changed byte " +
                         std::to_string(i) + (ok ? "" : " although the write failed"));
    }
    if (!ok) return;
    Check(addressFits(a), "a write to \"" + text + "\", which does not fit, reported success");
    const std::string back =
        InTransaction(rig->link, [&](RSComm::Transaction& t) { return t.read(text); });
    Check(back == valueText,
          "\"" + text + "\" written " + valueText + " reads back \"" + back + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > 40) return -1;
    // Byte 0: the board model (49 .. 69 mostly); byte 1: the value's range;
    // bytes 2-5: the value; the rest: the address text.
    const int board = 44 + data[0] % 30;
    const int range = data[1] % 5;
    std::uint32_t raw = 0;
    std::size_t p = 2;
    for (; p < 6 && p < size; ++p) raw = raw << 8 | data[p];
    const std::int64_t limits[] = {1, 255, 65535, 655359999, 4294967295LL};
    const std::int64_t value = static_cast<std::int64_t>(raw) % (limits[range] + 1);
    const std::string text(reinterpret_cast<const char*>(data + p), size - p);

    const DecodedAddress a = DecodeAddress(text);
    Check(!a.bitItem || a.byteCount() == 1, "bit item of more than one byte: " + text);
    checkBoardModels(text, board);
    checkOnTheWire(text, value);
    return 0;
}
