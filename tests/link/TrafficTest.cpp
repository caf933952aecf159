// The link's traffic as the traffic monitor shows it (the program download's
// records; the other operations are the monitor's own tests), and the
// voran.link log a field engineer can turn on.
#include <QLoggingCategory>
#include <QString>

#include "LinkFixture.h"
#include "link/TrafficDecoder.h"

namespace voran::testing {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
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

QStringList gTrace;
void collect(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (QString(context.category) == "voran.link") gTrace << text;
}

TEST_F(LinkTest, TraceShowsEveryByteBothWaysOnlyWhenEnabled) {
    goOnline();
    gTrace.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    link.RSRead("B8176");
    EXPECT_TRUE(gTrace.isEmpty()) << "off by default";

    QLoggingCategory::setFilterRules("voran.link.debug=true");
    board.memory()[8176] = 0x2A;
    link.RSRead("B8177");
    link.RSRead("B8176");
    QLoggingCategory::setFilterRules("");
    qInstallMessageHandler(previous);

    ASSERT_EQ(gTrace.size(), 8);
    EXPECT_TRUE(gTrace[0].startsWith("-> 0x1F  t="));
    EXPECT_TRUE(gTrace[1].startsWith("<- 0x1F  t="));
    EXPECT_TRUE(gTrace[2].startsWith("-> 0xF1  t="));
    EXPECT_TRUE(gTrace[7].startsWith("<- 0x2A  t="));
}

}  // namespace
}  // namespace voran::testing
