#pragma once

#include <string>

// The addresses that differ between board models. `targetBoardIndex` is the
// board type code of the ident block (49 N-21, 50 N-22, 58 K-310 and so on).
namespace voran {

// An input, output or relay name ("X30", "Y1.3", "I21") as the B byte (and
// bit) that holds it on the board model; any other text comes back as it is.
std::string EquateAdd(const std::string& var, int targetBoardIndex);
// True when the board model has the item address `var` (letter, number and
// for the I/O letters the group/point notation).
bool ValidAdd(const std::string& var, int targetBoardIndex);

}  // namespace voran
