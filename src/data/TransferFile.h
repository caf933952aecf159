#pragma once

#include <string>

#include "data/Transfer.h"
#include "platform/Clock.h"

namespace voran {

// A headless backup or restore of the whole data set: the transfer sequence
// of Upload/Download Data between the board and a set-up file, for the
// command line.
struct FileTransferOutcome {
    bool ok = false;
    // Why it failed, in words for the operator (empty when ok).
    std::string error;
    TransferReport report;
};

// Reads every item and the PLS from the board into a record with the
// standard item table, stamped now and tagged with this program's version,
// and writes it to `path` only when everything was read: a cancelled or
// failed upload never leaves a partial file (an existing file stays as it
// was).
FileTransferOutcome UploadToFile(RSComm& link, IClock& clock, const std::string& path,
                                 TransferHooks hooks = {});

// Reads the set-up file `path` and sends it to the board. A file written by
// another program version is refused unless `anyVersion`; a file whose item
// table does not hold exactly the 78 items is refused always; values that
// cannot travel are refused before anything is sent, and so is an address
// table that differs from the program's own unless hooks.acceptAddresses
// takes it.
FileTransferOutcome DownloadFromFile(RSComm& link, const std::string& path, bool anyVersion,
                                     TransferHooks hooks = {});

}  // namespace voran
