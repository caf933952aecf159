#include "platform/qt/QtFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace voran {

QStringList QtFileDialog::NameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        const QString description = QString::fromStdString(f.description).trimmed();
        QString patterns = QString::fromStdString(f.patterns);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        if (description.endsWith(QLatin1Char(')')) &&
            description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            out << description;
        else
            out << description + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

FileDialogResult QtFileDialog::openFile(const FileDialogRequest& request) {
    return run(request, false);
}

FileDialogResult QtFileDialog::saveFile(const FileDialogRequest& request) {
    return run(request, true);
}

FileDialogResult QtFileDialog::run(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent_);
    if (!request.title.empty()) dialog.setWindowTitle(QString::fromStdString(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.fileMustExist ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
    QFileDialog::Options options;
    if (!native_) options |= QFileDialog::DontUseNativeDialog;
    if (save && !request.overwritePrompt) options |= QFileDialog::DontConfirmOverwrite;
    // Qt dialogs have no "open as read-only" box, so hideReadOnly needs nothing.
    dialog.setOptions(options);

    const QStringList filters = NameFilters(request.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                              ? request.filterIndex - 1
                              : 0;
        dialog.selectNameFilter(filters.at(index));
        // A name typed without an extension gets the shown filter's, before
        // the dialog asks about replacing a file of that name.
        if (save) {
            const auto suffix = [&request](int i) {
                return QString::fromStdString(FilterExtension(request.filters.at(i))).mid(1);
            };
            dialog.setDefaultSuffix(suffix(index));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, filters, suffix](const QString& f) {
                                 const auto i = filters.indexOf(f);
                                 if (i >= 0) dialog.setDefaultSuffix(suffix(static_cast<int>(i)));
                             });
        }
    }

    // The initial name may be a file, a bare name, or a folder with a
    // wildcard pattern ("/opt/voran/*.sdt"), which only sets the folder.
    const QString initial = QString::fromStdString(request.initialName);
    if (!initial.isEmpty()) {
        const QFileInfo info(initial);
        const bool pattern = info.fileName().contains(QLatin1Char('*')) ||
                             info.fileName().contains(QLatin1Char('?'));
        if (info.isDir()) {
            dialog.setDirectory(info.absoluteFilePath());
        } else {
            if (QFileInfo(info.absolutePath()).isDir() && initial.contains(QLatin1Char('/')))
                dialog.setDirectory(info.absolutePath());
            if (!pattern) dialog.selectFile(info.fileName());
        }
    }

    if (dialog.exec() != QDialog::Accepted) return FileDialogResult::Cancelled();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return FileDialogResult::Cancelled();
    const QString path = QDir::toNativeSeparators(files.first());
    FileDialogResult chosen =
        FileDialogResult::Chosen(path.toStdString(), QFileInfo(path).fileName().toStdString());
    chosen.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return chosen;
}

}  // namespace voran
