#pragma once

#include <string>
#include <string_view>

namespace voran {

// The outcome of replacing a file. `reason` says in words what went wrong
// ("Permission denied"); `error` is the reason followed by the path
// ("Permission denied: /path/file"); `errorNumber` is the platform's number
// where it has one (0 otherwise).
struct FileWriteResult {
    bool ok = false;
    int errorNumber = 0;
    std::string error;
    std::string reason;

    explicit operator bool() const { return ok; }
};

// Replaces the contents of the file at `path` with `bytes`, whole. Every file
// the program writes (set-up files, RSPort.cfg, exports, program images) goes
// through here.
//
// - The bytes go to a temporary file beside the target, are flushed to the
//   disk and only then renamed over the old file, so a failure at any point
//   leaves the old file as it was.
// - A symbolic link is followed: its target gets the new contents and the
//   link stays a link.
// - An existing file keeps its permissions, and its owner and group where
//   the process may give them.
// - An existing file the process may not write is refused, untouched; so is
//   a target that is not a regular file (a device, a named pipe, a socket),
//   with "Not a regular file".
// - Where the folder refuses a new (temporary) file but the file itself may
//   be written, the file is written in place, but only after the room for
//   the new contents has been reserved: a full disk or a file size limit
//   refuses the write and leaves the old file whole. Only a disk that fails
//   after that can cut the old contents short, which the result then says.
FileWriteResult ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace voran
