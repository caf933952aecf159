#pragma once

#include "link/RSComm.h"
#include "platform/MessageBox.h"
#include "program/ProgramState.h"

namespace voran {

// How a program upload ended.
enum class UploadOutcome {
    Complete,     // every byte read and the whole set written
    NotStarted,   // not asked for (InUploadMode clear), offline, or the link held
    Refused,      // the program file is missing or empty, or its memory cannot be read
    NotComplete,  // a read failed: no file was touched
    WriteFailed,  // every byte was read but a file could not be written
};

// Reads the program in the board back into the file set chosen by
// UploadFile: the ident block into the revision file, the configuration
// items into the configuration file (configuration boards only) and the
// board type's program memory into the image file. The three files are
// written only after every byte was read, each replaced whole, so a failed
// upload leaves the earlier set exactly as it was.
UploadOutcome UploadProgram(RSComm& link, ProgramState& state, IMessageBox& messages);

}  // namespace voran
