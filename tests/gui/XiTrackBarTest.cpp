#include "widgets/XiTrackBar.h"
#include "raster/Rounding.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace vexmira::widgets;
using vexmira::raster::TColor;

namespace {

TColor at(const QImage& image, int x, int y) {
    return toTColor(QColor(image.pixel(x, y)));
}

struct Bar {
    QWidget window;
    TXiTrackBar bar{&window};
    int changes = 0;
    Bar(int w, int h, int min, int max) {
        bar.resize(w, h);
        bar.setMax(max);
        bar.setMin(min);
        QObject::connect(&bar, &TXiTrackBar::OnChange, [this] { ++changes; });
        window.resize(w + 20, h + 20);
        window.show();
    }
};

} // namespace

TEST(XiTrackBar, GeometryOfTheHorizontalExample) {
    Bar b(181, 25, 0, 100);
    TrackBarGeometry g = b.bar.geometry();
    EXPECT_EQ(g.thumbLength, 17);
    EXPECT_EQ(g.thumbWidth, 8);
    EXPECT_EQ(g.travel, 173);
    b.bar.setPosition(50);
    EXPECT_EQ(b.bar.thumbOffset(), 86); // 86.5 rounds to even
    g = b.bar.geometry();
    EXPECT_EQ(g.thumb, QRect(86, 4, 8, 17));
    EXPECT_EQ(g.slide, QRect(0, 9, 181, 7)); // top 25 / 3 + 1 = 9, bottom 25 - 9 = 16
    EXPECT_EQ(b.changes, 1);
    b.bar.setPosition(50); // OnChange also when nothing changed
    EXPECT_EQ(b.changes, 2);
    b.bar.setPosition(500);
    EXPECT_EQ(b.bar.Position(), 100);
    EXPECT_EQ(b.bar.thumbOffset(), 173);
}

TEST(XiTrackBar, PositionSetBeforeFirstPaintPlacesTheThumb) {
    TXiTrackBar bar;
    bar.resize(181, 25);
    bar.setMax(100);
    bar.setPosition(25);
    EXPECT_EQ(bar.thumbOffset(), 43); // 43.25
    const QImage image = bar.render();
    EXPECT_EQ(at(image, 43 + 3, 4), bar.ThumbBorderColor());
}

TEST(XiTrackBar, DraggingPastEitherEndStopsAtTheEnds) {
    Bar b(181, 25, 0, 100);
    b.bar.setPosition(50);
    b.changes = 0;
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, QPoint(90, 12));
    EXPECT_EQ(b.bar.thumbState(), TXiTrackBar::ThumbState::Down);
    QTest::mouseMove(&b.bar, QPoint(400, 12));
    EXPECT_EQ(b.bar.Position(), 100);
    EXPECT_EQ(b.bar.thumbOffset(), 173);
    QTest::mouseMove(&b.bar, QPoint(-50, 12));
    EXPECT_EQ(b.bar.Position(), 0);
    EXPECT_EQ(b.bar.thumbOffset(), 0);
    QTest::mouseMove(&b.bar, QPoint(50, 12)); // offset 46 -> position 27 -> snapped offset 47
    EXPECT_EQ(b.bar.Position(), 27);
    EXPECT_EQ(b.bar.thumbOffset(), 47);
    EXPECT_EQ(b.changes, 3);

    // Leaving while dragging keeps the down look until the button comes up.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b.bar, &leave);
    EXPECT_EQ(b.bar.thumbState(), TXiTrackBar::ThumbState::Down);
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, QPoint(170, 12));
    EXPECT_EQ(b.bar.thumbState(), TXiTrackBar::ThumbState::Normal);

    // A press on the slide beside the thumb does not move it; hovering the thumb makes it hot.
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, QPoint(150, 12));
    EXPECT_EQ(b.bar.thumbState(), TXiTrackBar::ThumbState::Normal);
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, QPoint(150, 12));
    EXPECT_EQ(b.bar.Position(), 27);
    QTest::mouseMove(&b.bar, QPoint(50, 12));
    EXPECT_EQ(b.bar.thumbState(), TXiTrackBar::ThumbState::Hot);
    QTest::mouseMove(&b.bar, QPoint(47, 12)); // on the thumb's border: outside
    EXPECT_EQ(b.bar.thumbState(), TXiTrackBar::ThumbState::Normal);
}

TEST(XiTrackBar, TickPlacesForStylesAndFrequency) {
    TXiTrackBar bar;
    bar.resize(181, 25);
    bar.setMax(25);
    bar.setTickStyle(TXiTrackBar::tsAuto);
    bar.setFrequency(10);
    // travel 173: i x 173 / 25, plus half the thumb width (4)
    EXPECT_EQ(bar.tickPositions(false), (std::vector<int>{0 + 4, 69 + 4, 138 + 4, 173 + 4}));
    EXPECT_EQ(bar.tickPositions(true), (std::vector<int>{4, 73, 142, 177}));
    const QImage below = bar.render();
    for (int x : {4, 73, 142, 177}) {
        EXPECT_EQ(at(below, x, 22), bar.TickColor());
        EXPECT_EQ(at(below, x, 24), bar.TickColor());
        EXPECT_NE(at(below, x, 0), bar.TickColor());
    }
    EXPECT_NE(at(below, 30, 23), bar.TickColor());

    bar.setTickMarks(TXiTrackBar::tmBoth);
    const QImage both = bar.render();
    EXPECT_EQ(at(both, 73, 0), bar.TickColor());
    EXPECT_EQ(at(both, 73, 2), bar.TickColor());
    EXPECT_NE(at(both, 73, 3), bar.TickColor());

    bar.setTickStyle(TXiTrackBar::tsManual);
    EXPECT_EQ(bar.tickPositions(false), (std::vector<int>{4, 177}));
    bar.setFrequency(0);
    bar.setTickStyle(TXiTrackBar::tsAuto);
    EXPECT_EQ(bar.tickPositions(false).size(), 26u);
    bar.setTickStyle(TXiTrackBar::tsNone);
    EXPECT_TRUE(bar.tickPositions(false).empty());
}

TEST(XiTrackBar, ZeroRangeNeitherDividesByZeroNorMovesTheThumb) {
    Bar b(100, 28, 5, 5);
    b.bar.setTickStyle(TXiTrackBar::tsAuto);
    b.bar.setPosition(9);
    EXPECT_EQ(b.bar.Position(), 5);
    EXPECT_EQ(b.bar.thumbOffset(), 0);
    EXPECT_EQ(b.bar.tickPositions(false), (std::vector<int>{5})); // half the thumb width
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, QPoint(5, 14));
    QTest::mouseMove(&b.bar, QPoint(60, 14));
    EXPECT_EQ(b.bar.Position(), 5);
    EXPECT_FALSE(b.bar.render().isNull());
}

TEST(XiTrackBar, PaintsGradientsOutlinesAndSmoothCorners) {
    TXiTrackBar bar;
    bar.resize(181, 25);
    bar.setMax(100);
    bar.setPosition(50);
    const QImage image = bar.render();
    const TrackBarGeometry g = bar.geometry();
    const TColor back = bar.BackColor();
    // slide: outline, corners in the background colour, gradient down the rows inside
    EXPECT_EQ(at(image, 0, g.slide.top()), back);
    EXPECT_EQ(at(image, 180, g.slide.bottom()), back);
    EXPECT_EQ(at(image, 1, g.slide.top()), bar.SlideBorderColor());
    EXPECT_EQ(at(image, 20, g.slide.bottom()), bar.SlideBorderColor());
    auto step = [](TColor s, TColor e, int i, int n) {
        TColor c = 0;
        for (int shift : {0, 8, 16}) {
            const double a = (s >> shift) & 0xFF, b = (e >> shift) & 0xFF;
            c |= TColor(vexmira::raster::roundHalfEven(a + (b - a) * i / n)) << shift;
        }
        return c;
    };
    for (int i = 1; i < g.slide.height() - 1; ++i)
        EXPECT_EQ(at(image, 30, g.slide.top() + i),
                  step(bar.SlideFaceColor(), bar.SlideGradColor(), i, g.slide.height()));
    // thumb: gradient along the columns
    for (int i = 1; i < g.thumb.width() - 1; ++i)
        EXPECT_EQ(at(image, g.thumb.left() + i, 12),
                  step(bar.ThumbFaceColor(), bar.ThumbGradColor(), i, g.thumb.width()));
    EXPECT_EQ(at(image, g.thumb.left(), g.thumb.top()), back);
    EXPECT_EQ(at(image, g.thumb.left() + 1, g.thumb.top()), bar.ThumbBorderColor());

    bar.setSmoothCorners(false);
    EXPECT_EQ(at(bar.render(), 0, g.slide.top()), bar.SlideBorderColor());

    bar.setEnabled(false);
    EXPECT_EQ(at(bar.render(), g.thumb.left() + 1, g.thumb.top()), bar.DisabledThumbBorderColor());
}

TEST(XiTrackBar, SchemesAndSingleColours) {
    TXiTrackBar bar;
    EXPECT_EQ(bar.ColorScheme(), TXiTrackBar::csDesert);
    EXPECT_EQ(bar.ThumbFaceColor(), 0x8CDAFFu);
    bar.setColorScheme(TXiTrackBar::csSun);
    EXPECT_EQ(bar.DownThumbGradColor(), 0x91E9FFu);
    EXPECT_EQ(bar.DisabledSlideFaceColor(), 0xD8D8D8u);
    bar.setThumbFaceColor(0x010203);
    EXPECT_EQ(bar.ColorScheme(), TXiTrackBar::csCustom);
    EXPECT_EQ(bar.Color(21), 0x010203u);
    bar.SetColor(5, 0x123456); // not an index: stores nothing
    EXPECT_EQ(bar.Color(5), 0u);
    bar.setColorScheme(TXiTrackBar::csCustom); // writes nothing
    EXPECT_EQ(bar.ThumbFaceColor(), 0x010203u);
}

TEST(XiTrackBar, VerticalGeometry) {
    TXiTrackBar bar;
    bar.setOrientation(TXiTrackBar::trVertical);
    bar.resize(28, 200);
    bar.setMax(10);
    bar.setPosition(10);
    const TrackBarGeometry g = bar.geometry();
    EXPECT_EQ(g.thumbLength, 20);
    EXPECT_EQ(g.thumbWidth, 10);
    EXPECT_EQ(g.travel, 190);
    EXPECT_EQ(g.thumb, QRect(4, 190, 20, 10));
    EXPECT_EQ(g.slide, QRect(10, 0, 8, 200));
}
