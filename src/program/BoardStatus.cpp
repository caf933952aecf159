// Identity and fault state of the board, read as data items.
#include "program/BoardStatus.h"

#include "program/ProgramState.h"

namespace voran {

std::optional<int> ReadByteItem(RSComm::Transaction& t, const std::string& item) {
    const std::string text = t.readItem(item);
    if (text.empty()) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<int> ReadByteItem(RSComm& link, const std::string& item) {
    auto t = link.begin();
    if (!t) return std::nullopt;
    return ReadByteItem(*t, item);
}

std::optional<int> ReadProgramByte(RSComm::Transaction& t, int address) {
    const std::string text = t.read("B" + std::to_string(address));
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255) return std::nullopt;
    return value;
}

int FirmwareRev(RSComm& link) {
    if (!link.OnlineMode || link.CommError) return -1;
    return ReadByteItem(link, kFirmwareRevItem).value_or(-1);
}

int FaultCode(RSComm& link) {
    return ReadByteItem(link, kFaultCodeItem).value_or(-1);
}

std::string IdentBlock::identText() const {
    std::string text;
    for (int i = 0; i < 8; ++i)
        if (bytes[i] > 31) text += static_cast<char>(bytes[i]);
    return text;
}

std::string IdentBlock::identBytes() const {
    std::string text;
    for (int i = 0; i < 8; ++i) text += static_cast<char>(bytes[i]);
    return text;
}

std::optional<IdentBlock> ReadIdentBlock(RSComm::Transaction& t) {
    IdentBlock block;
    for (int i = 0; i < kIdentBlockLength; ++i) {
        const auto v = ReadProgramByte(t, kIdentBlock + i);
        if (!v) return std::nullopt;
        block.bytes[i] = *v;
    }
    return block;
}

}  // namespace voran
