#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace voran {

// Every text and data file the program reads is far below this; a file past
// it is refused rather than read.
inline constexpr std::size_t kFileReadLimit = 16u * 1024u * 1024u;

// The outcome of reading a file. `reason` says in words what went wrong
// ("Not a regular file"); `error` is the reason followed by the path;
// `errorNumber` is the platform's number where it has one.
struct FileReadResult {
    bool ok = false;
    bool missing = false;  // there is no file of that name
    int errorNumber = 0;
    std::string error;
    std::string reason;
    std::string bytes;

    explicit operator bool() const { return ok; }
};

// Reads the file at `path`, links followed, only when it is a regular file:
// a named pipe, a device or a socket is refused with "Not a regular file"
// and never waited on (the file is opened without blocking and checked
// before a byte is read). A file longer than `limit` is refused, unread,
// unless `prefixOnly` is set: then only its first `limit` bytes are read.
FileReadResult ReadFileContents(const std::string& path, std::size_t limit = kFileReadLimit,
                                bool prefixOnly = false);

// The text without the UTF-8 byte-order mark some editors put in front.
std::string_view WithoutByteOrderMark(std::string_view text);

}  // namespace voran
