#pragma once

#include <QColor>
#include <QPalette>

namespace voran {

// Colours of values, states and alarms, chosen against the palette they
// are drawn on, so that a dark desktop theme stays as readable as a light
// one. No window names a fixed colour of its own.

// WCAG contrast ratio of two colours, 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// `wanted` when it stands out from `background` by at least `minRatio`;
// otherwise the same hue made lighter (on a dark background) or darker (on
// a light one) until it does.
QColor ReadableOn(const QColor& wanted, const QColor& background, double minRatio = 4.5);

// Live controller values and "ON" states: blue, readable on `background`
// of `palette` (Base for grids and boxes, Window for labels).
QColor ValueColour(const QPalette& palette, QPalette::ColorRole background = QPalette::Window);
// "off" states and alarms (the machine's position mark): red.
QColor OffColour(const QPalette& palette, QPalette::ColorRole background = QPalette::Window);

}  // namespace voran
