#pragma once

#include "platform/Clipboard.h"

namespace voran {

// The application's clipboard (QGuiApplication::clipboard()).
class QtClipboard : public IClipboard {
public:
    void clear() override;
    void setText(const std::string& text) override;
    std::string text() const override;
};

}  // namespace voran
