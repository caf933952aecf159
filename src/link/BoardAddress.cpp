// The input/output/relay addresses of each board model, and which item
// addresses each model has.
#include <cctype>
#include <optional>

#include "link/BoardAddress.h"
#include "number/NumberText.h"

namespace voran {

namespace {

struct Pair {
    int number;
    int byte;
};

template <std::size_t N>
std::optional<int> find(const Pair (&table)[N], std::int64_t number) {
    for (const Pair& p : table)
        if (p.number == number) return p.byte;
    return std::nullopt;
}

// I/O numbers are written as group digit(s) and a point 0 or 1.
bool isIoNumber(std::int64_t n, int max) {
    return n >= 0 && n <= max && n % 10 <= 1;
}

// The B byte that holds input, output or relay `number` on a board model.
std::optional<int> ioByte(int board, char letter, std::int64_t number) {
    static const Pair n21X[] = {{30, 49}, {31, 50}, {50, 51}, {51, 52}, {60, 53},
                                {61, 54}, {70, 55}, {71, 56}, {80, 57}};
    static const Pair n21Y[] = {{81, 58},  {90, 59},  {100, 60}, {110, 61}, {111, 62},
                                {120, 63}, {121, 64}, {130, 65}, {140, 66}, {141, 67}};
    static const Pair k310X[] = {{10, 51}, {11, 52}};
    static const Pair outs01[] = {{0, 49}, {1, 50}};
    static const Pair in4X[] = {{10, 51}, {11, 52}, {20, 53}, {21, 54}};
    static const Pair in3X[] = {{10, 51}, {11, 52}, {20, 53}};
    static const Pair out3Y[] = {{0, 49}, {1, 50}, {21, 54}};
    static const Pair k410X[] = {{0, 49}, {1, 50}, {10, 51}};
    static const Pair k410Y[] = {{11, 52}};

    switch (board) {
        case 49:  // N-21
            if (letter == 'X') return find(n21X, number);
            if (letter == 'Y') return find(n21Y, number);
            return std::nullopt;
        case 50: {  // N-22: X and Y share their bytes, relays follow them
            if (!isIoNumber(number, 151)) return std::nullopt;
            const int offset = static_cast<int>(2 * (number / 10) + number % 10);
            if (letter == 'X' || letter == 'Y') return 160 + offset;
            if (letter == 'I') return 192 + offset;
            return std::nullopt;
        }
        case 58:  // K-310
            if (letter == 'X') return find(k310X, number);
            if (letter == 'Y') return find(outs01, number);
            return std::nullopt;
        case 59:  // K-320
        case 66:  // K-420
            if (letter == 'X') return find(in4X, number);
            if (letter == 'Y') return find(outs01, number);
            return std::nullopt;
        case 60:  // K-330
        case 65:  // J-700
            if (letter == 'X') return find(in3X, number);
            if (letter == 'Y') return find(out3Y, number);
            return std::nullopt;
        case 61:  // K-410
            if (letter == 'X') return find(k410X, number);
            if (letter == 'Y') return find(k410Y, number);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

bool inSmallGroup(int board) {
    switch (board) {
        case 49:
        case 51:
        case 52:
        case 53:
        case 54:
        case 56:
        case 58:
        case 59:
        case 60:
        case 61:
        case 65:
        case 66:
            return true;
        default:
            return false;
    }
}

bool inLargeGroup(int board) {
    return board == 50 || board == 68;
}

}  // namespace

std::string EquateAdd(const std::string& var, int targetBoardIndex) {
    if (var.empty()) return var;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(var[0])));
    const std::string rest = var.substr(1);
    std::int64_t number = 0;
    std::optional<std::int64_t> bit;
    if (var.find('.') != std::string::npos) {
        number = LeadingInteger(rest.size() >= 2 ? rest.substr(0, rest.size() - 2) : "");
        bit = LeadingInteger(var.substr(var.size() - 1));
        if (*bit > 7) bit = 7;
    } else {
        number = LeadingInteger(rest);
    }
    const std::optional<int> byte = ioByte(targetBoardIndex, letter, number);
    if (!byte) return var;
    std::string result = "B" + std::to_string(*byte);
    if (bit) result += "." + std::to_string(*bit);
    return result;
}

bool ValidAdd(const std::string& var, int targetBoardIndex) {
    if (var.empty()) return false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(var[0])));
    std::int64_t number = 0;
    if (var.find('.') != std::string::npos)
        number = LeadingInteger(var.size() >= 3 ? var.substr(1, var.size() - 3) : "");
    else
        number = LeadingInteger(var.substr(1));

    const int b = targetBoardIndex;
    const bool small = inSmallGroup(b);
    const bool large = inLargeGroup(b);
    switch (letter) {
        case 'B':
            return number >= 32 && number <= (small ? 255 : large ? 8275 : 65535);
        case 'W':
        case 'D':
            return number >= 32 &&
                   number <= (small   ? 254
                              : large ? 8274
                                      : 65534) &&
                   number % 2 == 0;
        case 'F':
            return number >= 0 && number <= (small ? 120 : 991);
        case 'I': {
            int max = -1;
            if (b == 49 || b == 50)
                max = 151;
            else if (b == 51 || b == 52 || b == 53 || b == 54 || b == 56)
                max = 21;
            return isIoNumber(number, max);
        }
        case 'X':
        case 'Y': {
            int max = 21;
            if (b == 49 || b == 50)
                max = 151;
            else if (b == 0 || b == 68)
                max = -1;
            return isIoNumber(number, max);
        }
        default:
            return number == 0;
    }
}

}  // namespace voran
