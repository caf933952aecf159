#include "platform/FileReplace.h"

#include <cerrno>
#include <cstring>

#include <QFileInfo>
#include <QSaveFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/Logging.h"

namespace voran {

namespace {

// Chains of links longer than this are taken as a loop, as the system does.
constexpr int kMaxLinkHops = 40;

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
    if (existed && !info.isWritable()) return failedWith(path, EACCES);

#ifdef Q_OS_UNIX
    struct stat old {};
    const bool haveOld = existed && ::stat(QFile::encodeName(target).constData(), &old) == 0;
#endif

    QSaveFile file(target);
    // A folder that refuses new files still lets the operator save over a
    // file they may write: then the file is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        const int number = errno;
        return failed(path, number, file.errorString().toStdString());
    }

    bool inPlace = false;
#ifdef Q_OS_UNIX
    struct stat opened {};
    if (haveOld && ::fstat(file.handle(), &opened) == 0)
        inPlace = opened.st_dev == old.st_dev && opened.st_ino == old.st_ino;
    if (haveOld && !inPlace) keepOwnerAndMode(file.handle(), old);
#endif

    // The system's own words for a failed call where it left them; Qt's
    // text for a failed flush is not always the reason.
    const auto reason = [&file](int number) {
        return number != 0 ? std::string(std::strerror(number)) : file.errorString().toStdString();
    };
    const qint64 size = static_cast<qint64>(bytes.size());
    // Flushed here and not left to commit(): in place, commit() does not
    // report a write that failed while closing the file.
    errno = 0;
    bool ok = file.write(bytes.data(), size) == size && file.flush();
    int number = errno;
    std::string why = reason(number);
    if (ok) {
        // commit() flushes to the disk and renames over the old file (or,
        // in place, closes it).
        errno = 0;
        ok = file.commit() && file.error() == QFileDevice::NoError;
        number = errno;
        why = reason(number);
    } else {
        file.cancelWriting();
    }
    if (!ok) {
        if (inPlace) why += "; the file was being written in place and its old contents are lost";
        return failed(path, number, why);
    }
#ifdef Q_OS_UNIX
    if (!inPlace) syncFolder(target);
#endif
    qCDebug(lcData) << "wrote" << bytes.size() << "bytes to" << target
                    << (inPlace ? "in place" : "");
    return {true, 0, {}, {}};
}

}  // namespace voran
