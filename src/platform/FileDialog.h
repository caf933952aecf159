#pragma once

#include <string>
#include <utility>
#include <vector>

namespace voran {

// One entry of a file dialog's filter list: what the operator reads and the
// name patterns it shows ("*.sdt", or several separated by ';').
struct FileFilter {
    std::string description;  // "Setup Files(*.sdt)"
    std::string patterns;     // "*.sdt"

    bool operator==(const FileFilter&) const = default;
};

// Splits a filter list written the way the program has always written them,
// description and patterns alternating between bars, a trailing bar allowed:
// "Setup Files(*.sdt)|*.sdt|" -> {{"Setup Files(*.sdt)", "*.sdt"}}.
// A description without patterns is dropped.
std::vector<FileFilter> ParseFilterList(const std::string& list);

// What a file dialog is asked to show.
struct FileDialogRequest {
    std::string title;                // empty: the platform's own title
    std::vector<FileFilter> filters;  // empty: every file
    int filterIndex = 1;              // 1-based entry of `filters` shown first
    // Full path, bare name, or a folder followed by a pattern
    // ("/opt/voran/*.sdt": show that folder, filtered, nothing selected).
    // Empty: the platform's current folder.
    std::string initialName;
    bool fileMustExist = false;    // open: only an existing file can be chosen
    bool overwritePrompt = false;  // save: ask before replacing an existing file
    bool hideReadOnly = false;     // no "open as read-only" box
};

// What the operator chose. `cancelled` true means nothing was chosen and the
// texts are empty.
struct FileDialogResult {
    bool cancelled = true;
    std::string path;  // full path of the chosen file
    std::string name;  // its bare name, without folder ("line3.sdt")
    // The filter (1-based entry of the request's list) shown when the
    // operator chose; 0 when the dialog does not say.
    int filterIndex = 0;

    static FileDialogResult Cancelled() { return {}; }
    static FileDialogResult Chosen(std::string path, std::string name) {
        return {false, std::move(path), std::move(name)};
    }
};

// The common open and save dialogs. Both are modal and return when the
// operator has chosen or cancelled.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    virtual FileDialogResult openFile(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& request) = 0;
};

// The extension a filter's first pattern gives a name (".sdt" for "*.sdt");
// empty for a pattern that names no single extension ("*", "*.*").
std::string FilterExtension(const FileFilter& filter);

// The save dialog as every command asks it: a name typed without an
// extension ("line3") gets the extension of the filter shown ("line3.sdt"),
// so that the file is found and taken again by the programs that look for
// it by its extension. A name that has an extension keeps it.
FileDialogResult ChooseSaveFile(IFileDialog& dialogs, const FileDialogRequest& request);

}  // namespace voran
