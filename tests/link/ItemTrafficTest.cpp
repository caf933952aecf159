// What crosses the wire when the operator reads and writes data items, the
// addresses as the operator types them, and the traffic as the monitor and
// the voran.link log show it.
#include <QLoggingCategory>
#include <QString>

#include "LinkFixture.h"
#include "link/AddressCodec.h"
#include "link/BoardAddress.h"
#include "link/TrafficDecoder.h"

namespace voran::testing {
namespace {

TEST_F(LinkTest, ReadsHandshakeOnceThenAskForEachByteOfTheItem) {
    board.preset("B8176", 0x42);
    board.preset("W182", 1000);
    board.preset("D1100", 19999);
    goOnline();
    EXPECT_EQ(link.RSRead("B8176"), "66");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x1F, 0xF0}));
    EXPECT_EQ(port.received(), (Bytes{0x55, 0x55, 0x1F, 0x42}));
    EXPECT_EQ(link.currentMode(), CommandMode::Read);

    const struct {
        const char* add;
        const char* value;
        Bytes sent;
    } rows[] = {{"b8176", "66", {0x1F, 0xF0}},
                {"W182", "1000", {0x00, 0xB6, 0x00, 0xB7}},
                {"D1100", "19999", {0x04, 0x4C, 0x04, 0x4D, 0x04, 0x4E, 0x04, 0x4F}}};
    for (const auto& r : rows) {
        port.clearTrace();
        EXPECT_EQ(link.RSRead(r.add), r.value) << r.add;
        EXPECT_EQ(port.sent(), r.sent) << r.add;
    }
    board.preset("D1100", 655359999);
    board.memory()[1044] = 0x02;
    board.memory()[48] = 0x80;
    const char* const reads[][2] = {
        {"D1100", "655359999"}, {"B1044.1", "1"}, {"B1044.0", "0"}, {"F135", "1"}, {"1FF0H", "66"}};
    for (const auto& r : reads) EXPECT_EQ(link.RSRead(r[0]), r[1]) << r[0];
}

TEST_F(LinkTest, WritingAWordAfterAReadSwitchesToWriteModeAndSendsTriples) {
    goOnline();
    link.RSRead("B8176");
    port.clearTrace();
    link.RSWrite("W182", "1000");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(port.received(), (Bytes{0x55, 0x55, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_EQ(link.currentMode(), CommandMode::Write);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkTest, EntriesAreStoredAsTypedOrRefusedWithTheReasonAndNothingSent) {
    const std::string digits = "Error:\rOnly Numerical Data Allowed.",
                      bit = "Error:\rEnter 0 or 1 Only.",
                      rangeD = "Error:\rEntry out of Range (0-655,359,999).";
    const std::string nines(40, '9');
    const struct {
        const char* add;
        std::string text;
        std::int64_t stored;  // -1: refused with `message`
        std::string message;
    } rows[] = {
        {"W182", "65,535", 65535, ""},
        {"D1100", "655359999", 655359999, ""},
        {"B41", "90\xC2\xB0", 90, ""},
        {"B42", "50 %", 50, ""},
        {"B42", "255", 255, ""},
        {"W182", "12a", -1, digits},
        {"B40", "\xC2", -1, digits},
        {"B40", "\xB1", -1, digits},
        {"B1044.1", "2", -1, bit},
        {"B40", "256", -1, "Error:\rEntry out of Range (0-255)."},
        {"W182", "65536", -1, "Error:\rEntry out of Range (0-65,535)."},
        {"D1100", "655360000", -1, rangeD},
        {"D1100", nines, -1, rangeD},
    };
    board.preset("B40", 9);
    board.preset("B8176", 5);
    goOnline();
    for (const auto& r : rows) {
        link.RSRead("B8176");  // the board now holds that address
        boxes.shown.clear();
        port.clearTrace();
        const auto before = board.memory();
        link.RSWrite(r.add, r.text);
        if (r.stored >= 0) {
            EXPECT_EQ(board.peek(r.add), r.stored) << r.add << " " << r.text;
            EXPECT_EQ(boxes.shown, Boxes{}) << r.add << " " << r.text;
            continue;
        }
        EXPECT_EQ(boxes.shown,
                  (Boxes{{r.message, "ENTRY ALERT", MsgButtons::Ok, MsgIcon::Critical}}));
        EXPECT_EQ(port.sent(), Bytes{}) << r.add << " " << r.text;
        EXPECT_EQ(board.memory(), before);
        // A refused write leaves the next read of the board's address right.
        EXPECT_EQ(link.RSRead("B8176"), "5");
        EXPECT_EQ(port.sent(), (Bytes{0x1F, 0xF0})) << r.add << " " << r.text;
    }
}

TEST_F(LinkTest, SettingABitReadsTheByteThenWritesItBackAndNothingWhenTheReadTimesOut) {
    board.memory()[1044] = 0x80;
    goOnline();
    link.RSWrite("B1044.1", "1");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x04, 0x14, 0xFF, 0x02, 0x04, 0x14, 0x82}));
    EXPECT_EQ(board.memory()[1044], 0x82);
    link.RSWrite("B1044.7", "0");
    EXPECT_EQ(board.memory()[1044], 0x02);
    link.RSWrite("F135", "1");
    EXPECT_EQ(board.memory()[48], 0x80);
    EXPECT_TRUE(boxes.shown.empty());

    port.silent = true;
    port.clearTrace();
    link.RSWrite("B1044.1", "0");
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(board.memory()[1044], 0x02);
    EXPECT_TRUE(link.CommError);
}

TEST_F(LinkTest, AWrongEchoRepeatsAWriteOnceButOnlyFailsARead) {
    board.preset("B8176", 9);
    goOnline();
    link.RSRead("B8176");
    port.clearTrace();
    port.wrongEchoes = 1;
    link.RSWrite("W182", "1000");
    // Nothing more of the triple follows a wrong echo; the retry keeps quiet
    // first, so the board drops the half triple.
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x02, 0x00,  // echo of 0x00 came back wrong
                                  0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_FALSE(link.echoMismatch());

    port.wrongEchoes = 1;
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(link.currentMode(), CommandMode::None);
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(link.RSRead("B8176"), "9");
    EXPECT_TRUE(boxes.shown.empty());
}

// Addresses outside memory are never sent nor wrapped into it; those of the
// FF00H page, which cannot be addressed, are refused with the reason.
TEST_F(LinkTest, AddressesOutsideMemoryOrInTheFF00PageAreRefusedBeforeAnythingIsSent) {
    goOnline();
    const auto memory = board.memory();
    for (const char* add : {"B70000", "D65534", "B-5", "W99999999999", "B1234567890123"})
        EXPECT_EQ(link.RSRead(add), "0") << add;
    link.RSWrite("W65535", "1");
    link.RSWrite("B-3", "1");
    link.RSWrite("F-1", "1");
    EXPECT_FALSE(link.CommError);
    for (const char* add : {"B65282", "W65280", "D65300", "FF00H", "B65535.1"}) {
        SCOPED_TRACE(add);
        boxes.shown.clear();
        EXPECT_FALSE(link.RSWrite(add, "1"));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "ENTRY ALERT");
        EXPECT_NE(boxes.shown[0].text.find("FF00H-FFFFH"), std::string::npos);
        EXPECT_EQ(once([&](RSComm::Transaction& t) { return t.read(add); }), "");
    }
    EXPECT_TRUE(port.sent().empty());
    EXPECT_EQ(board.memory(), memory);
    // The page below still travels: its last item, and a byte written.
    EXPECT_EQ(link.RSRead("D65275"), "0");
    EXPECT_FALSE(port.sent().empty());
    EXPECT_TRUE(link.RSWrite("B65279", "200"));
    EXPECT_EQ(board.memory()[65279], 200);
}

// Addresses as the operator types them, and the boards' input and output
// ranges.
TEST(AddressText, NamesTheBytesTheBoardIsAskedFor) {
    const struct {
        const char* text;
        char letter;
        std::uint32_t byte;
        int mask;  // 0: not a bit
    } rows[] = {{"B8176", 'B', 8176, 0}, {"b8176", 'B', 8176, 0},   {"W182", 'W', 182, 0},
                {"w182", 'W', 182, 0},   {"D1100", 'D', 1100, 0},   {"F0", 'B', 32, 1},
                {"F135", 'B', 48, 128},  {"f991", 'B', 155, 128},   {"B1044.1", 'B', 1044, 2},
                {"W182.3", 'B', 182, 8}, {"1FF0H", 'B', 8176, 0},   {"1ff0h", 'B', 8176, 0},
                {"5H", 'B', 5, 0},       {"EFF0H", 'B', 0xEFF0, 0}, {"Q17", 'B', 32, 0},
                {"Z5", 'B', 32, 0},      {"", 'B', 32, 0},          {"X30", 'B', 32, 0},
                {"B12abc", 'B', 12, 0}};
    for (const auto& r : rows) {
        const DecodedAddress a = DecodeAddress(r.text);
        EXPECT_EQ(a.letter, r.letter) << r.text;
        EXPECT_EQ(a.byteAddress, r.byte) << r.text;
        EXPECT_EQ(a.bitItem, r.mask != 0) << r.text;
        EXPECT_TRUE(r.mask == 0 || a.mask == r.mask) << r.text;
    }
    EXPECT_EQ(DecodeAddress("W182.3").byteCount(), 1) << "a bit is always of one byte";
}

TEST(BoardIo, InputsAndOutputsTranslateToTheirBytes) {
    const struct {
        const char* var;
        int board;
        const char* result;
    } rows[] = {
        {"X30.5", 49, "B49.5"}, {"X30", 49, "B49"},   {"x30.9", 49, "B49.7"}, {"X40", 49, "X40"},
        {"X80", 49, "B57"},     {"Y81", 49, "B58"},   {"Y141", 49, "B67"},    {"I30", 49, "I30"},
        {"X0", 50, "B160"},     {"Y11", 50, "B163"},  {"X151", 50, "B191"},   {"Y12", 50, "Y12"},
        {"I0", 50, "B192"},     {"I151", 50, "B223"}, {"X160", 50, "X160"},   {"X10", 58, "B51"},
        {"Y1", 58, "B50"},      {"X20", 58, "X20"},   {"X21", 59, "B54"},     {"Y0", 59, "B49"},
        {"Y21", 60, "B54"},     {"X20", 60, "B53"},   {"X0", 61, "B49"},      {"Y11", 61, "B52"},
        {"Y0", 61, "Y0"},       {"Y21", 65, "B54"},   {"X21", 66, "B54"},     {"X10", 67, "X10"},
        {"B100", 49, "B100"},   {"", 49, ""}};
    for (const auto& r : rows)
        EXPECT_EQ(EquateAdd(r.var, r.board), r.result) << r.var << " on " << r.board;
}

TEST(BoardIo, AddressesOutsideABoardsRangeAreRefused) {
    const struct {
        const char* var;
        int board;
        bool valid;
    } rows[] = {
        {"B31", 68, false},   {"B32", 68, true},     {"B8275", 68, true},  {"B8276", 68, false},
        {"W183", 68, false},  {"W8274", 68, true},   {"X21", 68, false},   {"C0", 68, true},
        {"C1", 68, false},    {"X12", 59, false},    {"X21", 59, true},    {"X22", 59, false},
        {"X31", 59, false},   {"X21", 69, true},     {"X0", 0, false},     {"B255", 49, true},
        {"B256", 49, false},  {"W254", 49, true},    {"D255", 49, false},  {"W256", 49, false},
        {"B65535", 55, true}, {"B65536", 55, false}, {"W65534", 55, true}, {"F120", 49, true},
        {"F121", 49, false},  {"F991", 50, true},    {"F992", 67, false},  {"I151", 49, true},
        {"I21", 56, true},    {"I31", 56, false},    {"I0", 58, false},    {"Y151", 50, true},
        {"Y152", 50, false},  {"X21.5", 59, true},   {"X22.5", 59, false}, {"b32", 49, true},
        {"", 49, false}};
    for (const auto& r : rows)
        EXPECT_EQ(ValidAdd(r.var, r.board), r.valid) << r.var << " on " << r.board;
}

// The link's traffic as the traffic monitor shows it (the program download's
// records; the other operations are the monitor's own tests), and the
// voran.link log a field engineer can turn on.

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
