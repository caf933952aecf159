// The program upload against the simulated board: the files it writes, the
// exchanges it needs, and the earlier set left alone when it fails.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "ProgramFixture.h"
#include "platform/ForwardingPort.h"
#include "program/ProgramUpload.h"

namespace voran::testing {
namespace {

// The simulated port, falling silent for good after `after` bytes from the
// PC (the cable pulled at an exact byte).
class CutPort : public ForwardingPort {
public:
    CutPort(sim::SimPort& port) : ForwardingPort(port), sim_(port) {}
    long long after = -1;
    long long written = 0;
    bool writeByte(std::uint8_t b) override {
        ++written;
        sim_.silent = after >= 0 && written >= after;
        return inner_.writeByte(b);
    }

private:
    sim::SimPort& sim_;
};

class Upload : public ProgramTest {
protected:
    std::string tnx;
    void prepare(char type, const std::string& name = "back") {
        folder.write(name + ".tnx", std::string(1, type) + "PROGRAM\r\n");
        tnx = folder.path(name + ".tnx");
        UploadFile(program.set, tnx, link.messages());
        program.progress.InUploadMode = true;
    }
    UploadOutcome run() { return UploadProgram(link, program, boxes); }
    void fillMemory(int start, int length) {
        for (int i = 0; i < length; ++i)
            board.memory()[start + i] = static_cast<std::uint8_t>((i * 7 + 3) ^ (i >> 8));
    }
};

// A byte lost on the line costs one read started again, as in the data upload.
TEST_F(Upload, K900ProgramComesBackByteForByteEvenWhenAByteIsLost) {
    fillMemory(0x4000, 0x8000);
    setIdent("FLANGE3", 10, 255);
    const Bytes memory(board.memory().begin() + 0x4000, board.memory().begin() + 0xC000);
    // PC bytes counted from the read handshake (0: none lost): ident block,
    // first record, the middle of the memory, its last byte.
    for (const long long at : {0LL, 7LL, 2LL + 20 + 5, 2LL + 20 + 20000, 2LL + 20 + 65536}) {
        SCOPED_TRACE(at);
        boxes.shown.clear();
        prepare('D');
        goOnline();
        if (at > 0) port.dropAt = {port.bytesWritten() + at};
        ASSERT_EQ(run(), UploadOutcome::Complete);
        EXPECT_EQ(folder.read("back.hex"), imageText(0x4000, memory))
            << "2048 records of 16 bytes and the end";
        EXPECT_EQ(folder.read("back.rev"), std::string("FLANGE3\0", 8) + "0:??\r\n");
        EXPECT_FALSE(folder.read("back.lcf")) << "the K-900 has no configuration file";
        if (at == 0) {
            // One handshake, then two exchanges per byte: 10 ident bytes and 32768.
            EXPECT_EQ(sent().size(), 2u + 2 * (10 + 32768));
        }
        EXPECT_EQ(boxes.shown,
                  (std::vector<FakeMessageBox::Shown>{
                      box("Program Upload Complete!", "Program Upload", MsgIcon::Information)}));
        EXPECT_FALSE(program.progress.InUploadMode);
        EXPECT_TRUE(link.OnlineMode);
        EXPECT_FALSE(link.CommError);
        link.CloseRSComm();
    }
}

TEST_F(Upload, PlsSetGetsRevisionAndAnEmptyImage) {
    setIdent("", 0, 0);
    prepare('7');
    goOnline();
    ASSERT_EQ(run(), UploadOutcome::Complete);
    EXPECT_EQ(folder.read("back.hex"), ":00000001FF\r\n");
    EXPECT_EQ(folder.read("back.rev"), std::string(8, '\0') + "0000\r\n");
}

TEST_F(Upload, ConfigurationBoardsWriteTheirConfigurationLine) {
    struct Row {
        int b8190, b8189, b8188;
        const char* digits;  // positions 36 to 40 (37 and 38 always 0)
    };
    const Row rows[] = {{3, 4, 5, "10041"}, {5, 0, 10, "20002"}, {12, 7, 20, "30073"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.digits);
        for (const auto& [item, value] :
             {std::pair{"B8190", r.b8190}, {"B8189", r.b8189}, {"B8188", r.b8188}})
            board.preset(item, value);
        prepare(':');
        goOnline();
        ASSERT_EQ(run(), UploadOutcome::Complete);
        EXPECT_EQ(folder.read("back.lcf"), "@" + std::string(34, '0') + r.digits + "000%\r\n");
        link.CloseRSComm();
    }
}

TEST_F(Upload, LinkFaultOnTheLastByteLeavesTheEarlierSetAsItWas) {
    CutPort cut(port);
    folder.write("back.rev", "OLDREV0102\r\n");
    folder.write("back.lcf", "OLD LCF\r\n");
    folder.write("back.hex", ":00000001FF\r\n");
    fillMemory(0x2000, 0x6000);
    prepare(':');
    link.OnlineMode = true;
    link.OpenRSComm(cut);
    ASSERT_TRUE(link.OnlineMode);
    // After the greeting: handshake, 10 ident bytes, 3 configuration items,
    // then the memory; the last byte's low address byte is never answered.
    cut.after = cut.written + 2 + 2 * (10 + 3 + 0x6000);
    ASSERT_EQ(run(), UploadOutcome::NotComplete);
    EXPECT_EQ(boxes.shown.back(), box("Program Upload Not Complete!\r\n\r\nHEX file not created.",
                                      "Program Upload", MsgIcon::Critical));
    EXPECT_EQ(folder.read("back.rev"), "OLDREV0102\r\n");
    EXPECT_EQ(folder.read("back.lcf"), "OLD LCF\r\n");
    EXPECT_EQ(folder.read("back.hex"), ":00000001FF\r\n");
    EXPECT_TRUE(link.CommError);
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_FALSE(program.progress.InUploadMode);
}

TEST_F(Upload, RefusedBeforeTheBoardIsTouched) {
    struct Row {
        const char* name;
        std::optional<char> type;  // nothing: no program file
        bool online;
        bool inUploadMode;
        std::vector<FakeMessageBox::Shown> expected;
    };
    const auto one = [](const std::string& text, MsgIcon icon) {
        return std::vector{box(text, "Program Upload", icon)};
    };
    const Row rows[] = {
        {"not asked", 'D', true, false, {}},
        {"offline", 'D', false, true,
         one("Program is Currently OFFLINE.\r\n\r\nSwitch to ONLINE MODE to Continue.",
             MsgIcon::Information)},
        {"N-22 reaches FFFFH", '2', true, true,
         one("Program Upload Not Complete!\r\n\r\nThe N-22 program memory runs to FFFFH; "
             "addresses FF00H to FFFFH cannot be read over the PROG port.\r\n\r\nHEX file not "
             "created.",
             MsgIcon::Critical)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        boxes.shown.clear();
        prepare(*r.type, r.name);
        program.progress.InUploadMode = r.inUploadMode;
        if (r.online) goOnline();
        port.clearTrace();
        EXPECT_NE(run(), UploadOutcome::Complete);
        EXPECT_TRUE(sent().empty());
        EXPECT_EQ(boxes.shown, r.expected);
        EXPECT_FALSE(folder.read(std::string(r.name) + ".rev"));
        EXPECT_FALSE(folder.read(std::string(r.name) + ".hex"));
        EXPECT_FALSE(program.progress.InUploadMode);
        link.CloseRSComm();
    }
}

// The set is replaced as one unit: each new file is written whole beside
// its target first, and only then are they renamed into place, the .rev
// last. A file that cannot be written, or a rename that fails part way,
// leaves the earlier set byte for byte (and no temporary file behind).
TEST_F(Upload, WriteFailureLeavesTheEarlierSetByteForByte) {
    struct Row {
        const char* name;
        bool fullDisk;     // files larger than 4 KiB cannot be written
        bool revIsFolder;  // the .rev cannot be replaced
    };
    fillMemory(0x2000, 0x6000);
    setIdent("NEWIDENT", 1, 2);
    for (const Row& r : {Row{"no room for the image", true, false},
                         Row{"the revision file cannot be replaced", false, true}}) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove_all(folder.path("back.rev"));
        if (r.revIsFolder)
            folder.write("back.rev/keep", "x");
        else
            folder.write("back.rev", "OLDREV0102\r\n");
        folder.write("back.lcf", "OLD LCF\r\n");
        folder.write("back.hex", ":00000001FF\r\n");
        prepare(':');
        goOnline();
        boxes.shown.clear();

        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
        if (r.fullDisk) {
            rlimit small = old;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const UploadOutcome outcome = run();
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldSignal);

        EXPECT_EQ(outcome, UploadOutcome::WriteFailed);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "RSComm-Upload Program");
        EXPECT_NE(boxes.shown[0].text.find(r.fullDisk ? "back.hex" : "back.rev"), std::string::npos)
            << boxes.shown[0].text;
        if (!r.revIsFolder) {
            EXPECT_EQ(folder.read("back.rev"), "OLDREV0102\r\n");
        }
        EXPECT_EQ(folder.read("back.lcf"), "OLD LCF\r\n");
        EXPECT_EQ(folder.read("back.hex"), ":00000001FF\r\n");
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            if (e.path().filename().string().rfind("back", 0) == 0)
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names,
                  (std::vector<std::string>{"back.hex", "back.lcf", "back.rev", "back.tnx"}));
        link.CloseRSComm();
    }
}

}  // namespace
}  // namespace voran::testing
