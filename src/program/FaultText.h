#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/MessageBox.h"

namespace voran {

// Support/FaultErrCodes.txt under the program folder (any case of letters).
std::string FaultFile(const std::string& programFolder);

// "Fault Code (0AH): " followed by the description of the first record of
// `faultFile` whose code field is the code's hexadecimal text (without
// regard to case), or "--- Fault File Not Found ---" when there is no file.
// A record is one line: the code, a comma, the description; either may be
// enclosed in double quotes so that it can hold commas.
// A file that is not a regular file, or one past the reading limit, gives
// the error box and no description.
std::string FaultDescription(int fltCode, const std::string& faultFile, IMessageBox& messages);

// The description of the first record of a code file's text (fault texts,
// comm error texts) whose code field is `code` without regard to case; a
// byte-order mark in front is skipped. Nothing when no record has it. The
// one rule for a code listed twice, for the fault line of `status` and for
// the target board window alike.
std::optional<std::string> FindCodeRecord(std::string_view text, const std::string& code);

}  // namespace voran
