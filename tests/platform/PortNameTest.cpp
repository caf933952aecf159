// Port names as the operator types them (voran-cli --port, Edit > Comm
// Port), and the program folder's mapping of COM numbers to them.
#include <gtest/gtest.h>

#include "ProgramRun.h"
#include "platform/PortMap.h"
#include "platform/PortName.h"

namespace voran::testing {
namespace {

using Kind = PortName::Kind;

TEST(PortNames, EveryFormReadsAndWritesBackAsTheOperatorTypesIt) {
    struct Case {
        const char* text;
        PortName name;
        const char* back;
    };
    const Case cases[] = {
        {"3", {Kind::Number, 3, "", "", 0}, "COM3"},
        {" 99 ", {Kind::Number, 99, "", "", 0}, "COM99"},
        {"COM7", {Kind::Number, 7, "", "", 0}, "COM7"},
        {"com07", {Kind::Number, 7, "", "", 0}, "COM7"},
        {"/dev/ttyUSB0", {Kind::Device, 1, "/dev/ttyUSB0", "", 0}, "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         {Kind::Device, 1, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "", 0},
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
        {"socket://127.0.0.1:4001",
         {Kind::RawTcp, 1, "", "127.0.0.1", 4001},
         "socket://127.0.0.1:4001"},
        {"SOCKET://line3-ds.plant.example:1",
         {Kind::RawTcp, 1, "", "line3-ds.plant.example", 1},
         "socket://line3-ds.plant.example:1"},
        {"rfc2217://localhost:65535",
         {Kind::Rfc2217, 1, "", "localhost", 65535},
         "rfc2217://localhost:65535"},
        {"rfc2217://[::1]:2217", {Kind::Rfc2217, 1, "", "::1", 2217}, "rfc2217://[::1]:2217"},
    };
    for (const Case& c : cases) {
        const PortNameParse p = ParsePortName(c.text);
        ASSERT_TRUE(p.name) << c.text << ": " << p.error;
        EXPECT_EQ(*p.name, c.name) << c.text;
        EXPECT_EQ(p.name->text(), c.back);
        EXPECT_EQ(ParsePortName(p.name->text()).name, p.name) << "reads back";
        EXPECT_EQ(p.name->network(), c.name.kind == Kind::RawTcp || c.name.kind == Kind::Rfc2217);
    }
}

TEST(PortNames, BadFormsAreRefusedSayingWhatIsWrong) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "No port given"},
        {"   ", "No port given"},
        {"0", "COM port numbers run from 1 to 99"},
        {"100", "COM port numbers run from 1 to 99"},
        {"COM0", "COM port numbers run from 1 to 99"},
        {"-3", "expected a COM port number 1 to 99"},
        {"ttyUSB0", "a device path such as /dev/ttyUSB0"},
        {"COM", "expected a COM port number"},
        {"/dev/", "a folder is not a serial device"},
        {"socket://", "no port number"},
        {"socket://host", "no port number"},
        {"socket://:4001", "no host"},
        {"socket://host:", "no port number"},
        {"socket://host:0", "the TCP port 0 is outside 1 to 65535"},
        {"socket://host:65536", "the TCP port 65536 is outside 1 to 65535"},
        {"socket://host:4001/x", "nothing may follow the port number (\"/x\")"},
        {"rfc2217://host:4001?logging=debug", "nothing may follow the port number"},
        {"socket://ho st:1", "is not a host name or address"},
        {"socket://::1:4001", "an IPv6 address goes in brackets"},
        {"rfc2217://[::1:4001", "the [ of an IPv6 address is not closed"},
        {"rfc2217://[zz]:4001", "\"zz\" is not an IPv6 address"},
        {"telnet://host:23", "\"telnet://\" is not a kind of port here"},
    };
    for (const auto& [text, why] : cases) {
        const PortNameParse p = ParsePortName(text);
        EXPECT_FALSE(p.name) << text;
        EXPECT_NE(p.error.find(why), std::string::npos) << text << " -> " << p.error;
        if (std::string(text).find_first_not_of(' ') != std::string::npos) {
            EXPECT_EQ(p.error.rfind("\"", 0), 0u) << "names the text: " << p.error;
        }
    }
}

TEST(PortMapping, MapsNumbersBesideRSPortCfgKeepingOtherLinesAndSkippingBadOnes) {
    TempFolder folder;
    folder.write("Support/RSPort.cfg", "3,19200\n");
    EXPECT_EQ(MappedPort(folder.path(), 3), std::nullopt) << "no file: nothing mapped";

    const auto tcp = ParsePortName("socket://127.0.0.1:4001").name;
    const auto usb = ParsePortName("/dev/serial/by-id/usb-Prolific_PL2303-if00-port0").name;
    ASSERT_TRUE(SavePortMapping(folder.path(), 3, tcp));
    ASSERT_TRUE(SavePortMapping(folder.path(), 12, usb));
    EXPECT_EQ(folder.read("Support/PortMap.cfg"),
              "3,socket://127.0.0.1:4001\n12,/dev/serial/by-id/usb-Prolific_PL2303-if00-port0\n");
    EXPECT_EQ(folder.read("Support/RSPort.cfg"), "3,19200\n") << "keeps its port,speed line";
    EXPECT_EQ(MappedPort(folder.path(), 3), tcp);
    EXPECT_EQ(MappedPort(folder.path(), 12), usb);

    ASSERT_TRUE(SavePortMapping(folder.path(), 3, std::nullopt));
    ASSERT_TRUE(SavePortMapping(folder.path(), 12, ParsePortName("12").name));
    EXPECT_EQ(folder.read("Support/PortMap.cfg"), "") << "a plain number takes the line out";

    // Written by hand: bad lines are skipped, a later line for a number wins.
    const auto map = ParsePortMap(
        "1,/dev/ttyUSB0\r\n"
        "junk\n"
        "0,/dev/ttyUSB1\n"
        "2,5\n"
        "3,ftp://x:1\n"
        "4,rfc2217://10.0.0.9:2217\n"
        "1,/dev/ttyUSB2\n");
    EXPECT_EQ(FormatPortMap(map), "1,/dev/ttyUSB2\n4,rfc2217://10.0.0.9:2217\n");
}

}  // namespace
}  // namespace voran::testing
