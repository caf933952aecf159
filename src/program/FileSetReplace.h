#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/FileReplace.h"

namespace voran {

// One file of a set to be replaced together.
struct FileSetEntry {
    std::string path;
    std::string_view bytes;
};

// Replaces several files as one unit: either every file gets its new bytes
// or every file keeps its old ones (a file that did not exist is not left
// behind).
//
// - Each new file is first written whole to a temporary file beside its
//   target and flushed to the disk; a write that fails (a full disk) removes
//   the temporary files and leaves the set as it was.
// - Only then are they renamed into place, in the order given (so the file
//   that says the set is whole goes last). The old files are kept under a
//   second name until the end; a rename that fails puts back the files
//   already replaced.
// - A symbolic link is followed: its target is replaced and the link stays.
//   An existing file keeps its permissions.
// The result names the file at fault.
FileWriteResult ReplaceFileSet(const std::vector<FileSetEntry>& files);

}  // namespace voran
