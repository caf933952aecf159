#include "SimProgram.h"

#include <sstream>
#include <vector>

#include "link/NumberText.h"
#include "platform/FileRead.h"

namespace voran::sim {

bool SimProgram::begin(std::uint8_t code) {
    mine_ = false;
    if (code != kProgramMode) return next_ && next_->begin(code);
    // Program mode only when the PC asked for it first.
    if (board_.memory()[kRequestAddress] != kRequest) return false;
    mine_ = true;
    active_ = true;
    position_ = 0;
    records_ = 0;
    ++entered;
    return true;
}

SimCommand::Answer SimProgram::receive(std::uint8_t byte) {
    if (!mine_) return next_ ? next_->receive(byte) : Answer{std::nullopt, Next::Idle};
    if (position_ == 0) {
        if (byte == 0xFF) {
            if (refuseExit) return {0x00, Next::Continue};
            active_ = false;
            mine_ = false;
            ++left;
            board_.memory()[kRequestAddress] = 0;
            return {0x55, Next::Idle};
        }
        count_ = byte;
        sum_ = byte;
        position_ = 1;
        return {std::nullopt, Next::Continue};
    }
    sum_ += byte;
    if (position_ == 1) {
        address_ = byte * 256;
    } else if (position_ == 2) {
        address_ += byte;
    } else {
        const int at = (address_ + position_ - 3) & 0xFFFF;
        if (at >= programFrom && at <= programTo) board_.memory()[at] = byte;
    }
    ++position_;
    if (position_ < 3 + count_) return {std::nullopt, Next::Continue};

    position_ = 0;
    ++records_;
    if (silentAfter == records_) return {std::nullopt, Next::Continue};
    const int answer = (sum_ + (wrongSumAt == records_ ? 1 : 0)) & 0xFF;
    return {static_cast<std::uint8_t>(answer), Next::Continue};
}

std::optional<std::pair<int, int>> SimProgram::parseProgramMemory(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) return std::nullopt;
    const std::string from = text.substr(0, dash), to = text.substr(dash + 1);
    const auto hex = [](const std::string& digits) {
        return !digits.empty() && digits.size() <= 4 &&
               digits.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
    };
    if (!hex(from) || !hex(to) || LeadingHex(from) > LeadingHex(to)) return std::nullopt;
    return std::pair{static_cast<int>(LeadingHex(from)), static_cast<int>(LeadingHex(to))};
}

bool SimProgram::loadHexFile(SimBoard& board, const std::string& path, std::string* error) {
    const FileReadResult read = ReadFileContents(path);
    if (!read) {
        if (error) *error = path + ": cannot be read: " + read.reason;
        return false;
    }
    std::istringstream in(std::string(WithoutByteOrderMark(read.bytes)));
    const auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::vector<std::pair<int, std::uint8_t>> bytes;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const auto bad = [&](const char* why) {
            if (error) *error = path + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0) return bad("not a record");
        std::vector<int> b;
        for (std::size_t i = 1; i < line.size(); i += 2) {
            const int hi = digit(line[i]), lo = digit(line[i + 1]);
            if (hi < 0 || lo < 0) return bad("not a hexadecimal digit");
            b.push_back(hi * 16 + lo);
        }
        if (static_cast<int>(b.size()) != b[0] + 5) return bad("length does not match the count");
        int sum = 0;
        for (int v : b) sum += v;
        if (sum & 0xFF) return bad("record checksum is wrong");
        if (b[3] != 0) continue;  // only data records load memory
        const int address = b[1] * 256 + b[2];
        for (int k = 0; k < b[0]; ++k)
            bytes.emplace_back((address + k) & 0xFFFF, static_cast<std::uint8_t>(b[4 + k]));
    }
    for (const auto& [a, v] : bytes) board.memory()[a] = v;
    return true;
}

bool SimProgram::loadRevisionFile(SimBoard& board, const std::string& path, std::string* error) {
    const FileReadResult read = ReadFileContents(path);
    std::string line = read ? std::string(WithoutByteOrderMark(read.bytes)) : std::string();
    line = line.substr(0, line.find_first_of("\r\n"));
    const auto mark = [&](std::size_t at) {
        const int hi = line[at] - 0x30, lo = line[at + 1] - 0x30;
        return hi >= 0 && hi < 16 && lo >= 0 && lo < 16 ? hi * 16 + lo : -1;
    };
    const std::size_t n = line.size();
    if (!read || n < 5 || n > 12 || mark(n - 4) < 0 || mark(n - 2) < 0) {
        if (error)
            *error = path + (read ? ": not a revision line" : ": cannot be read: " + read.reason);
        return false;
    }
    auto* ident = &board.memory()[kIdentAddress];
    for (std::size_t i = 0; i < 8; ++i)
        ident[i] = i < n - 4 ? static_cast<std::uint8_t>(line[i]) : 0;
    ident[8] = static_cast<std::uint8_t>(mark(n - 4));
    ident[9] = static_cast<std::uint8_t>(mark(n - 2));
    return true;
}

}  // namespace voran::sim
