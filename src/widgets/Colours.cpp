#include "widgets/Colours.h"

#include <cmath>

namespace voran {

namespace {

double Channel(double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    return 0.2126 * Channel(c.redF()) + 0.7152 * Channel(c.greenF()) + 0.0722 * Channel(c.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background, double minRatio) {
    if (ContrastRatio(wanted, background) >= minRatio) return wanted;
    const bool darkBackground = Luminance(background) < 0.18;
    const QColor hsl = wanted.toHsl();
    // Lightness in small steps away from the background; black or white
    // at the end always reach the ratio a palette can give.
    for (int step = 1; step <= 20; ++step) {
        const double l = darkBackground ? hsl.lightnessF() + (1 - hsl.lightnessF()) * step / 20
                                        : hsl.lightnessF() * (20 - step) / 20;
        const QColor c = QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), l).toRgb();
        if (ContrastRatio(c, background) >= minRatio) return c;
    }
    return darkBackground ? QColor(Qt::white) : QColor(Qt::black);
}

QColor ValueColour(const QPalette& palette, QPalette::ColorRole background) {
    return ReadableOn(QColor(0, 0, 255), palette.color(QPalette::Active, background));
}

QColor OffColour(const QPalette& palette, QPalette::ColorRole background) {
    return ReadableOn(QColor(192, 0, 0), palette.color(QPalette::Active, background));
}

}  // namespace voran
