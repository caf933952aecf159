#include "SimDump.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "SimPls.h"

namespace voran::sim {

std::string BoardDump(const SimBoard& board) {
    const auto& memory = board.memory();
    std::string out(reinterpret_cast<const char*>(memory.data()), memory.size());
    const SimPls& pls = board.pls();
    out += "scale " + std::to_string(pls.scaleFactor) + "\noffset " + std::to_string(pls.offset) +
           "\nconfig";
    for (const std::uint8_t b : pls.config) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        out += hex;
    }
    out += "\n";
    for (std::size_t i = 0; i < pls.channels.size(); ++i) {
        const SimPls::Channel& c = pls.channels[i];
        out += "channel " + std::to_string(i) + " " + std::to_string(c.programmed) + " " +
               std::to_string(c.on) + " " + std::to_string(c.off) + " " +
               std::to_string(c.pulseTrain) + " " + std::to_string(c.onWidth) + " " +
               std::to_string(c.offWidth) + " " + std::to_string(c.start) + "\n";
    }
    return out;
}

bool WriteBoardDump(const SimBoard& board, const std::string& path, std::string* error) {
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        const std::string bytes = BoardDump(board);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            if (error) *error = "cannot write " + temp;
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec && error) *error = "cannot write " + path + ": " + ec.message();
    return !ec;
}

}  // namespace voran::sim
