#pragma once

#include <string>

#include "platform/Clipboard.h"

namespace voran::testing {

// A clipboard that only remembers.
struct FakeClipboard : IClipboard {
    void clear() override { contents.clear(); }
    void setText(const std::string& text) override { contents = text; }
    std::string text() const override { return contents; }
    std::string contents;
};

}  // namespace voran::testing
