#pragma once

#include <string>

namespace voran {

// The folder that holds the running executable.
std::string ExecutableFolder();

// The program folder: where voran, voran-cli and k900-sim keep Support/
// (RSPort.cfg, the COM<n> links, the fault-text files) and Help/. All three
// find it the same way, so k900-sim links the Support/COM<n> that voran and
// voran-cli open. ChooseProgramFolder(ExecutableFolder(), UserProgramFolder()).
std::string ProgramFolder();

// The rule behind ProgramFolder:
// - `exeFolder` itself when this user may write there and it is not an
//   installed program's folder (no installed defaults in
//   `exeFolder`/../share/voran): the build tree, a program folder copied to a
//   stick or a share;
// - otherwise `userFolder`. When it does not exist yet it is made, holding a
//   copy of the installed defaults when there are any (seeded once: an
//   existing `userFolder` is left as its user keeps it, even if a file was
//   removed). When it can be neither found nor made, `exeFolder`.
std::string ChooseProgramFolder(const std::string& exeFolder, const std::string& userFolder);

// The per-user program folder: $XDG_DATA_HOME/voran when XDG_DATA_HOME is an
// absolute path, else $HOME/.local/share/voran; empty without a home.
std::string UserProgramFolder();

// Where an installed program's default program folder lies, relative to the
// folder of its executable.
inline constexpr const char* kInstalledDefaults = "../share/voran";

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
