#include "timing/ui/TimingDiagram.h"

#include <algorithm>

#include <QPainter>
#include <QPalette>

#include "widgets/Colours.h"

namespace voran {

std::vector<TimingSpan> TimingSpans(int on, int off, int scale) {
    if (scale <= 0 || on < 0 || off < 0 || on >= scale || off >= scale || on == off) return {};
    if (on < off) return {{on, off}};
    // ON past OFF: ON to the end of the cycle, then from its start to OFF.
    std::vector<TimingSpan> out{{on, scale}};
    if (off > 0) out.push_back({0, off});
    return out;
}

TimingDiagram::TimingDiagram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TimingDiagram"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setToolTip(QStringLiteral("Timing channels over one machine cycle"));
}

void TimingDiagram::setScale(std::optional<int> scale) {
    if (scale && *scale <= 0) scale.reset();
    if (scale == scale_) return;
    scale_ = scale;
    update();
}

void TimingDiagram::setChannel(int ch, const Channel& channel) {
    if (ch < 0 || ch >= kChannels || channels_[ch] == channel) return;
    channels_[ch] = channel;
    update();
}

void TimingDiagram::setPosition(std::optional<int> position) {
    if (position == position_) return;
    position_ = position;
    update();
}

std::vector<TimingSpan> TimingDiagram::spans(int ch) const {
    const Channel& c = channels_.at(ch);
    if (c.mark != Mark::Programmed || !scale_) return {};
    return TimingSpans(c.on, c.off, *scale_);
}

bool TimingDiagram::outsideCycle(int ch) const {
    const Channel& c = channels_.at(ch);
    if (c.mark != Mark::Programmed || !scale_) return false;
    return c.on < 0 || c.off < 0 || c.on >= *scale_ || c.off >= *scale_;
}

bool TimingDiagram::greyed(int ch) const {
    const Channel& c = channels_.at(ch);
    // A channel that switches ON and OFF at the same place never switches:
    // the set-up data keep a cleared channel as ON 0, OFF 0.
    return c.mark == Mark::Empty || (c.mark == Mark::Programmed && c.on == c.off);
}

QSize TimingDiagram::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(QLatin1Char('0')) * 60, fm.height() * 16};
}

QSize TimingDiagram::minimumSizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(QLatin1Char('0')) * 30, fm.height() * 11};
}

int TimingDiagram::labelWidth() const {
    const QFontMetrics fm = fontMetrics();
    return fm.horizontalAdvance(QStringLiteral("CH00")) + fm.height() / 2;
}

QRect TimingDiagram::plotRect() const {
    const QFontMetrics fm = fontMetrics();
    const int unit = fm.height();
    const int margin = unit / 2;
    const QRect area = rect().adjusted(margin, margin, -margin, -margin);
    // Room for the marker's label above, the axis labels below, and half an
    // axis label right of the end of the cycle.
    const int right = fm.horizontalAdvance(QStringLiteral("000")) / 2;
    return {area.left() + labelWidth(), area.top() + unit,
            std::max(1, area.width() - labelWidth() - right),
            std::max(kChannels, area.height() - unit - (unit + margin))};
}

int TimingDiagram::xAt(int division) const {
    const QRect plot = plotRect();
    const int scale = scale_.value_or(0);
    if (scale <= 0) return plot.left();
    return plot.left() + static_cast<int>(static_cast<long long>(division) * plot.width() / scale);
}

QRect TimingDiagram::bandRect(int ch) const {
    const QRect plot = plotRect();
    const int row = plot.height() / kChannels;
    const int band = std::max(2, row * 2 / 3);
    return {plot.left(), plot.top() + ch * row + (row - band) / 2, plot.width(), band};
}

void TimingDiagram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const QPalette& pal = palette();
    const int unit = fm.height();
    const int margin = unit / 2;
    const QRect area = rect().adjusted(margin, margin, -margin, -margin);
    const QRect plot = plotRect();
    p.fillRect(rect(), pal.color(QPalette::Base));

    const int scale = scale_.value_or(0);
    const QColor fill = pal.color(QPalette::Highlight);
    const QColor line = pal.color(QPalette::Mid);
    const QColor text = pal.color(QPalette::Text);
    const QColor grey = pal.color(QPalette::Disabled, QPalette::Text);

    for (int ch = 0; ch < kChannels; ++ch) {
        const Channel& c = channels_[ch];
        const QRect bandRect = this->bandRect(ch);
        p.setPen(greyed(ch) ? grey : text);
        p.drawText(QRect(area.left(), bandRect.top(), labelWidth() - margin / 2, bandRect.height()),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("CH%1").arg(ch, 2, 10, QLatin1Char('0')));
        const bool unknown = c.mark == Mark::Unknown || outsideCycle(ch);
        if (unknown) p.fillRect(bandRect, QBrush(line, Qt::BDiagPattern));
        for (const TimingSpan& s : spans(ch)) {
            const int x0 = xAt(s.start);
            const int x1 = std::max(x0 + 1, xAt(s.end));
            p.fillRect(QRect(x0, bandRect.top(), x1 - x0, bandRect.height()), fill);
        }
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawRect(bandRect.adjusted(0, 0, -1, -1));
        QString mark;
        if (outsideCycle(ch))
            mark = QStringLiteral("beyond the scale factor");
        else if (c.mark == Mark::Unknown)
            mark = QStringLiteral("---");
        else if (c.mark == Mark::Pending)
            mark = QStringLiteral("-");
        if (!mark.isEmpty()) {
            p.setPen(text);
            p.drawText(bandRect, Qt::AlignCenter, mark);
        }
    }

    // Axis: the cycle's start, quarters and end.
    p.setPen(text);
    const int axisY = plot.bottom() + margin / 2;
    p.drawLine(plot.left(), axisY, plot.right(), axisY);
    if (scale > 0) {
        for (int q = 0; q <= 4; ++q) {
            const int division = scale * q / 4;
            const int x = xAt(division);
            p.drawLine(x, axisY, x, axisY + margin / 2);
            const QString label = QString::number(division);
            const int w = fm.horizontalAdvance(label);
            p.drawText(QRect(x - w, axisY + margin / 2, 2 * w, unit),
                       Qt::AlignHCenter | Qt::AlignTop, label);
        }
    } else {
        p.drawText(QRect(plot.left(), axisY, plot.width(), unit + margin), Qt::AlignCenter,
                   QStringLiteral("scale factor not known"));
    }

    // The machine's position.
    if (position_ && scale > 0 && *position_ >= 0 && *position_ < scale) {
        const int x = xAt(*position_);
        QPen pen(OffColour(pal, QPalette::Base));
        pen.setWidth(std::max(2, unit / 8));
        p.setPen(pen);
        p.drawLine(x, plot.top() - margin / 2, x, plot.bottom());
        const QString label = QString::number(*position_);
        const int w = fm.horizontalAdvance(label) + 2;
        const int lx = std::clamp(x - w / 2, area.left(), area.right() - w);
        p.drawText(QRect(lx, area.top(), w, unit), Qt::AlignCenter, label);
    }
}

}  // namespace voran
