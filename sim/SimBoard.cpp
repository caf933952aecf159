#include "SimBoard.h"

#include "SimPls.h"
#include "SimProgram.h"
#include "number/NumberText.h"
#include "platform/FileRead.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace voran::sim {

namespace {

// An item of board memory named by an address text, in the encodings the
// PC's link uses: B one byte, W two bytes low first, D two words (low word =
// value mod 10000 first), bit items and flags one bit of a byte.
struct Item {
    char kind = 'B';  // 'B', 'W', 'D' or '.' for a bit
    std::uint32_t address = 0;
    std::uint8_t mask = 0;

    int bytes() const { return kind == 'W' ? 2 : kind == 'D' ? 4 : 1; }
    std::int64_t maximum() const {
        return kind == 'W' ? 65535 : kind == 'D' ? 655359999 : kind == '.' ? 1 : 255;
    }
};

bool allDigits(const std::string& s, bool hex) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (!(hex ? std::isxdigit(c) : std::isdigit(c))) return false;
    return true;
}

// Strict parse: the board refuses what it cannot place rather than guessing.
std::optional<Item> parseItem(const std::string& text) {
    if (text.size() < 2) return std::nullopt;
    Item item;
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    if (last == 'H') {
        const std::string digits = text.substr(0, text.size() - 1);
        if (!allDigits(digits, true) || digits.size() > 4) return std::nullopt;
        item.address = static_cast<std::uint32_t>(LeadingHex(digits));
        return item;
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    std::string number = text.substr(1);
    if (const auto dot = number.find('.'); dot != std::string::npos) {
        const std::string bit = number.substr(dot + 1);
        number = number.substr(0, dot);
        if (bit.size() != 1 || bit[0] < '0' || bit[0] > '7') return std::nullopt;
        if (!allDigits(number, false) || number.size() > 5) return std::nullopt;
        item.kind = '.';
        item.address = static_cast<std::uint32_t>(LeadingInteger(number));
        item.mask = static_cast<std::uint8_t>(1u << (bit[0] - '0'));
    } else {
        if (!allDigits(number, false) || number.size() > 6) return std::nullopt;
        const auto n = static_cast<std::uint32_t>(LeadingInteger(number));
        switch (letter) {
            case 'B':
            case 'W':
            case 'D':
                item.kind = letter;
                item.address = n;
                break;
            case 'F':
                item.kind = '.';
                item.address = 32 + n / 8;
                item.mask = static_cast<std::uint8_t>(1u << (n % 8));
                break;
            default:
                return std::nullopt;
        }
    }
    if (item.address + item.bytes() > 65536) return std::nullopt;
    return item;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

SimBoard::SimBoard()
    : pls_(std::make_unique<SimPls>()), program_(std::make_unique<SimProgram>(*this, pls_.get())) {
    commands_ = program_.get();
}
SimBoard::~SimBoard() = default;

std::optional<std::uint8_t> SimBoard::receive(std::uint8_t byte) {
    return step(byte);
}

std::optional<std::uint8_t> SimBoard::receive(std::uint8_t byte, double time) {
    rtc_.sync(memory_, time);
    // A pause in the middle of a frame means the PC lost a byte or an answer
    // and timed out: forget the partial frame so that its resynchronising
    // 0xFF is heard as attention (the rule both sides keep, LinkFraming.h).
    if (haveTime_ && time - lastTime_ > frameGap) dropPartialFrame();
    lastTime_ = time;
    haveTime_ = true;
    return step(byte);
}

void SimBoard::dropPartialFrame() {
    switch (state_) {
        case State::Read:
        case State::Write:
        case State::ReadyPoll:
            // Wait for the start of the next pair, triple or poll.
            step_ = 0;
            break;
        case State::Command:
            // A PLS command cut short is dropped whole: nothing of it takes
            // effect, and the board waits for attention.
            if (commands_ && !commands_->midFrame()) break;
            state_ = State::Idle;
            step_ = 0;
            break;
        case State::Idle:
        case State::AwaitCode:
            break;
    }
}

std::optional<std::uint8_t> SimBoard::step(std::uint8_t byte) {
    lastWasAddressEcho_ = false;
    switch (state_) {
        case State::Idle:
            if (byte != kAttention) return std::nullopt;  // noise: not answered
            state_ = State::AwaitCode;
            return kAck;

        case State::AwaitCode:
            // A repeated attention (the PC resynchronising) is answered again.
            if (byte == kAttention) return kAck;
            return dispatch(byte);

        case State::Read:
        case State::Write:
            // Where a pair or triple starts, 0xFF is attention; anywhere
            // else it is an address or data byte.
            if (step_ == 0) {
                if (byte == kAttention) {
                    state_ = State::AwaitCode;
                    return kAck;
                }
                hi_ = byte;
                step_ = 1;
                lastWasAddressEcho_ = true;
                return byte;
            }
            if (state_ == State::Read) {
                step_ = 0;
                return memory_[hi_ * 256u + byte];
            }
            if (step_ == 1) {
                lo_ = byte;
                step_ = 2;
                lastWasAddressEcho_ = true;
                return byte;
            }
            step_ = 0;
            memory_[hi_ * 256u + lo_] = byte;
            return byte;

        case State::Command: {
            const SimCommand::Answer a = commands_->receive(byte);
            if (a.next == SimCommand::Next::Idle) state_ = State::Idle;
            if (a.next == SimCommand::Next::ReadyPoll) {
                state_ = State::ReadyPoll;
                step_ = 0;
                busyLeft_ = commands_->busyPolls();
            }
            return a.reply;
        }

        case State::ReadyPoll:
            return readyPoll(byte);
    }
    return std::nullopt;
}

// The command code that follows an acknowledged attention. Data reads and
// writes are the board's own; every other code goes to the command object.
std::optional<std::uint8_t> SimBoard::dispatch(std::uint8_t code) {
    step_ = 0;
    if (code == kReadData || code == kWriteData) {
        state_ = code == kReadData ? State::Read : State::Write;
        return kAck;
    }
    if (commands_ && commands_->begin(code)) {
        state_ = State::Command;
        return kAck;
    }
    state_ = State::Idle;
    return kNak;
}

// After a PLS frame: 0x38 is acknowledged, the following 0x55 is answered
// 0x55 while busy (the PC asks again with 0x38) or 0x00 when ready, and one
// more byte closes the poll.
std::optional<std::uint8_t> SimBoard::readyPoll(std::uint8_t byte) {
    if (step_ == 0) {
        if (byte == kAttention) {
            state_ = State::AwaitCode;
            return kAck;
        }
        if (byte != kReadyQuery) return kNak;
        step_ = 1;
        return kAck;
    }
    if (step_ == 1) {
        if (busyLeft_ > 0) {
            --busyLeft_;
            step_ = 0;
            return kAck;
        }
        step_ = 2;
        return kNak;
    }
    state_ = State::Idle;
    step_ = 0;
    return kAck;
}

bool SimBoard::preset(const std::string& address, std::int64_t value) {
    const auto item = parseItem(address);
    if (!item || value < 0 || value > item->maximum()) return false;
    const std::uint32_t a = item->address;
    switch (item->kind) {
        case '.':
            if (value)
                memory_[a] |= item->mask;
            else
                memory_[a] &= static_cast<std::uint8_t>(~item->mask);
            break;
        case 'B':
            memory_[a] = static_cast<std::uint8_t>(value);
            break;
        case 'W':
            memory_[a] = static_cast<std::uint8_t>(value % 256);
            memory_[a + 1] = static_cast<std::uint8_t>(value / 256);
            break;
        case 'D': {
            const auto low = value % 10000, high = value / 10000;
            memory_[a] = static_cast<std::uint8_t>(low % 256);
            memory_[a + 1] = static_cast<std::uint8_t>(low / 256);
            memory_[a + 2] = static_cast<std::uint8_t>(high % 256);
            memory_[a + 3] = static_cast<std::uint8_t>(high / 256);
            break;
        }
    }
    return true;
}

std::int64_t SimBoard::peek(const std::string& address) const {
    const auto item = parseItem(address);
    if (!item) return 0;
    const std::uint32_t a = item->address;
    switch (item->kind) {
        case '.':
            return (memory_[a] & item->mask) ? 1 : 0;
        case 'W':
            return memory_[a] + 256 * memory_[a + 1];
        case 'D':
            return (memory_[a + 2] + 256 * memory_[a + 3]) * 10000LL + memory_[a] +
                   256 * memory_[a + 1];
        default:
            return memory_[a];
    }
}

bool SimBoard::loadPresetFile(const std::string& path, std::string* error) {
    // A regular file only: a named pipe given by mistake is never waited on.
    const FileReadResult read = ReadFileContents(path);
    if (!read) {
        if (error) *error = path + ": cannot be read: " + read.reason;
        return false;
    }
    std::istringstream in(std::string(WithoutByteOrderMark(read.bytes)));
    // Check every line before storing anything, so that a bad file leaves the
    // memory as it was.
    std::vector<std::pair<std::string, std::int64_t>> values;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string text = trim(line.substr(0, line.find('#')));
        if (text.empty()) continue;
        std::istringstream fields(text);
        std::string address, value, extra;
        fields >> address >> value >> extra;
        std::string reason;
        const auto item = parseItem(address);
        if (!item)
            reason = "unknown address \"" + address + "\"";
        else if (value.empty())
            reason = "no value after the address";
        else if (!extra.empty())
            reason = "more than an address and a value";
        else if (!allDigits(value, false) || value.size() > 10)
            reason = "value is not a number";
        else if (LeadingInteger(value) > item->maximum())
            reason = "value " + value + " out of range (0-" + std::to_string(item->maximum()) + ")";
        if (!reason.empty()) {
            if (error)
                *error = path + ":" + std::to_string(number) + ": " + reason + ": " + trim(line);
            return false;
        }
        values.emplace_back(address, LeadingInteger(value));
    }
    for (const auto& [address, value] : values) preset(address, value);
    return true;
}

}  // namespace voran::sim
