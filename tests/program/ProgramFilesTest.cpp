// Board table, fault texts, MarkHEX, the revision and configuration file
// rules, the program selection and the image check.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeMessageBox.h"
#include "FileKinds.h"
#include "ProgramFixture.h"
#include "ProgramRun.h"
#include "program/BoardTable.h"
#include "program/FaultText.h"
#include "program/HexImage.h"
#include "program/ProgramFiles.h"
#include "program/TargetBoardInfo.h"

namespace voran::testing {
namespace {

TEST(BoardTable, NamesIndexesClassesAndMemoryByCode) {
    struct Row {
        int code;
        const char* name;
        const char* index;
        ProgramClass kind;
        int start, end;  // -1: no program memory
    };
    const Row rows[] = {
        {48, "0 Is Not Defined.", "", ProgramClass::Incompatible, -1, 0},
        {49, "N-21", "1", ProgramClass::Incompatible, -1, 0},
        {50, "N-22", "1", ProgramClass::Plc, 0x5000, 0xFFFF},
        {51, "N-23", "?", ProgramClass::Plc, 0x2000, 0x7FFF},
        {54, "N-24", "D", ProgramClass::Plc, 0x2000, 0x7FFF},
        {55, "N-41", "", ProgramClass::Pls, -1, 0},
        {56, "N-33", "F", ProgramClass::Plc, 0x2000, 0x3FFF},
        {57, "Not Defined", "", ProgramClass::Incompatible, -1, 0},
        {58, "K-310", "@", ProgramClass::Plc, 0x2000, 0x7FFF},
        {61, "K-410(PLC)", "C", ProgramClass::Plc, 0x2000, 0x7FFF},
        {62, "K-410(PLS)", "", ProgramClass::Pls, -1, 0},
        {65, "J-700", "E", ProgramClass::Plc, 0x2000, 0x7FFF},
        {66, "K-420(PLC)", "", ProgramClass::Plc, 0x2000, 0x7FFF},
        {68, "K-900(PLC)", "G", ProgramClass::Plc, 0x4000, 0xBFFF},
        {69, "K-900(PLS)", "", ProgramClass::Pls, -1, 0},
        {70, "F Is Not Defined.", "", ProgramClass::Incompatible, -1, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(TargetboardName(r.code), r.name);
        EXPECT_EQ(LCFBoardIndex(r.code), r.index);
        EXPECT_EQ(ProgramClassOf(r.code), r.kind);
        const auto range = ProgramMemory(r.code);
        ASSERT_EQ(range.has_value(), r.start >= 0);
        if (range) {
            EXPECT_EQ(std::pair(range->start, range->end()), std::pair(r.start, r.end));
        }
    }
    for (int code = 40; code < 80; ++code)
        EXPECT_EQ(HasConfigFile(code), code >= 56 && code <= 65) << code;
}

TEST(FaultText, CodeTextCaseFirstMatchMissingFileAndFilesThatCannotBeText) {
    HangGuard guard;
    TempFolder folder;
    FakeMessageBox boxes;
    const std::string file = FaultFile(folder.path());
    EXPECT_EQ(FaultDescription(10, file, boxes), "Fault Code (0AH): --- Fault File Not Found ---");

    // The file is found whatever the case of its folder and name; a byte-order
    // mark in front is no part of the first code.
    folder.write("support/faulterrcodes.TXT",
                 "\xEF\xBB\xBF"
                 "00,No fault\r\n"
                 "SAMPLE,\"not a code\"\r\n"
                 "0a,\"Lower-case code, with a comma\"\r\n"
                 "0A,Second record for 0A\r\n"
                 "  1F , Parity error  \r\n"
                 "100,\"Above a byte\"\r\n");
    const std::string found = FaultFile(folder.path());
    EXPECT_EQ(found, folder.path("support/faulterrcodes.TXT"));
    const std::pair<int, const char*> rows[] = {
        {10, "Fault Code (0AH): Lower-case code, with a comma"},
        {31, "Fault Code (1FH): Parity error"},
        {256, "Fault Code (100H): Above a byte"},
        {0, "Fault Code (00H): No fault"},
        {255, "Fault Code (FFH): "},
    };
    for (const auto& [code, text] : rows) EXPECT_EQ(FaultDescription(code, found, boxes), text);
    EXPECT_TRUE(boxes.shown.empty());

    // A 300 MB file of one line, and a named pipe: the box, no description,
    // and no wait (the sparse file is never read).
    std::filesystem::resize_file(found, 300u << 20);
    EXPECT_EQ(FaultDescription(10, found, boxes), "Fault Code (0AH): ");
    std::filesystem::remove(found);
    ASSERT_TRUE(MakeFifo(found));
    EXPECT_EQ(FaultDescription(10, found, boxes), "Fault Code (0AH): ");
    EXPECT_EQ(CodeDescription(found, "0A"), std::nullopt);
    const std::string title = "RSComm FaultDescription";
    EXPECT_EQ(
        boxes.shown,
        (std::vector{
            box("Error Number = 27\r\n\r\nFile too large (more than 16777216 bytes): " + found,
                title, MsgIcon::Information),
            box("Error Number = 22\r\n\r\nNot a regular file: " + found, title,
                MsgIcon::Information)}));
}

TEST(MarkHex, BothWaysAndTheArgumentChangesToo) {
    const std::pair<const char*, const char*> rows[] = {
        {"3?", "3F"}, {"0:", "0A"}, {":;<=>?", "ABCDEF"}, {"19", "19"}, {"", ""}};
    for (const auto& [mark, hex] : rows) {
        std::string m = mark, h = hex;
        EXPECT_EQ(MarkHex2HEX(m), hex);
        EXPECT_EQ(m, hex);
        EXPECT_EQ(HEX2MarkHEX(h), mark);
        EXPECT_EQ(h, mark);
    }
    std::string lower = "0a";
    EXPECT_EQ(HEX2MarkHEX(lower), "0a") << "lower-case letters stay";
    EXPECT_EQ(MarkHexToText("4?"), "79");
}

TEST(ProgramFiles, RevisionAndConfigurationRules) {
    TempFolder folder;
    FakeMessageBox boxes;
    struct Rev {
        const char* line;
        bool ok;
        const char *ident, *checksum, *revision;
        bool box;
    };
    const Rev revs[] = {
        {"CAN124?0:\r\n", true, "CAN12", "79", "10", false},
        {"\"  QUOTED, ID0000\",rest\r\n", true, "  QUOTED, ID", "0", "0", false},
        {"  SPACED4?0:,x\r\n", true, "SPACED", "79", "10", false},
        {"abc\r\n", false, "Unknown", "Unknown", "Unknown", true},
        {"", false, "Unknown", "Unknown", "Unknown", false},
    };
    for (const Rev& r : revs) {
        SCOPED_TRACE(r.line);
        folder.write("p.rev", r.line);
        ProgramSet set;
        boxes.shown.clear();
        EXPECT_EQ(SetProgramIdent(set, folder.path("p.rev"), boxes), r.ok);
        EXPECT_EQ(
            std::tie(set.ProgramIdent, set.ProgramChecksum, set.ProgramRevision),
            std::tuple(std::string(r.ident), std::string(r.checksum), std::string(r.revision)));
        EXPECT_EQ(boxes.shown.size(), r.box ? 1u : 0u);
        if (r.box) {
            EXPECT_EQ(boxes.shown[0].title, "RSComm-Set Program Ident");
        }
    }

    struct Cfg {
        std::string line;
        bool ok;
        int c36, c39, c40;
    };
    const std::string zeros(34, '0');
    const Cfg cfgs[] = {
        {"@" + zeros + "2" + "00" + "41" + "000%\r\n", true, 2, 4, 1},
        {"short line\r\n", true, 0, 0, 0},
        {"@" + zeros + "x" + "00" + "4" + "\r\n", true, 0, 4, 0},
        {"", false, 3, 0, 3},
    };
    for (const Cfg& c : cfgs) {
        SCOPED_TRACE(c.line);
        folder.write("p.lcf", c.line);
        ProgramSet set;
        EXPECT_EQ(SetProgramConfig(set, folder.path("p.lcf"), boxes), c.ok);
        EXPECT_EQ(std::tie(set.LCFCode36, set.LCFCode39, set.LCFCode40),
                  std::tie(c.c36, c.c39, c.c40));
    }
    ProgramSet missing;
    EXPECT_FALSE(SetProgramConfig(missing, folder.path("none.lcf"), boxes));

    // What an upload writes.
    EXPECT_EQ(RevisionLine(std::string("AB\0\0\0\0\0\0", 8), 10, 255),
              std::string("AB\0\0\0\0\0\0", 8) + "0:??\r\n");
    EXPECT_EQ(ConfigLine(58, 1, 4, 2), "@" + zeros + "1" + "00" + "42" + "000%\r\n");
    EXPECT_EQ(ConfigLine(57, 3, 0, 3), zeros + "3" + "00" + "03" + "000%\r\n");
}

class ProgramSelection : public ProgramTest {};

TEST_F(ProgramSelection, DownloadFileChecksTheSetAndSaysWhyAndFindsSiblingsInAnyCase) {
    const std::string rev = revisionText("LINE3", 79, 10);
    const std::string lcf = "@" + std::string(34, '0') + "100" + "42000%\r\n";
    struct Row {
        const char* name;
        char type;
        bool withRev, withLcf;
        bool valid;
        std::vector<FakeMessageBox::Shown> boxes;
    };
    const std::string halted = "\r\n\r\nProgram Downloaded Halted!";
    const auto one = [](const std::string& text, const std::string& title, MsgIcon icon) {
        return std::vector{box(text, title, icon)};
    };
    const auto notValid = [&](const std::string& file, const char* what) {
        return one(folder.path(file) + " " + what + " File is Not Valid" + halted,
                   "Program Download", MsgIcon::Exclamation);
    };
    const auto incompatible = [&](const std::string& name) {
        return one(name + " file is incompatible with target board." + halted, "Program Download",
                   MsgIcon::Critical);
    };
    const Row rows[] = {
        {"k900", 'D', true, false, true, {}},
        {"k310", ':', true, true, true, {}},
        {"norev", '=', false, true, false, notValid("norev.rev", "Revision")},
        {"nolcf", '=', true, false, false, notValid("nolcf.lcf", "Configuration")},
        {"pls", '7', true, false, false,
         one("pls file is a PLS target board program.\r\nOpen PLS program to download to target "
             "board.\r\n\r\nProgram Downloaded Halted.",
             "PLS Program Download", MsgIcon::Information)},
        {"n21", '1', true, false, false, incompatible("n21")},
        {"undef", '9', true, true, false, incompatible("undef")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boxes.shown.clear();
        const std::string tnx =
            writeSet(r.name, r.type, r.withRev ? std::optional(rev) : std::nullopt, std::nullopt,
                     r.withLcf ? std::optional(lcf) : std::nullopt);
        DownloadFile(program.set, tnx, link.messages());
        EXPECT_EQ(program.set.ValidProgram, r.valid);
        EXPECT_EQ(boxes.shown, r.boxes);
    }
    // A missing or empty program file: no message, not valid.
    DownloadFile(program.set, folder.path("none.tnx"), link.messages());
    folder.write("empty.tnx", "");
    DownloadFile(program.set, folder.path("empty.tnx"), link.messages());
    EXPECT_FALSE(program.set.ValidProgram);

    // Sibling files are found whatever their case.
    folder.write("PLANT.TNX", "D\r\n");
    folder.write("PLANT.REV", revisionText("PLANT", 1, 2));
    folder.write("Plant.Hex", ":00000001FF\r\n");
    DownloadFile(program.set, folder.path("PLANT.TNX"), link.messages());
    ASSERT_TRUE(program.set.ValidProgram);
    const ProgramSet& set = program.set;
    EXPECT_EQ(set.ProgramFileName, folder.path("PLANT.TNX"));
    EXPECT_EQ(set.RevisionFileName, folder.path("PLANT.REV"));
    EXPECT_EQ(set.HexFileName, folder.path("Plant.Hex"));
    EXPECT_EQ(set.ConfigFileName, folder.path("PLANT.lcf")) << "none there: spelt as derived";
    EXPECT_EQ(
        std::tie(set.ProgramIdent, set.ProgramChecksum, set.ProgramRevision, set.ProgramBoardName),
        std::tuple(std::string("PLANT"), std::string("1"), std::string("2"),
                   std::string("K-900(PLC)")));
}

TEST(HexImageCheck, EveryLineIsCheckedBeforeAnythingIsSent) {
    const std::string good = ":03401000010203A7\r\n";
    const std::string end = ":00000001FF\r\n";
    struct Row {
        std::string text;
        int badLine;  // 0: accepted
        const char* reason = "";
    };
    const Row rows[] = {
        {good + end, 0},
        {good + ":00000001FF", 0},
        {good + ":00FFFF0101\r\n", 0},
        {good + "\r\n" + end, 2, "the line is empty"},
        {good + end + "\r\n", 3, "the line is empty"},
        {good + "03401000010203A7\r\n" + end, 2, "the line does not begin with \":\""},
        {good + ":03401000010203\r\n", 2, "the record's length does not match its byte count"},
        {good + ":03401000010203A8\r\n", 2, "the record checksum is wrong"},
        {good + ":03401000010203AG\r\n", 2,
         "the line holds a character that is not a hexadecimal digit"},
        {good + ":04401000010203A7\r\n", 2, "the record's length does not match its byte count"},
        {":FF" + std::string(2 * 258, '0') + "01\r\n" + end, 1,
         "a record of 255 bytes cannot be sent (the board takes FFH as the end of the program)"},
        // A file cut at a record boundary, and records the board must never
        // get: after the end record, of another type, past FFFFH.
        {good, 1,
         "the image ends without its end record (:00000001FF): it may have been cut short"},
        {good + good, 2,
         "the image ends without its end record (:00000001FF): it may have been cut short"},
        {good + end + good, 3, "a record follows the end record"},
        {good + end + end, 3, "a record follows the end record"},
        {":020000040000FA\r\n" + good + end, 1,
         "record type 04 is not a data record (only types 00 and 01 are downloaded)"},
        {good + ":01000001AA54\r\n", 2, "the end record holds data"},
        {":02FFFF000102FD\r\n" + end, 1, "the record runs past address FFFFH"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const HexImage image = ParseHexImage(r.text);
        EXPECT_EQ(image.ok, r.badLine == 0) << image.reason;
        EXPECT_EQ(image.badLine, r.badLine);
        EXPECT_EQ(image.reason, r.reason);
        if (!image.ok) {
            EXPECT_TRUE(image.records.empty());
        }
    }
    const HexImage image = ParseHexImage(good + ":02401300AABB46\r\n" + end);
    ASSERT_TRUE(image.ok) << image.reason;
    ASSERT_EQ(image.records.size(), 2u) << "the end record sends nothing";
    EXPECT_EQ(image.records[1].data, (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(image.records[0].address(), 0x4010);
    EXPECT_EQ(image.records[0].sum(), (3 + 0x40 + 0x10 + 1 + 2 + 3) & 0xFF);
}

// The stretches of an image outside a board's program memory, merged and in
// address order.
TEST(HexImageCheck, BytesOutsideProgramMemoryAreNamedAsRanges) {
    struct Row {
        std::vector<std::pair<int, int>> records;  // address, byte count
        std::vector<std::pair<int, int>> outside;  // first, last
    };
    const Row rows[] = {
        {{{0x4000, 16}, {0xBFF0, 16}}, {}},
        {{{0x0000, 16}, {0x4000, 16}}, {{0x0000, 0x000F}}},
        {{{0x1FF0, 16}, {0x3FF8, 16}}, {{0x1FF0, 0x1FFF}, {0x3FF8, 0x3FFF}}},
        {{{0xBFF8, 16}, {0xC008, 8}, {0xFF00, 2}}, {{0xC000, 0xC00F}, {0xFF00, 0xFF01}}},
        {{{0x0010, 4}, {0x0000, 16}}, {{0x0000, 0x0013}}},
    };
    for (const Row& r : rows) {
        std::string text;
        for (const auto& [address, count] : r.records) {
            const Bytes data(static_cast<std::size_t>(count), 0x5A);
            text += HexRecordLine(address, data.data(), count);
        }
        const HexImage image = ParseHexImage(text + ":00000001FF\r\n");
        ASSERT_TRUE(image.ok) << image.reason;
        EXPECT_EQ(BytesOutside(image, {0x4000, 0x8000}), r.outside) << text;
    }
    EXPECT_EQ(AddressRangeText({0x0000, 0x000F}), "0000H to 000FH");
}

}  // namespace
}  // namespace voran::testing
