#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace voran::sim {

// A model of the K-900 controller board as seen through its PROG port: a
// 64 KiB data memory, the attention/acknowledge handshake, data-item reads
// (mode 1: address pairs) and writes (mode 2: address/data triples) and the
// PLS command transactions. The board frames what it hears by position: in
// read mode bytes come in pairs, in write mode in triples, so an address or
// data byte of 255 is data and 0xFF starts a command only where a new pair or
// triple would start.
class SimBoard {
public:
    SimBoard();

    // One byte from the PC. Returns the board's answer, or nothing when the
    // board does not answer that byte.
    std::optional<std::uint8_t> receive(std::uint8_t byte);

    std::array<std::uint8_t, 65536>& memory() { return memory_; }
    const std::array<std::uint8_t, 65536>& memory() const { return memory_; }

    // Sets an item by its address text ("B8176", "W182", "D1100",
    // "B1044.1", "F135"), with the link's encodings. False on a bad text.
    bool preset(const std::string& address, std::int64_t value);
    // Reads an item by its address text, with the link's encodings.
    std::int64_t peek(const std::string& address) const;
    // Loads "ADDRESS VALUE" lines ('#' starts a comment). Returns false and
    // fills `error` with the line at fault.
    bool loadPresetFile(const std::string& path, std::string* error);

private:
    enum class State;
    std::array<std::uint8_t, 65536> memory_{};
    int state_ = 0;
    int step_ = 0;
    std::uint8_t hi_ = 0, lo_ = 0;
};

}  // namespace voran::sim
