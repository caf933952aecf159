#pragma once

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <functional>
#include <memory>

#include "platform/Printer.h"

class QWidget;

namespace voran {

// The family a font name stands for on this system: "Times" is drawn with
// Liberation Serif, which has the metrics of Times New Roman, so texts take
// the same room and the pages break at the same lines on every machine.
QString PrintFamily(const std::string& family);

// A document drawn on a QPrinter (paper, a PDF file or a preview). The
// painter is started with the first text or line, and a page is started only
// when something is drawn on it, so a page break after the last footer
// leaves no empty sheet.
class QtPrinter : public IPrinter {
public:
    explicit QtPrinter(QPrinter& printer);
    ~QtPrinter() override;
    QtPrinter(const QtPrinter&) = delete;
    QtPrinter& operator=(const QtPrinter&) = delete;

    double pageWidth() const override;
    double pageHeight() const override;
    void setFont(const PrintFont& font) override;
    double textWidth(const std::string& text) const override;
    double textHeight(const std::string& text) const override;
    void setPosition(double x, double y) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void print(const std::string& text, bool endLine) override;
    void printEmptyLine() override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    int page() const override { return page_; }
    void newPage() override;
    bool endDocument() override;
    int copies() const override;
    void setCopies(int copies) override;

    // The painter could not be started on the printer (a PDF file that
    // cannot be created, a printer that went away).
    bool failed() const { return failed_; }

private:
    bool startDrawing();
    double dpi() const;

    QPrinter& printer_;
    QPainter painter_;
    QFont font_;
    double x_ = 0;
    double y_ = 0;
    int page_ = 1;
    bool pageWanted_ = false;
    bool failed_ = false;
    bool ended_ = false;
};

// Qt's print dialog and preview over one QPrinter that keeps the operator's
// choices for the rest of the run.
class QtPrintSetup : public IPrintSetup {
public:
    explicit QtPrintSetup(QWidget* parent = nullptr);

    IPrinter* choosePrinter() override;
    void preview(const std::function<void(IPrinter&)>& draw) override;

    // The printer the dialogs set up (tests point it at a PDF file).
    QPrinter& printer() { return printer_; }

private:
    QWidget* parent_;
    QPrinter printer_{QPrinter::HighResolution};
    std::unique_ptr<QtPrinter> chosen_;
};

}  // namespace voran
