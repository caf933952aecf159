#include "platform/Rfc2217.h"

namespace voran::rfc2217 {

void AppendData(std::vector<std::uint8_t>& out, std::uint8_t byte) {
    out.push_back(byte);
    if (byte == kIac) out.push_back(kIac);
}

std::vector<std::uint8_t> Negotiation(std::uint8_t verb, std::uint8_t option) {
    return {kIac, verb, option};
}

std::vector<std::uint8_t> ComPortCommand(std::uint8_t command,
                                         const std::vector<std::uint8_t>& value) {
    std::vector<std::uint8_t> out{kIac, kSb, kComPort, command};
    for (std::uint8_t b : value) AppendData(out, b);
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

std::vector<std::uint8_t> Greeting() {
    std::vector<std::uint8_t> out;
    for (const auto& [verb, option] : {std::pair{kWill, kComPort},
                                       {kWill, kBinary},
                                       {kDo, kBinary},
                                       {kWill, kSuppressGoAhead},
                                       {kDo, kSuppressGoAhead}}) {
        const auto n = Negotiation(verb, option);
        out.insert(out.end(), n.begin(), n.end());
    }
    return out;
}

std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> ExpectedAnswers(
    const LineSettings& line) {
    const auto speed = static_cast<std::uint32_t>(line.speed);
    const std::uint8_t parity = line.parity == 'e'   ? kParityEven
                                : line.parity == 'o' ? kParityOdd
                                                     : kParityNone;
    return {{kSetBaudRate,
             {static_cast<std::uint8_t>(speed >> 24), static_cast<std::uint8_t>(speed >> 16),
              static_cast<std::uint8_t>(speed >> 8), static_cast<std::uint8_t>(speed)}},
            {kSetDataSize, {static_cast<std::uint8_t>(line.dataBits)}},
            {kSetParity, {parity}},
            {kSetStopSize, {line.stopBits == 2 ? kStopTwo : kStopOne}}};
}

std::vector<std::uint8_t> LineCommands(const LineSettings& line) {
    std::vector<std::uint8_t> out;
    for (const auto& [command, value] : ExpectedAnswers(line)) {
        const auto c = ComPortCommand(command, value);
        out.insert(out.end(), c.begin(), c.end());
    }
    const auto c = ComPortCommand(kSetControl, {kNoFlowControl});
    out.insert(out.end(), c.begin(), c.end());
    return out;
}

void Decoder::reset() {
    state_ = State::Data;
    sub_.clear();
}

void Decoder::feed(std::uint8_t b) {
    switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Iac;
            else if (data)
                data(b);
            return;
        case State::Iac:
            if (b == kIac) {
                // A doubled 0xFF is one data byte of 0xFF.
                state_ = State::Data;
                if (data) data(kIac);
            } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
                verb_ = b;
                state_ = State::Option;
            } else if (b == kSb) {
                sub_.clear();
                state_ = State::Sub;
            } else {
                // A two-byte command (no operation, go ahead, data mark...):
                // nothing for a serial line.
                state_ = State::Data;
            }
            return;
        case State::Option:
            state_ = State::Data;
            if (negotiation) negotiation(verb_, b);
            return;
        case State::Sub:
            if (b == kIac)
                state_ = State::SubIac;
            else if (sub_.size() < 64)
                sub_.push_back(b);
            return;
        case State::SubIac:
            if (b == kIac) {
                state_ = State::Sub;
                if (sub_.size() < 64) sub_.push_back(kIac);
            } else {
                // IAC SE ends it (anything else after IAC ends it as well).
                state_ = State::Data;
                if (subnegotiation) subnegotiation(sub_);
                sub_.clear();
            }
            return;
    }
}

}  // namespace voran::rfc2217
