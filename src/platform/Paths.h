#pragma once

#include <string>

namespace voran {

// The folder that holds the running executable.
std::string ProgramFolder();

// `relative` ("Support/RSPort.cfg", "\\support\\FaultErrCodes.txt") under
// `folder`, each component matched without regard to case against what
// exists; components that do not exist keep the spelling given. Backslashes
// are taken as separators.
std::string ResolvePath(const std::string& folder, const std::string& relative);

// The device file of COM port `port` on Linux: what `<folder>/Support/COM<n>`
// links to when that link exists (the way COM ports are mapped to devices
// there), otherwise /dev/ttyS<n-1>.
std::string ComPortDevice(const std::string& folder, int port);

// What port number `port` opens on this machine, for telling the operator
// before the port is tried. `device` is what ComPortDevice gives, or, for a
// link, the device it points to.
struct ComPortMapping {
    std::string name;      // "COM3"
    std::string link;      // <folder>/Support/COM3 (existing spelling)
    bool linked = false;   // the link exists (even when its target does not)
    std::string device;    // /dev/ttyUSB0, or /dev/ttyS2 without a link
    bool present = false;  // the device exists
};
ComPortMapping DescribeComPort(const std::string& folder, int port);

}  // namespace voran
