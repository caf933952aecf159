#pragma once

#include <string>

#include <vector>

#include "data/Comparison.h"
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

// Why a set-up file's item table cannot be sent: "PATH holds 40 items, not
// 78", or "PATH holds 78 addresses but 10 values"; empty when it holds the
// 78 items.
std::string ItemCountRefusal(const std::string& path, const SetupData& file);
// Why a set-up file of another program version is not sent unless asked:
// "PATH was written by set-up program version "X", not Y; its data tables
// may not be properly aligned"; empty for this version's files.
std::string VersionRefusal(const std::string& path, const SetupData& file);

// Reads the set-up file `path` and sends it to the board. A file written by
// another program version is refused unless `anyVersion`; a file whose item
// table does not hold exactly the 78 items is refused always; values that
// cannot travel are refused before anything is sent, and so is an address
// table that differs from the program's own unless hooks.acceptAddresses
// takes it.
FileTransferOutcome DownloadFromFile(RSComm& link, const std::string& path, bool anyVersion,
                                     TransferHooks hooks = {});

// What comparing a set-up file with the board found.
struct FileComparison {
    // The board was read whole; `differences` is then the whole list.
    bool ok = false;
    std::string error;
    TransferReport report;
    std::vector<Difference> differences;
};

// Reads the set-up file `path`, then reads the board the way an upload does
// at the file's addresses, and lists what a download of the file would
// change. A file a download refuses is refused here too, in the same words
// (ItemCountRefusal, and VersionRefusal unless `anyVersion`). Nothing is
// written, to the board or to a file.
FileComparison CompareFileWithBoard(RSComm& link, const std::string& path, TransferHooks hooks = {},
                                    bool anyVersion = false);

}  // namespace voran
