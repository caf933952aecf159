#pragma once

#include <string>
#include <string_view>

namespace voran {

// The outcome of replacing a file. `error` says in words what went wrong
// ("Permission denied: /path/file"); `errorNumber` is the platform's number
// where it has one (0 otherwise).
struct FileWriteResult {
    bool ok = false;
    int errorNumber = 0;
    std::string error;

    explicit operator bool() const { return ok; }
};

// Replaces the file at `path` with `bytes`, whole: the bytes go to a
// temporary file beside the target, are flushed to the disk and only then
// renamed over the old file, so a failure at any point leaves the old file as
// it was. Every file the program writes (set-up files, RSPort.cfg, exports,
// program images) goes through here.
FileWriteResult ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace voran
