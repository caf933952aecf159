// The Telnet layer of an RFC 2217 device server, bytes in and bytes out.
#include <gtest/gtest.h>

#include "platform/Rfc2217.h"

namespace voran::rfc2217 {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Rfc2217Codec, LineSettingsGoOutAsComPortCommandsWithTheAttentionByteDoubled) {
    EXPECT_EQ(Greeting(),
              (Bytes{255, 251, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3}));
    const std::pair<LineSettings, Bytes> cases[] = {
        {{9600, 'n', 8, 1}, {255, 250, 44,  1,   0,   0,   0x25, 0x80, 255, 240, 255, 250, 44,
                             2,   8,   255, 240, 255, 250, 44,   3,    1,   255, 240, 255, 250,
                             44,  4,   1,   255, 240, 255, 250,  44,   5,   1,   255, 240}},
        {{19200, 'e', 7, 2}, {255, 250, 44,  1,   0,   0,   0x4B, 0x00, 255, 240, 255, 250, 44,
                              2,   7,   255, 240, 255, 250, 44,   3,    3,   255, 240, 255, 250,
                              44,  4,   2,   255, 240, 255, 250,  44,   5,   1,   255, 240}},
    };
    for (const auto& [line, bytes] : cases) EXPECT_EQ(LineCommands(line), bytes) << line.speed;
    // A value holding 0xFF is doubled inside the subnegotiation too.
    EXPECT_EQ(ComPortCommand(kSetBaudRate, {0, 0, 0xFF, 0xFF}),
              (Bytes{255, 250, 44, 1, 0, 0, 255, 255, 255, 255, 255, 240}));
    Bytes data;
    for (std::uint8_t b : {0x00, 0xFF, 0x55, 0xFF}) AppendData(data, b);
    EXPECT_EQ(data, (Bytes{0x00, 0xFF, 0xFF, 0x55, 0xFF, 0xFF}));
}

TEST(Rfc2217Codec, TheServerStreamSplitsIntoDataNegotiationsAndAnswers) {
    const Bytes stream{0x55, 255, 255, 0x01,  // data 55 FF 01
                       255,  253, 44,         // DO COM-PORT-OPTION
                       255,  250, 44,  101,  0,       0, 255, 255, 0x80, 255, 240,  // baud answer
                       255,  241,                                                   // no operation
                       0x0D, 255, 251, 1,    0xFF - 1};  // data 0D, WILL ECHO, data FE
    Bytes data;
    std::vector<std::pair<int, int>> negotiations;
    std::vector<Bytes> subs;
    Decoder d;
    d.data = [&](std::uint8_t b) { data.push_back(b); };
    d.negotiation = [&](std::uint8_t v, std::uint8_t o) { negotiations.emplace_back(v, o); };
    d.subnegotiation = [&](const Bytes& s) { subs.push_back(s); };
    for (std::uint8_t b : stream) d.feed(b);
    EXPECT_EQ(data, (Bytes{0x55, 0xFF, 0x01, 0x0D, 0xFE}));
    EXPECT_EQ(negotiations, (std::vector<std::pair<int, int>>{{kDo, 44}, {kWill, 1}}));
    EXPECT_EQ(subs, (std::vector<Bytes>{{44, 101, 0, 0, 0xFF, 0x80}}));
}

}  // namespace
}  // namespace voran::rfc2217
