#pragma once

#include <string>

namespace voran {

// The system clipboard, plain text only.
class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Empties the clipboard.
    virtual void clear() = 0;
    // Replaces the clipboard's contents with plain text.
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
};

}  // namespace voran
