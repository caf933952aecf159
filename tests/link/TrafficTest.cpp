// The link's traffic as the trace and the traffic monitor show it: every
// byte decoded, and the link's time-outs, resyncs and retries as lines of
// their own.
#include <gtest/gtest.h>

#include "SimLink.h"
#include "link/TrafficDecoder.h"
#include "link/TrafficPort.h"
#include "link/PlsCodes.h"
#include "timing/PlsFrames.h"

namespace voran::testing {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

// The link on the board through a TrafficPort, its lines kept as text.
struct TracedLink : SimLink {
    std::vector<std::string> lines;
    TrafficPort traffic{port, clock};
    TrafficTap tap{clock.now(),
                   [this](const TrafficLine& l) { lines.push_back(FormatTrafficLine(l)); }};
    TracedLink() {
        traffic.setObserver(&tap);
        link.setObserver(&tap);
        link.OpenRSComm(traffic);
        lines.clear();
    }
};

TEST(Traffic, DecodesEachOperationAndTheLinksTrouble) {
    TracedLink s;
    s.board.preset("W182", 1000);
    auto t = s.link.begin();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->read("W182"), "1000");
    t->write("B1004", "61");
    EXPECT_FALSE(t->writeFailed());
    EXPECT_EQ(s.board.peek("B1004"), 61);
    pls::readWord(*t, pls::kReadOffset);
    s.port.dropAt = {s.port.bytesWritten() + 4};
    EXPECT_EQ(t->read("W182"), "1000");
    EXPECT_EQ(Joined(s.lines), R"(     0.000 ms  ->  FF 255  attention
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  01   1  read mode
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  00   0
     0.000 ms  <-  00   0
     0.000 ms  ->  B6 182
     0.000 ms  <-  E8 232  R182 = 232
     0.000 ms  ->  00   0
     0.000 ms  <-  00   0
     0.000 ms  ->  B7 183
     0.000 ms  <-  03   3  R183 = 3
     0.000 ms  ->  FF 255  attention
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  02   2  write mode
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  03   3
     0.000 ms  <-  03   3
     0.000 ms  ->  EC 236
     0.000 ms  <-  EC 236
     0.000 ms  ->  3D  61  W1004 = 61
     0.000 ms  <-  3D  61
     0.000 ms  ->  FF 255  attention
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  28  40  PLS read offset
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  55  85
     0.000 ms  <-  00   0
     0.000 ms  ->  55  85
     0.000 ms  <-  00   0  offset = 0
     0.000 ms  ->  FF 255  attention
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  01   1  read mode
     0.000 ms  <-  55  85  acknowledge
     0.000 ms  ->  00   0
     0.000 ms  <-  00   0
     0.000 ms  ->  B6 182
  1000.000 ms  !!          time-out: no answer from the board
  1000.000 ms  ->  FF 255  attention
  1000.000 ms  <-  55  85  acknowledge
  1000.000 ms  !!          resync: the frame is given up, the next command starts afresh
  1000.000 ms  !!          retry: the operation once more
  1600.000 ms  ->  FF 255  attention
  1600.000 ms  <-  55  85  acknowledge
  1600.000 ms  ->  01   1  read mode
  1600.000 ms  <-  55  85  acknowledge
  1600.000 ms  ->  00   0
  1600.000 ms  <-  00   0
  1600.000 ms  ->  B6 182
  1600.000 ms  <-  E8 232  R182 = 232
  1600.000 ms  ->  00   0
  1600.000 ms  <-  00   0
  1600.000 ms  ->  B7 183
  1600.000 ms  <-  03   3  R183 = 3
)");
}

// A program download as the board's program mode frames it: the handshake
// into program mode, records of count, address and data each answered with
// its sum, and the attention byte that ends it.
TEST(Traffic, NamesProgramRecordsByAddress) {
    TrafficDecoder d(10.0);
    std::vector<std::string> lines;
    const auto out = [&](bool sent, int b, double t) {
        lines.push_back(FormatTrafficLine(sent ? d.sent(b, t) : d.received(b, t)));
    };
    const std::vector<std::pair<bool, int>> wire = {
        {true, 0xFF}, {false, 0x55}, {true, 0x03},  {false, 0x55}, {true, 0x02}, {true, 0x40},
        {true, 0x00}, {true, 0xFF},  {true, 0x12},  {false, 0x53}, {true, 0x01}, {true, 0x7F},
        {true, 0xF0}, {true, 0xAA},  {false, 0x1A}, {true, 0xFF},  {false, 0x55}};
    double t = 10.0;
    for (const auto& [sent, b] : wire) out(sent, b, t += 0.0005);
    EXPECT_EQ(Joined(lines), R"(     0.500 ms  ->  FF 255  attention
     1.000 ms  <-  55  85  acknowledge
     1.500 ms  ->  03   3  program mode
     2.000 ms  <-  55  85  acknowledge
     2.500 ms  ->  02   2
     3.000 ms  ->  40  64
     3.500 ms  ->  00   0  record 4000H, 2 bytes
     4.000 ms  ->  FF 255
     4.500 ms  ->  12  18
     5.000 ms  <-  53  83  record answer
     5.500 ms  ->  01   1
     6.000 ms  ->  7F 127
     6.500 ms  ->  F0 240  record 7FF0H, 1 byte
     7.000 ms  ->  AA 170
     7.500 ms  <-  1A  26  record answer
     8.000 ms  ->  FF 255  end of program mode
     8.500 ms  <-  55  85  acknowledge
)");
}

}  // namespace
}  // namespace voran::testing
