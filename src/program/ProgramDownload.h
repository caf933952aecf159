#pragma once

#include "link/RSComm.h"
#include "platform/MessageBox.h"
#include "program/ProgramState.h"

namespace voran {

// How a program download ended.
enum class DownloadOutcome {
    Complete,     // "Program Download Complete!": every record and the ident block went in
    NotStarted,   // offline, no valid program, the link held, or the ident read failed
    Declined,     // the operator did not answer Yes to the comparison
    Refused,      // the image file is missing, empty or invalid: nothing was sent
    Halted,       // a record's answer was wrong or missing, or the board stayed in program mode
    NotComplete,  // a link fault stopped it ("Program Download Not Complete!")
};

// Sends the selected program (state.set, chosen by DownloadFile) to the
// board: compares the program on disk with the board's ident block and asks,
// checks the whole image file, puts the board into program mode, sends
// every record and checks its answer, leaves program mode and writes the
// ident block. Tells the operator through `messages` at every end.
DownloadOutcome DumpProgram(RSComm& link, ProgramState& state, IMessageBox& messages);

// The title of the question asked before bytes outside the board type's
// program memory are sent.
inline constexpr const char* kOutsideMemoryTitle = "Program Download - Outside Program Memory";

// The question before a download: the program on disk and the program in
// the board (ident, revision, checksum).
std::string DownloadQuestion(const ProgramSet& set, const std::string& boardIdent,
                             const std::string& boardRevision, const std::string& boardChecksum);

}  // namespace voran
