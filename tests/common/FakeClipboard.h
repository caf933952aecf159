#pragma once

#include <string>

#include "platform/Clipboard.h"

namespace voran::testing {

// A clipboard that only remembers; counts how often it was emptied.
class FakeClipboard : public IClipboard {
public:
    void clear() override {
        contents.clear();
        ++clears;
    }
    void setText(const std::string& text) override { contents = text; }
    std::string text() const override { return contents; }

    std::string contents;
    int clears = 0;
};

}  // namespace voran::testing
