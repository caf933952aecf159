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

}  // namespace voran
