#include "shell/DesktopSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace voran {

namespace {
const char* const kGeometry = "frame/geometry";
const char* const kRecent = "recent/files";
const char* const kFolders = "dialogs/";
}  // namespace

DesktopSettings::DesktopSettings(const QString& file) {
    if (!file.isEmpty()) settings_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
}

DesktopSettings::~DesktopSettings() = default;

QString DesktopSettings::UserFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/VORAN/voran.conf";
}

QString DesktopSettings::fileName() const {
    return settings_ ? settings_->fileName() : QString();
}

QVariant DesktopSettings::value(const QString& key) const {
    return settings_ ? settings_->value(key) : memory_.value(key);
}

void DesktopSettings::setValue(const QString& key, const QVariant& value) {
    if (settings_) {
        settings_->setValue(key, value);
        settings_->sync();
    } else {
        memory_.insert(key, value);
    }
}

QByteArray DesktopSettings::frameGeometry() const {
    return value(kGeometry).toByteArray();
}

void DesktopSettings::setFrameGeometry(const QByteArray& geometry) {
    setValue(kGeometry, geometry);
}

// The dialog's name becomes one key: '/' and '\' would make sub-groups.
static QString FolderKey(QString dialog) {
    dialog.replace('/', '_').replace('\\', '_');
    return kFolders + dialog;
}

QString DesktopSettings::lastFolder(const QString& dialog) const {
    return value(FolderKey(dialog)).toString();
}

void DesktopSettings::setLastFolder(const QString& dialog, const QString& folder) {
    setValue(FolderKey(dialog), folder);
}

QStringList DesktopSettings::recentFiles() const {
    QStringList files = value(kRecent).toStringList();
    files.removeAll(QString());
    while (files.size() > kRecentCount) files.removeLast();
    return files;
}

void DesktopSettings::addRecentFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(full);
    files.prepend(full);
    while (files.size() > kRecentCount) files.removeLast();
    setValue(kRecent, files);
}

void DesktopSettings::removeRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    setValue(kRecent, files);
}

QString RememberingFileDialog::DialogKey(const FileDialogRequest& request) {
    QString patterns;
    for (const FileFilter& f : request.filters) {
        if (!patterns.isEmpty()) patterns += ';';
        patterns += QString::fromStdString(f.patterns);
    }
    return patterns.isEmpty() ? "*" : patterns;
}

FileDialogRequest RememberingFileDialog::StartIn(FileDialogRequest request, const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return request;
    const QString initial = QString::fromStdString(request.initialName);
    const QFileInfo info(initial);
    const bool pattern = info.fileName().contains('*') || info.fileName().contains('?');
    const bool bare = !initial.contains('/') && !initial.contains('\\');
    if (!initial.isEmpty() && !pattern && !bare) return request;
    request.initialName =
        QDir(folder).filePath(initial.isEmpty() ? QString() : info.fileName()).toStdString();
    if (initial.isEmpty()) request.initialName = QDir(folder).absolutePath().toStdString();
    return request;
}

FileDialogResult RememberingFileDialog::run(bool save, const FileDialogRequest& request) {
    const QString key = DialogKey(request);
    const FileDialogRequest started = StartIn(request, settings_.lastFolder(key));
    const FileDialogResult chosen = save ? dialogs_.saveFile(started) : dialogs_.openFile(started);
    if (!chosen.cancelled)
        settings_.setLastFolder(key, QFileInfo(QString::fromStdString(chosen.path)).absolutePath());
    return chosen;
}

FileDialogResult RememberingFileDialog::openFile(const FileDialogRequest& request) {
    return run(false, request);
}

FileDialogResult RememberingFileDialog::saveFile(const FileDialogRequest& request) {
    return run(true, request);
}

}  // namespace voran
