#pragma once

#include <string>

#include "platform/MessageBox.h"

namespace voran {

// Support/FaultErrCodes.txt under the program folder (any case of letters).
std::string FaultFile(const std::string& programFolder);

// "Fault Code (0AH): " followed by the description of the first record of
// `faultFile` whose code field is the code's hexadecimal text (without
// regard to case), or "--- Fault File Not Found ---" when there is no file.
// A record is one line: the code, a comma, the description; either may be
// enclosed in double quotes so that it can hold commas.
std::string FaultDescription(int fltCode, const std::string& faultFile, IMessageBox& messages);

}  // namespace voran
