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

}  // namespace voran
