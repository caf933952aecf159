#include "platform/FileReplace.h"

#include <QFileInfo>
#include <QSaveFile>

#include "platform/Logging.h"

namespace voran {

FileWriteResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
    const QString name = QString::fromStdString(path);
    if (QFileInfo(name).isDir()) return {false, 0, "Is a directory: " + path};

    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return {false, 0, file.errorString().toStdString() + ": " + path};
    const qint64 size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const std::string why = file.errorString().toStdString();
        file.cancelWriting();
        return {false, 0, why + ": " + path};
    }
    // commit() flushes to the disk and renames over the old file.
    if (!file.commit()) {
        qCWarning(lcData) << "writing" << path.c_str() << "failed:" << file.errorString();
        return {false, 0, file.errorString().toStdString() + ": " + path};
    }
    return {true, 0, {}};
}

}  // namespace voran
