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
    EXPECT_EQ(link.currentMode(), 1);

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
    EXPECT_EQ(link.RSRead("D1100"), "655359999");
}

TEST_F(LinkTest, BitsAndFlagsReadAsZeroOrOne) {
    board.memory()[1044] = 0x02;
    board.memory()[48] = 0x80;
    goOnline();
    EXPECT_EQ(link.RSRead("B1044.1"), "1");
    EXPECT_EQ(link.RSRead("B1044.0"), "0");
    EXPECT_EQ(link.RSRead("F135"), "1");
    EXPECT_EQ(link.RSRead("1FF0H"), "0");
}

TEST_F(LinkTest, WritingAWordAfterAReadSwitchesToWriteModeAndSendsTriples) {
    goOnline();
    link.RSRead("B8176");
    port.clearTrace();
    link.RSWrite("W182", "1000");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(port.received(), (Bytes{0x55, 0x55, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_EQ(link.currentMode(), 2);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkTest, ValuesAsTypedReachTheBoard) {
    struct Row {
        const char* add;
        const char* text;
        std::int64_t stored;
    };
    const Row rows[] = {{"B40", "", 0},
                        {"W182", "1,024", 1024},
                        {"D1100", "655359999", 655359999},
                        {"B41", "90\xC2\xB0", 90},
                        {"W184", "12.5", 125},
                        {"B42", "255", 255}};
    goOnline();
    board.preset("B40", 9);
    for (const Row& r : rows) {
        link.RSWrite(r.add, r.text);
        EXPECT_EQ(board.peek(r.add), r.stored) << r.add << " " << r.text;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkTest, RefusedEntriesShowTheReasonAndSendNothing) {
    struct Row {
        const char* add;
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"B40", "-5", "Error:\rOnly Numerical Data Allowed."},
        {"W182", "12a", "Error:\rOnly Numerical Data Allowed."},
        {"B1044.1", "2", "Error:\rEnter 0 or 1 Only."},
        {"F135", "10", "Error:\rEnter 0 or 1 Only."},
        {"B40", "256", "Error:\rEntry out of Range (0-255)."},
        {"W182", "65536", "Error:\rEntry out of Range (0-65,535)."},
        {"D1100", "655360000", "Error:\rEntry out of Range (0-655,359,999)."},
    };
    goOnline();
    for (const Row& r : rows) {
        boxes.shown.clear();
        port.clearTrace();
        link.RSWrite(r.add, r.text);
        ASSERT_EQ(boxes.shown.size(), 1u) << r.add << " " << r.text;
        EXPECT_EQ(boxes.shown[0].text, r.message);
        EXPECT_EQ(boxes.shown[0].title, "ENTRY ALERT");
        EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(boxes.shown[0].icon, MsgIcon::Critical);
        EXPECT_TRUE(port.sent().empty()) << r.add << " " << r.text;
    }
}

TEST_F(LinkTest, ARefusedWriteLeavesTheNextReadOfTheCachedAddressRight) {
    board.preset("B8176", 5);
    board.preset("W182", 4321);
    goOnline();
    link.RSRead("B8176");
    link.RSWrite("W182", "70000");
    port.clearTrace();
    EXPECT_EQ(link.RSRead("B8176"), "5");
    EXPECT_EQ(port.sent(), (Bytes{0x1F, 0xF0}));
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
}

TEST_F(LinkTest, ABitWriteWhoseReadTimesOutWritesNothing) {
    board.memory()[1044] = 0x80;
    goOnline();
    port.silent = true;
    link.RSWrite("B1044.1", "1");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind("Cannot Communicate", 0), 0u);
    for (std::uint8_t b : port.sent()) EXPECT_NE(b, 0x02);
    EXPECT_EQ(board.memory()[1044], 0x80);
    EXPECT_TRUE(link.CommError);
}

TEST_F(LinkTest, ABitWriteWhoseReadIsGarbledIsTriedOnceMore) {
    board.memory()[1044] = 0x80;
    goOnline();
    port.wrongEchoOnce = true;
    link.RSWrite("B1044.1", "1");
    EXPECT_EQ(board.memory()[1044], 0x82);
    EXPECT_FALSE(link.echoMismatch());
    EXPECT_TRUE(boxes.shown.empty());
    const Bytes sent = port.sent();
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(Bytes(sent.end() - 5, sent.end()), (Bytes{0xFF, 0x02, 0x04, 0x14, 0x82}));
}

TEST_F(LinkTest, AWrongEchoDuringAWriteGetsTheWholeWriteOnceMore) {
    goOnline();
    link.RSRead("B8176");
    port.clearTrace();
    port.wrongEchoOnce = true;
    link.RSWrite("W182", "1000");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x02, 0x00, 0xB6, 0xE8,  // echo of 0x00 came back wrong
                                  0xFF, 0x02, 0x00, 0xB6, 0xE8, 0x00, 0xB7, 0x03}));
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(link.echoMismatch());
}

TEST_F(LinkTest, AWrongEchoDuringAReadFailsThatReadOnly) {
    board.preset("B8176", 9);
    goOnline();
    link.RSRead("B8176");
    port.wrongEchoOnce = true;
    EXPECT_EQ(link.RSRead("B8176"), "0");
    EXPECT_EQ(link.currentMode(), 0);
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(link.RSRead("B8176"), "9");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkTest, AddressesOutsideMemoryAreNeverSent) {
    goOnline();
    EXPECT_EQ(link.RSRead("B70000"), "0");
    EXPECT_EQ(link.RSRead("D65534"), "0");
    link.RSWrite("W65535", "1");
    link.RSWrite("B-3", "1");
    EXPECT_TRUE(port.sent().empty());
    EXPECT_FALSE(link.CommError);
    EXPECT_EQ(link.RSRead("D65532"), "0");
    EXPECT_FALSE(port.sent().empty());
}

TEST_F(LinkTest, ALostAddressByteNeverPassesTheResyncAnswerOffAsData) {
    board.preset("B8176", 7);
    goOnline();
    // The fifth byte the PC writes (counting the greeting) is the low
    // address byte of the read; it is lost, the link resends 0xFF and the
    // board answers that with 0x55.
    port.dropEvery = 5;
    EXPECT_EQ(link.ReadItem("B8176"), "");
    EXPECT_EQ(port.sent(), (Bytes{0xFF, 0x01, 0x1F, 0xF0, 0xFF}));
    EXPECT_FALSE(link.CommError);
    port.dropEvery = 0;
    EXPECT_EQ(link.RSRead("B8176"), "7");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LinkTest, ALostByteInAWriteStoresNothingAnywhereElse) {
    goOnline();
    const auto before = board.memory();
    // Lose the low address byte of the first triple.
    port.dropEvery = 5;
    link.RSWrite("W182", "1000");
    port.dropEvery = 0;
    auto expected = before;
    expected[182] = board.memory()[182];
    expected[183] = board.memory()[183];
    EXPECT_EQ(board.memory(), expected);
    link.RSWrite("W182", "1000");
    EXPECT_EQ(board.peek("W182"), 1000);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace voran::testing
