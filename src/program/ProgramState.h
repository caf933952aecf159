#pragma once

#include <functional>
#include <string>

#include "program/ProgramFiles.h"

namespace voran {

// Where a program transfer stands, for the progress window (and the
// command line) to show.
struct ProgramProgress {
    bool InProgramMode = false;  // a download is running
    bool InUploadMode = false;   // an upload is (about to be) running
    bool WritingIdent = false;   // the download writes the ident block
    bool ReadingIdent = false;   // the upload reads the ident block
    // The record being sent or read: four hexadecimal digits and "H"; " "
    // before the first record.
    std::string CurrentProgramAdd;
};

// Which way a program transfer runs: into the board, or back out of it.
enum class ProgramTransfer { Download, Upload };

// The program side of the link: the chosen file set, the progress of the
// running transfer, and how a transfer lets the rest of the program run.
struct ProgramState {
    ProgramSet set;
    ProgramProgress progress;
    // Called once per record: lets pending window events run (the progress
    // window's timer) or prints progress. May be empty.
    std::function<void()> doEvents;
    // True once the operator asked the transfer to stop (the progress
    // window's Cancel). Looked at between records and after the pause that
    // follows the records, never inside a record. May be empty.
    std::function<bool()> stopRequested;
    bool stopWanted() const { return stopRequested && stopRequested(); }
};

// The ident block of the board's program memory: the program's ident text
// (8 bytes), checksum and revision, at byte addresses 61424 to 61433.
inline constexpr int kIdentBlock = 61424;
inline constexpr int kIdentBlockLength = 10;

}  // namespace voran
