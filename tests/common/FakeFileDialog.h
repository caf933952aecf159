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

    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;

    // Queues the choice of `path`; the bare name is taken from its last part.
    void choose(const std::string& path);
    void cancel();

    std::deque<FileDialogResult> answers;
    std::vector<Shown> shown;

private:
    FileDialogResult answer(Kind kind, const FileDialogRequest& request);
};

}  // namespace voran::testing
