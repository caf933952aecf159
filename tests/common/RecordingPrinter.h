#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Printer.h"

namespace voran::testing {

// A printer that keeps what was drawn, in inches: each text with its page,
// position and font, each line, each page break. Text metrics are simple and
// fixed: a character is half an em wide, a line 1.15 em high.
class RecordingPrinter : public IPrinter {
public:
    struct Text {
        int page;
        double x;
        double y;
        std::string text;
        PrintFont font;
    };
    struct Line {
        int page;
        double x1, y1, x2, y2;
    };

    // A letter sheet less a quarter inch all round.
    double width = 8.0;
    double height = 10.5;

    std::vector<Text> texts;
    std::vector<Line> lines;
    int newPages = 0;
    int endCount = 0;
    bool failEnd = false;  // endDocument reports failure
    // Called with every text as it is printed.
    std::function<void(const Text&)> onText;

    static double WidthOf(const std::string& text, const PrintFont& font) {
        return static_cast<double>(text.size()) * font.points / 144.0;
    }
    static double HeightOf(const PrintFont& font) { return font.points * 1.15 / 72.0; }
    double widthOf(const Text& t) const { return WidthOf(t.text, t.font); }

    double pageWidth() const override { return width; }
    double pageHeight() const override { return height; }
    void setFont(const PrintFont& font) override { font_ = font; }
    double textWidth(const std::string& text) const override { return WidthOf(text, font_); }
    double textHeight(const std::string&) const override { return HeightOf(font_); }
    void setPosition(double x, double y) override { x_ = x, y_ = y; }
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void print(const std::string& text, bool endLine) override {
        if (!text.empty()) {
            texts.push_back({page_, x_, y_, text, font_});
            if (onText) onText(texts.back());
        }
        if (endLine) {
            x_ = 0;
            y_ += HeightOf(font_);
        } else {
            x_ += WidthOf(text, font_);
        }
    }
    void printEmptyLine() override {
        x_ = 0;
        y_ += HeightOf(font_);
    }
    void drawLine(double x1, double y1, double x2, double y2) override {
        lines.push_back({page_, x1, y1, x2, y2});
    }
    int page() const override { return page_; }
    void newPage() override {
        ++page_;
        ++newPages;
        x_ = y_ = 0;
    }
    bool endDocument() override {
        ++endCount;
        return !failEnd;
    }
    int copies() const override { return copies_; }
    void setCopies(int copies) override { copies_ = copies; }

    // Pages that carry something (a page break after the last footer adds
    // none).
    int pagesDrawn() const {
        int n = 0;
        for (const Text& t : texts) n = std::max(n, t.page);
        return n;
    }
    const Text* find(const std::string& text) const {
        for (const Text& t : texts)
            if (t.text == text) return &t;
        return nullptr;
    }

private:
    PrintFont font_;
    double x_ = 0;
    double y_ = 0;
    int page_ = 1;
    int copies_ = 1;
};

// Hands out its recording printer behind each accepted dialog; answers from
// a queue (true accepted, false cancelled), cancelling when it is empty.
class FakePrintSetup : public IPrintSetup {
public:
    RecordingPrinter printer;
    std::deque<bool> answers;
    int dialogs = 0;
    int previews = 0;

    IPrinter* choosePrinter() override {
        ++dialogs;
        const bool accept = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return accept ? &printer : nullptr;
    }
    void preview(const std::function<void(IPrinter&)>& draw) override {
        ++previews;
        draw(printer);
    }
};

}  // namespace voran::testing
