#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

#include "platform/FileDialog.h"

class QSettings;

namespace voran {

// What the desktop program remembers between runs: the frame's size,
// position and maximised state, the last folder of each file dialog and the
// recently used set-up files. Kept in the user's configuration folder,
// never in the program folder (which may be shared by several users).
class DesktopSettings {
public:
    // Entries of the File menu's recent-files list.
    static constexpr int kRecentCount = 6;

    // Kept in `file` (INI form); with an empty name only in memory, for
    // this run.
    explicit DesktopSettings(const QString& file);
    ~DesktopSettings();
    DesktopSettings(const DesktopSettings&) = delete;
    DesktopSettings& operator=(const DesktopSettings&) = delete;

    // $XDG_CONFIG_HOME/VORAN/voran.conf, by default ~/.config/VORAN/voran.conf.
    static QString UserFile();
    QString fileName() const;

    QByteArray frameGeometry() const;
    void setFrameGeometry(const QByteArray& geometry);

    // The folder last chosen in the dialog `dialog` ("*.sdt"); empty
    // when there is none yet.
    QString lastFolder(const QString& dialog) const;
    void setLastFolder(const QString& dialog, const QString& folder);

    // The recent set-up files, the most recent first, at most kRecentCount.
    QStringList recentFiles() const;
    // Puts `path` first (once).
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);

private:
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> settings_;
    QVariantMap memory_;
};

// A file dialog that starts in the folder last chosen in a dialog for the
// same kind of file (the same patterns: set-up files, program files, shift
// exports), in this run or an earlier one, when the program has no file of
// its own to start from.
class RememberingFileDialog : public IFileDialog {
public:
    RememberingFileDialog(IFileDialog& dialogs, DesktopSettings& settings)
        : dialogs_(dialogs), settings_(settings) {}

    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;

    // The patterns of the request's filters: "*.sdt", "*.txt;*.csv".
    static QString DialogKey(const FileDialogRequest& request);
    // The request with its starting folder replaced by `folder` when it
    // names no particular file (empty, a bare name, or folder + pattern).
    static FileDialogRequest StartIn(FileDialogRequest request, const QString& folder);

private:
    FileDialogResult run(bool save, const FileDialogRequest& request);

    IFileDialog& dialogs_;
    DesktopSettings& settings_;
};

}  // namespace voran
