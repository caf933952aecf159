// The serial devices offered for a COM number, found in a made-up /dev.
#include <gtest/gtest.h>

#include <filesystem>

#include "ProgramRun.h"
#include "platform/SerialDevices.h"

namespace voran::testing {
namespace {

namespace fs = std::filesystem;

TEST(SerialDevices, UsbAdaptersComeFirstByTheirLastingNamesThenLooseAdaptersThenBuiltInPorts) {
    TempFolder root;
    for (const char* name : {"ttyS10", "ttyS2", "ttyS0", "ttyUSB0", "ttyUSB1", "ttyACM0", "tty",
                             "ttySX", "ttyprintk", "null"})
        root.write(std::string("dev/") + name, "");
    fs::create_directories(root.path("dev/serial/by-id"));
    fs::create_symlink("../../ttyUSB1",
                       root.path("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    fs::create_symlink("../../ttyACM0",
                       root.path("dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563-if00"));

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

}  // namespace
}  // namespace voran::testing
