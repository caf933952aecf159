#pragma once

#include <string>
#include <vector>

namespace voran {

// A serial device found on this machine, to be offered for a COM number.
struct FoundDevice {
    std::string path;         // /dev/serial/by-id/usb-FTDI_..., /dev/ttyS0
    std::string description;  // "FTDI FT232R USB UART, serial A50285BI (ttyUSB0)"
    bool operator==(const FoundDevice&) const = default;
};

// The serial devices under `root` (the file system's root; a test gives a
// folder of its own): first the USB adapters by their lasting names in
// dev/serial/by-id, with the maker and product their name carries and the
// device they stand for today; then adapters that have no such name
// (dev/ttyUSB*, dev/ttyACM*); then the built-in ports dev/ttyS* that exist,
// by number. Paths are given as on the machine ("/dev/..."), whatever the
// root.
std::vector<FoundDevice> FindSerialDevices(const std::string& root = "/");

// The words a by-id name carries: "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
// gives "FTDI FT232R USB UART, serial A50285BI".
std::string ByIdDescription(const std::string& name);

}  // namespace voran
