#pragma once

#include "QtColor.h"

#include <QRect>
#include <QWidget>
#include <array>
#include <vector>

namespace vexmira::widgets {

// Where the parts of a track bar lie for a given client size and thumb offset.
struct TrackBarGeometry {
    int thumbLength = 20; // across the slide
    int thumbWidth = 10;  // along the slide
    int travel = 0;       // the range of the thumb offset
    QRect slide;
    QRect thumb;
};

// The program's own slider: a gradient slide with a gradient thumb that the mouse drags, tick
// marks, and colours for the thumb's normal, hot, down and disabled looks. Six schemes fill the
// colours at once; setting any single colour makes the scheme custom. No keyboard handling.
class TXiTrackBar : public QWidget {
    Q_OBJECT
  public:
    enum TColorScheme { csCustom, csDesert, csGrass, csSilver, csSky, csRose, csSun };
    Q_ENUM(TColorScheme)
    enum TTickStyle { tsNone, tsAuto, tsManual };
    Q_ENUM(TTickStyle)
    enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
    Q_ENUM(TTickMark)
    enum TTrackBarOrientation { trHorizontal, trVertical };
    Q_ENUM(TTrackBarOrientation)
    enum class ThumbState { Normal, Hot, Down };

    // Colour indexes of the set-by-index operation.
    enum ColorIndex {
        BackColorIndex = 0,
        TickColorIndex = 1,
        DisabledTickColorIndex = 2,
        SlideBorderColorIndex = 10,
        SlideFaceColorIndex = 11,
        SlideGradColorIndex = 12,
        DisabledSlideBorderColorIndex = 13,
        DisabledSlideFaceColorIndex = 14,
        DisabledSlideGradColorIndex = 15,
        DisabledThumbBorderColorIndex = 16,
        DisabledThumbFaceColorIndex = 17,
        DisabledThumbGradColorIndex = 18,
        ThumbBorderColorIndex = 20,
        ThumbFaceColorIndex = 21,
        ThumbGradColorIndex = 22,
        OverThumbBorderColorIndex = 30,
        OverThumbFaceColorIndex = 31,
        OverThumbGradColorIndex = 32,
        DownThumbBorderColorIndex = 40,
        DownThumbFaceColorIndex = 41,
        DownThumbGradColorIndex = 42,
    };

    explicit TXiTrackBar(QWidget* parent = nullptr);

    TColor Color(int index) const { return index >= 0 && index < int(colors_.size()) ? colors_[index] : 0; }
    // Stores the colour of a valid index (others store nothing), makes the scheme custom and
    // paints at once.
    void SetColor(int index, TColor color);

#define VEXMIRA_TRACK_COLOR(name)                                                                            \
    TColor name() const {                                                                                    \
        return colors_[name##Index];                                                                         \
    }                                                                                                        \
    void set##name(TColor color) {                                                                           \
        SetColor(name##Index, color);                                                                        \
    }
    VEXMIRA_TRACK_COLOR(BackColor)
    VEXMIRA_TRACK_COLOR(TickColor)
    VEXMIRA_TRACK_COLOR(DisabledTickColor)
    VEXMIRA_TRACK_COLOR(SlideBorderColor)
    VEXMIRA_TRACK_COLOR(SlideFaceColor)
    VEXMIRA_TRACK_COLOR(SlideGradColor)
    VEXMIRA_TRACK_COLOR(DisabledSlideBorderColor)
    VEXMIRA_TRACK_COLOR(DisabledSlideFaceColor)
    VEXMIRA_TRACK_COLOR(DisabledSlideGradColor)
    VEXMIRA_TRACK_COLOR(DisabledThumbBorderColor)
    VEXMIRA_TRACK_COLOR(DisabledThumbFaceColor)
    VEXMIRA_TRACK_COLOR(DisabledThumbGradColor)
    VEXMIRA_TRACK_COLOR(ThumbBorderColor)
    VEXMIRA_TRACK_COLOR(ThumbFaceColor)
    VEXMIRA_TRACK_COLOR(ThumbGradColor)
    VEXMIRA_TRACK_COLOR(OverThumbBorderColor)
    VEXMIRA_TRACK_COLOR(OverThumbFaceColor)
    VEXMIRA_TRACK_COLOR(OverThumbGradColor)
    VEXMIRA_TRACK_COLOR(DownThumbBorderColor)
    VEXMIRA_TRACK_COLOR(DownThumbFaceColor)
    VEXMIRA_TRACK_COLOR(DownThumbGradColor)
#undef VEXMIRA_TRACK_COLOR

    TColorScheme ColorScheme() const {
        return scheme_;
    }
    void setColorScheme(TColorScheme scheme);
    bool SmoothCorners() const {
        return smoothCorners_;
    }
    void setSmoothCorners(bool on);

    int Position() const {
        return position_;
    }
    // Clamped to Min..Max; `OnChange` follows, even when the value stays the same.
    void setPosition(int position);
    int Min() const {
        return min_;
    }
    void setMin(int min);
    int Max() const {
        return max_;
    }
    void setMax(int max);
    int Frequency() const {
        return frequency_;
    }
    void setFrequency(int frequency);
    TTickStyle TickStyle() const {
        return tickStyle_;
    }
    void setTickStyle(TTickStyle style);
    TTickMark TickMarks() const {
        return tickMarks_;
    }
    void setTickMarks(TTickMark marks);
    TTrackBarOrientation Orientation() const {
        return orientation_;
    }
    void setOrientation(TTrackBarOrientation orientation);

    ThumbState thumbState() const {
        return thumbState_;
    }
    int thumbOffset() const {
        return orientation_ == trHorizontal ? geometry().thumb.left() : geometry().thumb.top();
    }
    // The parts' places at the current size and position.
    TrackBarGeometry geometry() const;
    // The tick positions along the slide (x for a horizontal bar, y for a vertical one) for the
    // marks below/right and, for a horizontal bar, above.
    std::vector<int> tickPositions(bool topOrLeft) const;

    QImage render() const;

  signals:
    void OnChange();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent*) override;

  private:
    int offsetFor(int position, int travel) const;
    bool insideThumb(QPoint point) const;

    std::array<TColor, 43> colors_{};
    TColorScheme scheme_ = csDesert;
    bool smoothCorners_ = true;
    int position_ = 0, min_ = 0, max_ = 10, frequency_ = 1;
    TTickStyle tickStyle_ = tsNone;
    TTickMark tickMarks_ = tmBottomRight;
    TTrackBarOrientation orientation_ = trHorizontal;
    ThumbState thumbState_ = ThumbState::Normal;
};

} // namespace vexmira::widgets
