#include "platform/FileReplace.h"

#include <cerrno>
#include <cstring>

#include <QFileInfo>
#include <QSaveFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/Logging.h"

namespace voran {

namespace {

// Chains of links longer than this are taken as a loop, as the system does.
constexpr int kMaxLinkHops = 40;

constexpr const char* kNotRegular = "Not a regular file";

FileWriteResult failed(const std::string& path, int number, std::string reason) {
    qCWarning(lcData) << "writing" << path.c_str() << "failed:" << reason.c_str();
    FileWriteResult r;
    r.errorNumber = number;
    r.error = reason + ": " + path;
    r.reason = std::move(reason);
    return r;
}

FileWriteResult failedWith(const std::string& path, int number) {
    return failed(path, number, std::strerror(number));
}

#ifdef Q_OS_UNIX
// The temporary file takes the old file's owner, group and permissions
// before it replaces it. Only the superuser may give a file away; anyone may
// give it a group they belong to. What cannot be kept stays the writer's.
void keepOwnerAndMode(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) return;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
    }
    // After the owner, since a change of owner clears the set-id bits.
    ::fchmod(fd, old.st_mode & 07777);
}

// Makes the rename itself durable.
void syncFolder(const QString& file) {
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

// Writes `bytes` over the file itself, for a folder that takes no new
// files. The room for the new contents is reserved first; only when the
// file system has given it is a byte of the old contents overwritten, so a
// full disk (or a file size limit) refuses the write and leaves the old file
// whole. Only a failing disk can still cut it short after that, which the
// result then says.
FileWriteResult writeInPlace(const std::string& path, const QString& target,
                             std::string_view bytes) {
    const int fd =
        ::open(QFile::encodeName(target).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failedWith(path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return failedWith(path, errno);
    if (!S_ISREG(st.st_mode)) return failed(path, EINVAL, kNotRegular);
    const auto size = static_cast<off_t>(bytes.size());
    const char* const kLeft = "; the file could not be written in place and was left as it was";
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(size) > limit.rlim_cur)
        return failed(path, EFBIG, std::strerror(EFBIG) + std::string(kLeft));
    if (size > 0) {
        if (const int number = ::posix_fallocate(fd, 0, size); number != 0)
            return failed(path, number, std::strerror(number) + std::string(kLeft));
    }
    const char* const kLost = "; the file was being written in place and its old contents are lost";
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            return failed(path, n < 0 ? errno : EIO,
                          std::strerror(n < 0 ? errno : EIO) + std::string(kLost));
        done += static_cast<std::size_t>(n);
    }
    if (::ftruncate(fd, size) != 0 || ::fsync(fd) != 0)
        return failed(path, errno, std::strerror(errno) + std::string(kLost));
    return {true, 0, {}, {}};
}
#endif

}  // namespace

FileWriteResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
    // The file that gets the bytes: the end of a chain of links.
    QString target = QString::fromStdString(path);
    for (int hops = 0; QFileInfo(target).isSymLink(); ++hops) {
        if (hops >= kMaxLinkHops) return failedWith(path, ELOOP);
        target = QFileInfo(target).symLinkTarget();
    }
    const QFileInfo info(target);
    if (info.isDir()) return failedWith(path, EISDIR);
    const bool existed = info.exists();
    // A device, a named pipe or a socket keeps being what it is.
    if (existed && !info.isFile()) return failed(path, EINVAL, kNotRegular);
    if (existed && !info.isWritable()) return failedWith(path, EACCES);

#ifdef Q_OS_UNIX
    struct stat old {};
    const bool haveOld = existed && ::stat(QFile::encodeName(target).constData(), &old) == 0;
#endif

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        const int number = errno;
#ifdef Q_OS_UNIX
        // A folder that refuses new files still lets the operator save over
        // a file they may write: then the file is written in place.
        if (existed) {
            const FileWriteResult r = writeInPlace(path, target, bytes);
            if (r) qCDebug(lcData) << "wrote" << bytes.size() << "bytes to" << target << "in place";
            return r;
        }
#endif
        return failed(path, number, file.errorString().toStdString());
    }

#ifdef Q_OS_UNIX
    if (haveOld) keepOwnerAndMode(file.handle(), old);
#endif

    // The system's own words for a failed call where it left them; Qt's
    // text for a failed flush is not always the reason.
    const auto reason = [&file](int number) {
        return number != 0 ? std::string(std::strerror(number)) : file.errorString().toStdString();
    };
    const qint64 size = static_cast<qint64>(bytes.size());
    // Flushed here and not left to commit(), so that a failed write is
    // reported with its own reason.
    errno = 0;
    bool ok = file.write(bytes.data(), size) == size && file.flush();
    int number = errno;
    std::string why = reason(number);
    if (ok) {
        // commit() flushes to the disk and renames over the old file.
        errno = 0;
        ok = file.commit() && file.error() == QFileDevice::NoError;
        number = errno;
        why = reason(number);
    } else {
        file.cancelWriting();
    }
    if (!ok) return failed(path, number, why);
#ifdef Q_OS_UNIX
    syncFolder(target);
#endif
    qCDebug(lcData) << "wrote" << bytes.size() << "bytes to" << target;
    return {true, 0, {}, {}};
}

}  // namespace voran
