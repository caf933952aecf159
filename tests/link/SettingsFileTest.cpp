// The port and speed the link takes from Support/RSPort.cfg, and a port that
// cannot be opened.
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "FileKinds.h"
#include "LinkFixture.h"

namespace voran::testing {
namespace {

TEST(PortSettingsFile, ANamedPipeOrADeviceIsRefusedAtOnceAndLeftAsItIs) {
    // RSPort.cfg as a pipe nobody writes to, or as a link to a device node:
    // reading the pipe would wait forever, replacing the link would turn the
    // node into a file. Both are refused with the file's name, untouched.
    const struct {
        const char* name;
        bool device;
    } rows[] = {{"named pipe", false}, {"link to a device node", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.device && ::geteuid() != 0) continue;  // only the superuser makes nodes
        HangGuard guard;
        FreshLink l;
        TempFolder& folder = l.folder;
        std::filesystem::create_directories(folder.path("Support"));
        const std::string path = folder.path("Support/RSPort.cfg");
        const std::string node = folder.path("null");
        if (r.device) {
            ASSERT_TRUE(MakeDeviceNode(node));
            std::filesystem::create_symlink(node, path);
        } else {
            ASSERT_TRUE(MakeFifo(path));
        }
        l.link.OpenRSComm(l.port);
        ASSERT_EQ(l.boxes.shown.size(), 1u);
        EXPECT_EQ(l.boxes.shown[0].text, "Error Number = 22\r\n\r\nNot a regular file: " + path);
        EXPECT_FALSE(l.link.OnlineMode || l.port.isOpen());
        EXPECT_TRUE(r.device ? IsDeviceNode(node) : IsFifo(path));
    }
}

TEST(PortSettingsFile, EachKindOfContentOpensTheRightPortAndTheFolderIsFoundInAnyCase) {
    const struct {
        const char* name;
        std::optional<std::string> content;  // nothing: no file and no folder
        int port;
        const char* lineSettings;
        std::string fileAfter;
    } rows[] = {
        {"port and fast speed", "3,19200", 3, "19200,n,8,1", "3,19200"},
        {"unknown speed", "3,4800", 3, "9600,n,8,1", "3,4800"},
        {"windows line end", "4,19200\r\n", 4, "19200,n,8,1", "4,19200\r\n"},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "3,19200\n",
         3, "19200,n,8,1",
         "\xEF\xBB\xBF"
         "3,19200\n"},
        {"empty file", "", 1, "9600,n,8,1", "1,9600\n"},
        {"missing file and folder", std::nullopt, 1, "9600,n,8,1", "1,9600\n"},
        {"letters", "abc", 1, "9600,n,8,1", "1,9600\n"},
        {"letters for the speed", "3,fast", 3, "9600,n,8,1", "3,9600\n"},
        {"missing comma", "3 19200", 3, "9600,n,8,1", "3,9600\n"},
        {"letters for the port", "com3,19200", 1, "19200,n,8,1", "1,19200\n"},
        {"extra line", "5,19200\n7,9600\n", 5, "19200,n,8,1", "5,19200\n7,9600\n"},
        {"port 0", "0,9600", 1, "9600,n,8,1", "0,9600"},
        {"port 120", "120,19200", 99, "19200,n,8,1", "120,19200"},
        {"huge port", "99999999999999999999,9600", 99, "9600,n,8,1", "99999999999999999999,9600"},
    };
    for (const auto& r : rows) {
        FreshLink l;
        if (r.content) l.folder.write("Support/RSPort.cfg", *r.content);
        l.link.OpenRSComm(l.port);
        EXPECT_TRUE(l.link.OnlineMode) << r.name;
        EXPECT_EQ(l.port.portNumber(), r.port) << r.name;
        EXPECT_EQ(l.port.settings(), r.lineSettings) << r.name;
        EXPECT_EQ(l.folder.read("Support/RSPort.cfg"), r.fileAfter) << r.name;
        EXPECT_TRUE(l.boxes.shown.empty()) << r.name;
    }
    // The settings folder is found whatever its case.
    FreshLink l;
    l.folder.write("support/rsport.cfg", "6,19200");
    l.link.OpenRSComm(l.port);
    EXPECT_EQ(l.port.portNumber(), 6);
    EXPECT_EQ(l.link.CommSettingsFile(), l.folder.path() + "/support/rsport.cfg");
    EXPECT_FALSE(std::filesystem::exists(l.folder.path() + "/Support"));
}

TEST_F(LinkTest, APortThatCannotOpenShowsThePlatformsReason) {
    port.openError = {2, "SimPort", "No such port: /dev/ttyS2 (Support/COM3 does not exist)."};
    link.OpenRSComm(port);
    EXPECT_EQ(boxes.shown,
              (Boxes{{"Error Number = 2\r\nError Source = SimPort\r\n\r\nNo such port: "
                      "/dev/ttyS2 (Support/COM3 does not exist).",
                      "Comm Port Error", MsgButtons::Ok, MsgIcon::Critical}}));
    EXPECT_FALSE(link.OnlineMode);
    EXPECT_TRUE(link.CommError && link.linkDisabled());
    EXPECT_TRUE(port.wire.empty());

    port.openError = {};
    link.OpenRSComm(port);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_FALSE(link.linkDisabled());
}

TEST_F(LinkTest, ASettingsFileThatCannotBeWrittenAsksRetryOrCancel) {
    folder.write("Support", "not a folder");  // a plain file where the folder should be
    link.OpenRSComm(port);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const auto& box = boxes.shown[0];
    EXPECT_EQ(box.text.rfind("Error Number = ", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(box, (FakeMessageBox::Shown{box.text, "RSComm InitializeRSComm",
                                          MsgButtons::RetryCancel, MsgIcon::Critical}));
    EXPECT_TRUE(link.linkDisabled());
    EXPECT_FALSE(link.OnlineMode || port.isOpen());
    EXPECT_TRUE(port.wire.empty());

    // Retry once the folder is put right goes online.
    boxes.answers = {MsgResult::Retry};
    boxes.whileOpen = [&] { std::filesystem::remove(folder.path() + "/Support"); };
    link.OpenRSComm(port);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(link.OnlineMode);
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "1,9600\n");
}

}  // namespace
}  // namespace voran::testing
