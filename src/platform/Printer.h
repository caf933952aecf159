#pragma once

#include <functional>
#include <string>

namespace voran {

// A printer font: family, size in points, style.
struct PrintFont {
    std::string family = "Times";
    double points = 12.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const PrintFont&) const = default;
};

// The printer a document is drawn on. Every length is in inches from the
// top-left corner of the printable area. The printer keeps a current
// position: print() puts a text's top-left corner there and then either
// moves past the text on the same line or ends the line (x back to 0, y down
// by the text's height); a new page puts the position back to (0, 0).
class IPrinter {
public:
    virtual ~IPrinter() = default;

    // Size of the printable area.
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;

    virtual void setFont(const PrintFont& font) = 0;
    // Width and height of `text` in the current font (the height is that of
    // one line).
    virtual double textWidth(const std::string& text) const = 0;
    virtual double textHeight(const std::string& text) const = 0;

    virtual void setPosition(double x, double y) = 0;
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    // Prints `text` at the current position; `endLine` false keeps the
    // position on the line, just past the text.
    virtual void print(const std::string& text, bool endLine) = 0;
    // Moves down by one line of the current font, x back to 0.
    virtual void printEmptyLine() = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;

    // Number of the page being drawn, from 1.
    virtual int page() const = 0;
    virtual void newPage() = 0;
    // Sends the document to the printer; nothing is drawn afterwards. False
    // when the document could not be produced (no printer, a PDF file that
    // cannot be written).
    virtual bool endDocument() = 0;

    virtual int copies() const = 0;
    virtual void setCopies(int copies) = 0;
};

// The print set-up dialog and the printers it hands out.
class IPrintSetup {
public:
    virtual ~IPrintSetup() = default;
    // Lets the operator choose the printer and the number of copies (the
    // choices stay as the defaults of the next call). Null when the dialog
    // was cancelled or no printer could be had. The printer belongs to the
    // set-up and serves until the next call.
    virtual IPrinter* choosePrinter() = 0;
    // Shows the pages `draw` produces in a preview window, modal, from which
    // the operator may also print them.
    virtual void preview(const std::function<void(IPrinter&)>& draw) = 0;
};

}  // namespace voran
