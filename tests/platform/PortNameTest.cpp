// Port names as the operator types them, the program folder's mapping of
// COM numbers to them, line settings, the serial devices of a made-up /dev,
// and the real serial port over a pseudo-terminal whose far side the test holds.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "platform/Clock.h"
#include "platform/LineSettings.h"
#include "platform/PortMap.h"
#include "platform/PortName.h"
#include "platform/PosixSerialPort.h"
#include "platform/SerialDevices.h"

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

TEST(SettingsText, ReadsSpeedParityBitsAndStopBitsOrNothing) {
    const std::pair<const char*, LineSettings> good[] = {{"9600,n,8,1", {9600, 'n', 8, 1}},
                                                         {"19200,N,8,1", {19200, 'n', 8, 1}},
                                                         {" 9600 , e , 7 , 2 ", {9600, 'e', 7, 2}},
                                                         {"4800,o,8,1", {4800, 'o', 8, 1}}};
    for (const auto& [text, expected] : good) EXPECT_EQ(ParseLineSettings(text), expected) << text;
    for (const char* text : {"", "9600", "9600,n,8", "9600,n,8,1,1", "9601,n,8,1", "9600,x,8,1",
                             "9600,n,9,1", "9600,n,8,3", "-9600,n,8,1", "99999999999,n,8,1"})
        EXPECT_EQ(ParseLineSettings(text), std::nullopt) << text;
}

TEST(SerialDevices, UsbAdaptersComeFirstByTheirLastingNamesThenLooseAdaptersThenBuiltInPorts) {
    TempFolder root;
    for (const char* name : {"ttyS10", "ttyS2", "ttyS0", "ttyUSB0", "ttyUSB1", "ttyACM0", "tty",
                             "ttySX", "ttyprintk", "null"})
        root.write(std::string("dev/") + name, "");
    std::filesystem::create_directories(root.path("dev/serial/by-id"));
    std::filesystem::create_symlink(
        "../../ttyUSB1",
        root.path("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    std::filesystem::create_symlink(
        "../../ttyACM0", root.path("dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563-if00"));

    const std::vector<FoundDevice> expected = {
        {"/dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563-if00",
         "Arduino www.arduino.cc 0043, serial 7563 (ttyACM0)"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         "FTDI FT232R USB UART, serial A50285BI (ttyUSB1)"},
        {"/dev/ttyUSB0", "USB serial adapter"},
        {"/dev/ttyS0", "serial port COM1"},
        {"/dev/ttyS2", "serial port COM3"},
        {"/dev/ttyS10", "serial port COM11"},
    };
    EXPECT_EQ(FindSerialDevices(root.path()), expected);

    TempFolder empty;
    EXPECT_TRUE(FindSerialDevices(empty.path()).empty()) << "no /dev at all: nothing, no failure";
}

namespace fs = std::filesystem;

class PtyPort : public ::testing::Test {
protected:
    PtyPort() {
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        // Odd case on purpose: the program asks for Support/COM7.
        fs::create_directories(folder.path("SUPPORT"));
        fs::create_symlink(::ttyname(slave), folder.path("SUPPORT/Com7"));
        fs::create_symlink("/dev/voran-no-such-adapter", folder.path("SUPPORT/COM5"));
    }
    ~PtyPort() override {
        ::close(master);
        ::close(slave);  // kept open so that the master never reports a hang-up
    }
    int readMaster() {
        pollfd p{master, POLLIN, 0};
        std::uint8_t b = 0;
        return ::poll(&p, 1, 1000) == 1 && ::read(master, &b, 1) == 1 ? b : -1;
    }
    void writeMaster(int b) {
        const auto byte = static_cast<std::uint8_t>(b);
        ASSERT_EQ(::write(master, &byte, 1), 1);
    }
    // The reason port `number` gives for not opening ("" when it opens).
    std::string refusal(PosixSerialPort& port, int number) {
        port.setPortNumber(number);
        PortError error;
        return port.open(&error) ? "" : error.description;
    }

    TempFolder folder;
    voran::SystemClock clock;
    PosixSerialPort port{clock, folder.path()};
    int master = -1, slave = -1;
};

TEST_F(PtyPort, CarriesEveryByteRawEachWayThroughTheSupportLinkWhateverItsCase) {
    ASSERT_TRUE(port.setSettings("19200,n,8,1", nullptr));
    ASSERT_EQ(refusal(port, 7), "");
    for (int b : {0xFF, 0x00, 0x0A, 0x0D, 0x11, 0x13, 0x03}) {  // bytes a cooked line would eat
        ASSERT_TRUE(port.writeByte(static_cast<std::uint8_t>(b)));
        EXPECT_EQ(readMaster(), b);
        writeMaster(b ^ 0x55);
        ASSERT_TRUE(port.waitForByte(clock.now() + 2.0));
        EXPECT_EQ(port.bytesWaiting(), 1);
        EXPECT_EQ(port.readByte(), b ^ 0x55);
        EXPECT_EQ(port.readByte(), -1) << "nothing more waiting";
    }
    writeMaster(1);
    writeMaster(2);
    ASSERT_TRUE(port.waitForByte(clock.now() + 2.0));
    port.discardInput();
    EXPECT_EQ(port.readByte(), -1) << "discarded";
    const double deadline = clock.now() + 0.05;
    EXPECT_FALSE(port.waitForByte(deadline));
    EXPECT_GE(clock.now(), deadline);
}

TEST_F(PtyPort, APortInUseOrMissingIsRefusedAtOnceSayingWhy) {
    PosixSerialPort second(clock, folder.path());
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(refusal(port, 7), "") << round;
        const std::string why = refusal(second, 7);
        EXPECT_NE(why.find("COM7 ("), std::string::npos) << why;
        EXPECT_NE(why.find("in use by another program"), std::string::npos) << why;
        port.close();
        EXPECT_FALSE(port.writeByte(0x55));
    }
    ASSERT_EQ(refusal(second, 7), "");
    ASSERT_TRUE(second.writeByte(0x55));
    EXPECT_EQ(readMaster(), 0x55);

    const std::pair<int, std::vector<std::string>> missing[] = {
        {98, {"COM98", "/dev/ttyS97"}}, {5, {"COM5", "/dev/voran-no-such-adapter"}}};
    for (const auto& [number, mentions] : missing) {
        PosixSerialPort other(clock, folder.path());
        const std::string why = refusal(other, number);
        for (const std::string& m :
             {std::string("There is no such port"), mentions[0], mentions[1]})
            EXPECT_NE(why.find(m), std::string::npos) << m << " in " << why;
    }
}

TEST_F(PtyPort, AHungUpDeviceEndsTheWaitAtOnceAndSaysItIsGone) {
    // A manual clock: a wait that is waited out moves it to the deadline.
    voran::ManualClock manual;
    PosixSerialPort unplugged(manual, folder.path());
    ASSERT_EQ(refusal(unplugged, 7), "");
    EXPECT_FALSE(unplugged.lost());
    ::close(master);  // the adapter goes away
    master = -1;
    const double t0 = manual.now();
    EXPECT_FALSE(unplugged.waitForByte(t0 + 5.0));
    EXPECT_EQ(manual.now(), t0) << "the wait ended at once";
    PortError why;
    ASSERT_TRUE(unplugged.lost(&why));
    EXPECT_NE(why.description.find("is gone"), std::string::npos) << why.description;
    EXPECT_EQ(unplugged.readByte(), -1);
}

}  // namespace
}  // namespace voran::testing
