// What crosses the wire when the operator reads and writes data items.
#include "LinkFixture.h"

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

TEST_F(LinkTest, SettingABitReadsTheByteThenWritesItBack) {
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
}

TEST_F(LinkTest, ABitWriteWhoseReadTimesOutWritesNothing) {
    board.memory()[1044] = 0x80;
    goOnline();
    port.silent = true;
    link.RSWrite("B1044.1", "1");
    EXPECT_EQ(boxes.shown, Boxes{kCableBox});
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(board.memory()[1044], 0x80);
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

TEST_F(LinkTest, AddressesOutsideMemoryAreNeverSentNorWrappedIntoIt) {
    goOnline();
    for (const char* add : {"B70000", "D65534", "B-5", "W99999999999", "B1234567890123"})
        EXPECT_EQ(link.RSRead(add), "0") << add;
    link.RSWrite("W65535", "1");
    link.RSWrite("B-3", "1");
    link.RSWrite("F-1", "1");
    EXPECT_TRUE(port.sent().empty());
    EXPECT_FALSE(link.CommError);
    // The last item below the FF00H page, which cannot be addressed.
    EXPECT_EQ(link.RSRead("D65275"), "0");
    EXPECT_FALSE(port.sent().empty());
}

}  // namespace
}  // namespace voran::testing
