#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QWidget>

namespace voran {

// A stretch of machine positions [start, end) in divisions of the cycle.
struct TimingSpan {
    int start = 0;
    int end = 0;
    bool operator==(const TimingSpan&) const = default;
};

// Where a channel is ON within one machine cycle of `scale` divisions
// (0 .. scale - 1): it switches ON at `on` and OFF at `off`. A channel whose
// ON lies past its OFF is ON across the end of the cycle, so it gives two
// spans (the second empty ones left out). Nothing for equal setpoints (the
// channel never switches) or setpoints outside the cycle.
std::vector<TimingSpan> TimingSpans(int on, int off, int scale);

// The eight PLS channels drawn as bands over one machine cycle, with the
// live machine position as a marker.
class TimingDiagram : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannels = 8;

    // What the window knows of one channel.
    enum class Mark {
        Pending,     // not read yet ("-")
        Programmed,  // ON and OFF setpoints
        Empty,       // the PLS holds no setpoint ("****")
        Unknown,     // the recall or the programming failed ("---")
    };
    struct Channel {
        Mark mark = Mark::Pending;
        int on = 0;
        int off = 0;
        bool operator==(const Channel&) const = default;
    };

    explicit TimingDiagram(QWidget* parent = nullptr);

    // Divisions of one machine cycle; empty while unknown.
    void setScale(std::optional<int> scale);
    std::optional<int> scale() const { return scale_; }
    void setChannel(int ch, const Channel& channel);
    const Channel& channel(int ch) const { return channels_.at(ch); }
    // The marker of the live machine position; empty hides it.
    void setPosition(std::optional<int> position);
    std::optional<int> position() const { return position_; }

    // The spans drawn for channel ch: none unless it is programmed and the
    // cycle is known.
    std::vector<TimingSpan> spans(int ch) const;
    // A programmed channel whose setpoints lie outside the cycle.
    bool outsideCycle(int ch) const;
    // The label of channel ch is greyed (no setpoint).
    bool greyed(int ch) const;

    // Where channel ch's band is drawn, and the x of a division on it.
    QRect bandRect(int ch) const;
    int xAt(int division) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The plot: the bands' area right of the labels, between the marker's
    // label above and the axis below.
    QRect plotRect() const;
    int labelWidth() const;

    std::optional<int> scale_;
    std::array<Channel, kChannels> channels_{};
    std::optional<int> position_;
};

}  // namespace voran
