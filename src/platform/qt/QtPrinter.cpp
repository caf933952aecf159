#include "platform/qt/QtPrinter.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPen>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QGuiApplication>

namespace voran {

namespace {
// Lines are drawn about 0.7 points wide.
constexpr double kLineWidthInches = 0.01;
}  // namespace

QString PrintFamily(const std::string& family) {
    if (family == "Times") return QStringLiteral("Liberation Serif");
    return QString::fromStdString(family);
}

QtPrinter::QtPrinter(QPrinter& printer) : printer_(printer) {
    setFont(PrintFont{});
}

QtPrinter::~QtPrinter() {
    if (painter_.isActive()) painter_.end();
}

double QtPrinter::dpi() const {
    return printer_.resolution();
}

double QtPrinter::pageWidth() const {
    return printer_.pageLayout().paintRect(QPageLayout::Inch).width();
}

double QtPrinter::pageHeight() const {
    return printer_.pageLayout().paintRect(QPageLayout::Inch).height();
}

void QtPrinter::setFont(const PrintFont& font) {
    QFont f(PrintFamily(font.family));
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(font.points);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    // Unhinted outlines keep text widths the same at every resolution, so
    // the preview, the paper and a PDF break their lines alike.
    f.setHintingPreference(QFont::PreferNoHinting);
    font_ = f;
    if (painter_.isActive()) painter_.setFont(font_);
}

double QtPrinter::textWidth(const std::string& text) const {
    return QFontMetricsF(font_, &printer_).horizontalAdvance(QString::fromStdString(text)) / dpi();
}

double QtPrinter::textHeight(const std::string&) const {
    return QFontMetricsF(font_, &printer_).lineSpacing() / dpi();
}

void QtPrinter::setPosition(double x, double y) {
    x_ = x;
    y_ = y;
}

bool QtPrinter::startDrawing() {
    if (failed_ || ended_) return false;
    if (!painter_.isActive()) {
        if (!painter_.begin(&printer_)) {
            failed_ = true;
            return false;
        }
        pageWanted_ = false;
    } else if (pageWanted_) {
        if (!printer_.newPage()) {
            failed_ = true;
            return false;
        }
        pageWanted_ = false;
    }
    painter_.setFont(font_);
    QPen pen(Qt::black);
    pen.setWidthF(kLineWidthInches * dpi());
    painter_.setPen(pen);
    return true;
}

void QtPrinter::print(const std::string& text, bool endLine) {
    if (!text.empty() && startDrawing()) {
        const QFontMetricsF metrics(font_, &printer_);
        painter_.drawText(QPointF(x_ * dpi(), y_ * dpi() + metrics.ascent()),
                          QString::fromStdString(text));
    }
    if (endLine) {
        x_ = 0;
        y_ += textHeight(text);
    } else {
        x_ += textWidth(text);
    }
}

void QtPrinter::printEmptyLine() {
    x_ = 0;
    y_ += textHeight(std::string());
}

void QtPrinter::drawLine(double x1, double y1, double x2, double y2) {
    if (!startDrawing()) return;
    painter_.drawLine(QPointF(x1 * dpi(), y1 * dpi()), QPointF(x2 * dpi(), y2 * dpi()));
}

void QtPrinter::newPage() {
    ++page_;
    pageWanted_ = true;
    x_ = 0;
    y_ = 0;
}

bool QtPrinter::endDocument() {
    if (!ended_) {
        ended_ = true;
        if (painter_.isActive() && !painter_.end()) failed_ = true;
    }
    return !failed_;
}

int QtPrinter::copies() const {
    return printer_.copyCount();
}

void QtPrinter::setCopies(int copies) {
    printer_.setCopyCount(copies);
}

QtPrintSetup::QtPrintSetup(QWidget* parent) : parent_(parent) {}

IPrinter* QtPrintSetup::choosePrinter() {
    chosen_.reset();
    QPrintDialog dialog(&printer_, parent_);
    // The report is drawn whole: no page ranges, no selection.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    chosen_ = std::make_unique<QtPrinter>(printer_);
    return chosen_.get();
}

void QtPrintSetup::preview(const std::function<void(IPrinter&)>& draw) {
    QPrintPreviewDialog dialog(&printer_, parent_);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&draw](QPrinter* printer) {
                         QtPrinter face(*printer);
                         draw(face);
                         face.endDocument();
                     });
    // As large as the screen allows, with room for the window manager's
    // title bar and borders (a small or strongly scaled screen would
    // otherwise cut off the toolbar or the page), and the page as wide as
    // the window: the text is readable without zooming first.
    if (const QScreen* screen = parent_ ? parent_->screen() : QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        const int title = 2 * dialog.fontMetrics().height();
        const QSize room(available.width() - 16, available.height() - title - 16);
        dialog.resize(
            QSize(available.width() * 3 / 4, available.height() * 9 / 10).boundedTo(room));
        dialog.move(available.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
    if (auto* page = dialog.findChild<QPrintPreviewWidget*>()) page->fitToWidth();
    dialog.exec();
}

}  // namespace voran
