#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/FileDialog.h"

namespace voran::testing {

// Records every dialog shown and answers from a queue of scripted choices;
// when the queue is empty the operator cancels.
class FakeFileDialog : public IFileDialog {
public:
    enum class Kind { Open, Save };
    struct Shown {
        Kind kind;
        FileDialogRequest request;
    };

    FileDialogResult openFile(const FileDialogRequest& r) override { return answer(Kind::Open, r); }
    FileDialogResult saveFile(const FileDialogRequest& r) override { return answer(Kind::Save, r); }

    // Queues the choice of `path`; the bare name is taken from its last part.
    void choose(const std::string& path) {
        answers.push_back(FileDialogResult::Chosen(path, path.substr(path.find_last_of('/') + 1)));
    }
    void cancel() { answers.push_back(FileDialogResult::Cancelled()); }

    std::deque<FileDialogResult> answers;
    std::vector<Shown> shown;

private:
    FileDialogResult answer(Kind kind, const FileDialogRequest& request) {
        shown.push_back({kind, request});
        FileDialogResult r = answers.empty() ? FileDialogResult::Cancelled() : answers.front();
        if (!answers.empty()) answers.pop_front();
        return r;
    }
};

}  // namespace voran::testing
