#pragma once

#include <cstddef>
#include <string>

#include "number/NumberText.h"

namespace voran {

// The installation's text files (fault texts, comm error texts, program
// lists) hold comma-separated records whose fields may be quoted.

// One field of a record from `pos`: blanks before it are skipped; a field in
// double quotes runs to the closing quote, any other to the next comma (the
// blanks before that comma are not part of it). `pos` ends after the comma,
// or at the end of the line.
std::string NextRecordField(const std::string& line, std::size_t& pos);

}  // namespace voran
