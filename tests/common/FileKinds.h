#pragma once

#include <string>

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace voran::testing {

// Files that are not regular files, made in a test's own folder (never
// under /dev): a named pipe nobody writes to, and a character device with
// the numbers of the null device (only the superuser may make one).
inline bool MakeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0666) == 0;
}
inline bool MakeDeviceNode(const std::string& path) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}
inline bool IsFifo(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}
inline bool IsDeviceNode(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A read that waits on a named pipe would never end: a test that should
// end at once is ended by the alarm after a few seconds instead of hanging
// the suite.
class HangGuard {
public:
    explicit HangGuard(unsigned seconds = 5) { ::alarm(seconds); }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

}  // namespace voran::testing
