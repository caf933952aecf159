#pragma once

#include <QString>

#include "platform/MessageBox.h"

class QWidget;

namespace voran {

// Modal message boxes on screen. CR and CR LF in the system's texts become
// line breaks.
class QtMessageBox : public IMessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    // The window the boxes are centred over (the frame, once it exists).
    void setParent(QWidget* parent) { parent_ = parent; }

    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon icon) override;

    // "\r\n" and a lone "\r" become "\n".
    static QString toDisplayText(const std::string& text);
    // A text whose lines hold tab-separated label and value (the program
    // download question) as rich text: each run of such lines becomes a
    // two-column table that lines up at any scale and never wraps inside a
    // cell; other lines stay as they are. Empty when the text has no tab.
    static QString toAlignedHtml(const std::string& text);

private:
    QWidget* parent_;
};

}  // namespace voran
