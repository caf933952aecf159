// The timing diagram: the spans it computes for each channel and where it
// draws them.
#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>

#include "timing/ui/TimingDiagram.h"

namespace voran::testing {
namespace {

using Spans = std::vector<TimingSpan>;
using Mark = TimingDiagram::Mark;

TEST(TimingSpans, OnToOffWithinAndAcrossTheEndOfTheCycle) {
    struct Case {
        int on, off, scale;
        Spans spans;
    };
    const Case cases[] = {
        {180, 240, 360, {{180, 240}}},
        {0, 359, 360, {{0, 359}}},
        {300, 20, 360, {{300, 360}, {0, 20}}},  // wraps past the end
        {359, 10, 360, {{359, 360}, {0, 10}}},  // ON on the cycle's last division
        {359, 0, 360, {{359, 360}}},            // OFF at the start: no empty piece
        {10, 0, 360, {{10, 360}}},
        {90, 90, 360, {}},   // never switches
        {0, 0, 360, {}},     // a cleared channel in the set-up data
        {360, 10, 360, {}},  // ON at the scale factor itself: outside the cycle
        {10, 360, 360, {}},  // OFF outside
        {-1, 10, 360, {}},
        {5, 50, 100, {{5, 50}}},
        {99, 5, 100, {{99, 100}, {0, 5}}},
        {5, 50, 0, {}},  // no cycle
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimingSpans(c.on, c.off, c.scale), c.spans)
            << c.on << " " << c.off << " " << c.scale;
}

TEST(TimingDiagramWidget, OnlyProgrammedChannelsOfAKnownCycleHaveSpans) {
    TimingDiagram d;
    d.setChannel(0, {Mark::Programmed, 300, 20});
    d.setChannel(1, {Mark::Empty, 0, 0});
    d.setChannel(2, {Mark::Unknown, 0, 0});
    d.setChannel(3, {Mark::Programmed, 360, 20});
    d.setChannel(4, {Mark::Programmed, 0, 0});
    EXPECT_TRUE(d.spans(0).empty()) << "the cycle is not known yet";
    d.setScale(360);
    EXPECT_EQ(d.spans(0), (Spans{{300, 360}, {0, 20}}));
    for (int ch : {1, 2, 3, 4, 5}) EXPECT_TRUE(d.spans(ch).empty()) << ch;
    EXPECT_TRUE(d.outsideCycle(3));
    EXPECT_FALSE(d.outsideCycle(0) || d.outsideCycle(2));
    // Greyed: no setpoint held, or ON and OFF the same.
    for (int ch = 0; ch < 8; ++ch) EXPECT_EQ(d.greyed(ch), ch == 1 || ch == 4) << ch;
    // A scale factor that shrinks leaves the setpoints outside the cycle.
    d.setScale(200);
    EXPECT_TRUE(d.spans(0).empty());
    EXPECT_TRUE(d.outsideCycle(0));
    d.setScale(0);
    EXPECT_FALSE(d.scale().has_value());
}

TEST(TimingDiagramWidget, DrawsTheSpansAcrossTheEndOfTheCycleAndThePosition) {
    for (const double scaleFactor : {1.0, 2.0}) {
        TimingDiagram d;
        QFont f = d.font();
        f.setPointSizeF(f.pointSizeF() * scaleFactor);
        d.setFont(f);
        d.resize(d.sizeHint());
        d.setScale(360);
        d.setChannel(0, {Mark::Programmed, 300, 20});
        d.setChannel(1, {Mark::Programmed, 90, 180});
        d.setPosition(45);
        const QImage image = d.grab().toImage();
        const QRgb fill = d.palette().color(QPalette::Highlight).rgb();
        auto filled = [&](int ch, int division) {
            const QRect band = d.bandRect(ch);
            return image.pixel(d.xAt(division) + 1, band.center().y()) == fill;
        };
        EXPECT_TRUE(filled(0, 330) && filled(0, 5) && filled(0, 300));
        EXPECT_FALSE(filled(0, 100) || filled(0, 25) || filled(0, 290));
        EXPECT_TRUE(filled(1, 120));
        EXPECT_FALSE(filled(1, 200) || filled(1, 330));
        EXPECT_FALSE(filled(2, 120));
        // The bands lie inside the widget, one under the other.
        EXPECT_TRUE(d.rect().contains(d.bandRect(7)));
        EXPECT_LT(d.bandRect(0).bottom(), d.bandRect(1).top());
        // The marker crosses the bands at the position.
        const QRgb marker = image.pixel(d.xAt(45), d.bandRect(3).center().y());
        EXPECT_GT(qRed(marker), 150);
        EXPECT_LT(qGreen(marker), 60);
    }
}

}  // namespace
}  // namespace voran::testing
