#include "FakeFileDialog.h"

namespace voran::testing {

FileDialogResult FakeFileDialog::openFile(const FileDialogRequest& request) {
    return answer(Kind::Open, request);
}

FileDialogResult FakeFileDialog::saveFile(const FileDialogRequest& request) {
    return answer(Kind::Save, request);
}

void FakeFileDialog::choose(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    answers.push_back(
        FileDialogResult::Chosen(path, slash == std::string::npos ? path : path.substr(slash + 1)));
}

void FakeFileDialog::cancel() {
    answers.push_back(FileDialogResult::Cancelled());
}

FileDialogResult FakeFileDialog::answer(Kind kind, const FileDialogRequest& request) {
    shown.push_back({kind, request});
    if (answers.empty()) return FileDialogResult::Cancelled();
    FileDialogResult r = answers.front();
    answers.pop_front();
    return r;
}

}  // namespace voran::testing
