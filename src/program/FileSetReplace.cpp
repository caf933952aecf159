// A program file set replaced as one unit.
#include "program/FileSetReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/Logging.h"

namespace voran {

namespace fs = std::filesystem;

namespace {

// Chains of links longer than this are taken as a loop, as the system does.
constexpr int kMaxLinkHops = 40;

struct Staged {
    std::string path;    // as given, for the messages
    std::string target;  // the file that gets the bytes (links followed)
    std::string temp;    // the new bytes, until renamed into place
    std::string backup;  // a second name of the old file; empty: none
    bool placed = false;
};

FileWriteResult failure(const std::string& path, int number) {
    FileWriteResult r;
    r.errorNumber = number;
    r.reason = std::strerror(number);
    r.error = r.reason + ": " + path;
    qCWarning(lcData, "replacing %s failed: %s", path.c_str(), r.reason.c_str());
    return r;
}

// A name beside `target` that no file has: made as an empty file by mkstemp
// and returned open (fd), or -1.
int uniqueBeside(const std::string& target, const char* tag, std::string* name) {
    std::string pattern = target + tag + "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) *name = pattern;
    return fd;
}

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncFolderOf(const std::string& file) {
    const std::string folder =
        fs::path(file).has_parent_path() ? fs::path(file).parent_path().string() : std::string(".");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

// Undoes what was done: the old files back in place, new files that had no
// old one removed, every temporary file and second name removed.
void rollBack(std::vector<Staged>& set) {
    for (auto it = set.rbegin(); it != set.rend(); ++it) {
        if (it->placed) {
            if (!it->backup.empty()) {
                if (::rename(it->backup.c_str(), it->target.c_str()) == 0) it->backup.clear();
            } else {
                ::unlink(it->target.c_str());
            }
        }
        if (!it->temp.empty()) ::unlink(it->temp.c_str());
        if (!it->backup.empty()) ::unlink(it->backup.c_str());
    }
}

}  // namespace

FileWriteResult ReplaceFileSet(const std::vector<FileSetEntry>& files) {
    std::vector<Staged> set;
    set.reserve(files.size());

    // Every new file written whole beside its target.
    for (const FileSetEntry& f : files) {
        Staged s;
        s.path = f.path;
        s.target = f.path;
        std::error_code ec;
        for (int hops = 0; fs::is_symlink(s.target, ec); ++hops) {
            if (hops >= kMaxLinkHops) {
                rollBack(set);
                return failure(f.path, ELOOP);
            }
            const fs::path to = fs::read_symlink(s.target, ec);
            s.target = (to.is_absolute() ? to : fs::path(s.target).parent_path() / to).string();
        }
        struct stat old {};
        const bool haveOld = ::stat(s.target.c_str(), &old) == 0;
        const int fd = uniqueBeside(s.target, ".new-", &s.temp);
        if (fd < 0) {
            const int number = errno;
            rollBack(set);
            return failure(f.path, number);
        }
        set.push_back(s);
        // mkstemp makes the file for its owner alone; it gets the old file's
        // permissions, or those of any new file.
        ::fchmod(fd, haveOld && S_ISREG(old.st_mode) ? old.st_mode & 07777 : newFileMode());
        bool ok = writeAll(fd, f.bytes) && ::fsync(fd) == 0;
        int number = errno;
        if (::close(fd) != 0 && ok) {
            ok = false;
            number = errno;
        }
        if (!ok) {
            rollBack(set);
            return failure(f.path, number);
        }
    }

    // Into place, in order, each old file kept under a second name.
    for (Staged& s : set) {
        struct stat old {};
        if (::lstat(s.target.c_str(), &old) == 0) {
            std::string name;
            const int fd = uniqueBeside(s.target, ".old-", &name);
            if (fd < 0) {
                const int number = errno;
                rollBack(set);
                return failure(s.path, number);
            }
            ::close(fd);
            ::unlink(name.c_str());
            // A second link costs nothing; where the file system has none,
            // a copy.
            std::error_code ec;
            if (::link(s.target.c_str(), name.c_str()) != 0 &&
                (!S_ISREG(old.st_mode) || !fs::copy_file(s.target, name, ec))) {
                const int number = ec ? ec.value() : errno;
                ::unlink(name.c_str());
                rollBack(set);
                return failure(s.path, number);
            }
            s.backup = name;
        }
        if (::rename(s.temp.c_str(), s.target.c_str()) != 0) {
            const int number = errno;
            rollBack(set);
            return failure(s.path, number);
        }
        s.temp.clear();
        s.placed = true;
    }

    for (Staged& s : set) {
        if (!s.backup.empty()) ::unlink(s.backup.c_str());
        syncFolderOf(s.target);
    }
    FileWriteResult done;
    done.ok = true;
    return done;
}

}  // namespace voran
