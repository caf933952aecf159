#pragma once

#include <QString>
#include <QStringList>

#include "platform/FileDialog.h"

class QWidget;

namespace voran {

// The open and save dialogs as Qt file dialogs, modal over `parent`.
class QtFileDialog : public IFileDialog {
public:
    explicit QtFileDialog(QWidget* parent = nullptr) : parent_(parent) {}

    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;

    // The filters in Qt's "Description (patterns)" form: a description that
    // already ends in its patterns in brackets is kept as it is.
    static QStringList NameFilters(const std::vector<FileFilter>& filters);

    // Tests drive the dialog without a native window.
    void setUseNativeDialog(bool use) { native_ = use; }

private:
    FileDialogResult run(const FileDialogRequest& request, bool save);

    QWidget* parent_;
    bool native_ = true;
};

}  // namespace voran
