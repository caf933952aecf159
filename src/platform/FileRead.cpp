#include "platform/FileRead.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/Logging.h"

namespace voran {

namespace {

constexpr const char* kNotRegular = "Not a regular file";

FileReadResult failed(const std::string& path, int number, std::string reason) {
    qCWarning(lcData) << "reading" << path.c_str() << "failed:" << reason.c_str();
    FileReadResult r;
    r.missing = number == ENOENT;
    r.errorNumber = number;
    r.error = reason + ": " + path;
    r.reason = std::move(reason);
    return r;
}

std::string tooLong(std::size_t limit) {
    return "File too large (more than " + std::to_string(limit) + " bytes)";
}

}  // namespace

FileReadResult ReadFileContents(const std::string& path, std::size_t limit, bool prefixOnly) {
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(QString::fromStdString(path));
    // Looked at before opening: opening a device may already do something.
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return failed(path, errno, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return failed(path, EISDIR, std::strerror(EISDIR));
    if (!S_ISREG(st.st_mode)) return failed(path, EINVAL, kNotRegular);
    // Without blocking: a named pipe put there since would otherwise wait
    // for a writer forever.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failed(path, errno, std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0) return failed(path, errno, std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return failed(path, EINVAL, kNotRegular);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size > limit && !prefixOnly) return failed(path, EFBIG, tooLong(limit));

    // The file may grow while it is read: never more than one byte past the
    // limit is taken.
    FileReadResult r;
    r.bytes.resize(std::min(size, limit) + 1);
    std::size_t got = 0;
    while (got < r.bytes.size()) {
        const ssize_t n = ::read(fd, r.bytes.data() + got, r.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(path, errno, std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
        if (got == r.bytes.size() && got <= limit) r.bytes.resize(std::min(got * 2, limit + 1));
    }
    if (got > limit) {
        if (!prefixOnly) return failed(path, EFBIG, tooLong(limit));
        got = limit;
    }
    r.bytes.resize(got);
    r.ok = true;
    return r;
#else
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists()) return failed(path, ENOENT, std::strerror(ENOENT));
    if (info.isDir()) return failed(path, EISDIR, std::strerror(EISDIR));
    if (!info.isFile()) return failed(path, EINVAL, kNotRegular);
    if (static_cast<std::size_t>(info.size()) > limit && !prefixOnly)
        return failed(path, EFBIG, tooLong(limit));
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return failed(path, EACCES, file.errorString().toStdString());
    const QByteArray bytes = file.read(static_cast<qint64>(limit) + 1);
    if (static_cast<std::size_t>(bytes.size()) > limit && !prefixOnly)
        return failed(path, EFBIG, tooLong(limit));
    FileReadResult r;
    r.bytes.assign(bytes.constData(), std::min<std::size_t>(bytes.size(), limit));
    r.ok = true;
    return r;
#endif
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return text;
}

}  // namespace voran
