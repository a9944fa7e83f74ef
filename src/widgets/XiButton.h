#pragma once

#include "QtColor.h"

#include <QImage>
#include <QPushButton>
#include <array>
#include <functional>

class QShortcut;

namespace vexmira::widgets {

// The program's own push button: a flat face, optionally a vertical gradient, a one-pixel border,
// an optional two-colour bevel, an optional glyph beside the caption, and colour sets for the
// normal, hot (mouse over), down and disabled looks. Twelve colour schemes fill the sets at once;
// setting any single colour makes the scheme custom. It paints into an off-screen image of its
// own size and copies that to the screen in one step. Clicks, keys (Space; Enter on the focused
// button), mnemonics, the dialog's default button and accessibility are Qt's own.
class TXiButton : public QPushButton {
    Q_OBJECT
  public:
    enum TColorScheme {
        csNeoDesert,
        csNeoSky,
        csNeoGrass,
        csNeoSilver,
        csNeoRose,
        csNeoSun,
        csDesert,
        csGrass,
        csSky,
        csSun,
        csRose,
        csSilver,
        csCustom
    };
    Q_ENUM(TColorScheme)
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)
    enum class PaintState { Normal, Hot, Down };

    static constexpr int colorCount = 25;

    explicit TXiButton(QWidget* parent = nullptr);

    // The colour of index 0..24 (see the accessors below for the order).
    TColor Color(int index) const { return index >= 0 && index < colorCount ? colors_[index] : 0; }
    // Stores the colour of that index and makes the scheme custom; an index outside 0..24
    // stores nothing but still makes it custom.
    void SetColor(int index, TColor color);

#define VEXMIRA_XI_COLOR(name, index)                                                                        \
    TColor name() const {                                                                                    \
        return colors_[index];                                                                               \
    }                                                                                                        \
    void set##name(TColor color) {                                                                           \
        SetColor(index, color);                                                                              \
    }
    VEXMIRA_XI_COLOR(ColorFace, 0)
    VEXMIRA_XI_COLOR(ColorGrad, 1)
    VEXMIRA_XI_COLOR(ColorDark, 2)
    VEXMIRA_XI_COLOR(ColorLight, 3)
    VEXMIRA_XI_COLOR(ColorBorder, 4)
    VEXMIRA_XI_COLOR(ColorText, 5)
    VEXMIRA_XI_COLOR(OverColorFace, 6)
    VEXMIRA_XI_COLOR(OverColorGrad, 7)
    VEXMIRA_XI_COLOR(OverColorDark, 8)
    VEXMIRA_XI_COLOR(OverColorLight, 9)
    VEXMIRA_XI_COLOR(OverColorBorder, 10)
    VEXMIRA_XI_COLOR(OverColorText, 11)
    VEXMIRA_XI_COLOR(DownColorFace, 12)
    VEXMIRA_XI_COLOR(DownColorGrad, 13)
    VEXMIRA_XI_COLOR(DownColorDark, 14)
    VEXMIRA_XI_COLOR(DownColorLight, 15)
    VEXMIRA_XI_COLOR(DownColorBorder, 16)
    VEXMIRA_XI_COLOR(DownColorText, 17)
    VEXMIRA_XI_COLOR(DisabledColorFace, 18)
    VEXMIRA_XI_COLOR(DisabledColorGrad, 19)
    VEXMIRA_XI_COLOR(DisabledColorDark, 20)
    VEXMIRA_XI_COLOR(DisabledColorLight, 21)
    VEXMIRA_XI_COLOR(DisabledColorBorder, 22)
    VEXMIRA_XI_COLOR(DisabledColorText, 23)
    VEXMIRA_XI_COLOR(ColorFocusRect, 24)
#undef VEXMIRA_XI_COLOR

    TColorScheme ColorScheme() const {
        return scheme_;
    }
    void setColorScheme(TColorScheme scheme);

    bool Ctl3D() const {
        return ctl3D_;
    }
    void setCtl3D(bool on);
    TButtonLayout Layout() const {
        return layout_;
    }
    void setLayout(TButtonLayout layout);
    const QImage& Glyph() const {
        return glyph_;
    }
    void setGlyph(const QImage& glyph);
    int Spacing() const {
        return spacing_;
    }
    void setSpacing(int spacing);
    bool TransparentGlyph() const {
        return transparentGlyph_;
    }
    void setTransparentGlyph(bool on);
    bool Gradient() const {
        return gradient_;
    }
    void setGradient(bool on);
    bool HotTrack() const {
        return hotTrack_;
    }
    void setHotTrack(bool on) {
        hotTrack_ = on;
    }
    // Esc anywhere in the button's window clicks it.
    bool Cancel() const {
        return cancelKey_ != nullptr;
    }
    void setCancel(bool on);
    // Enter anywhere in the button's dialog clicks it (QPushButton's default button).
    bool Default() const {
        return isDefault();
    }
    int ModalResult() const {
        return modalResult_;
    }
    void setModalResult(int result) {
        modalResult_ = result;
    }
    QString Caption() const {
        return text();
    }
    void setCaption(const QString& caption) {
        setText(caption);
    }

    // Down while pressed (mouse or Space), hot while the mouse is over it, normal otherwise.
    PaintState paintState() const;
    bool isFocused() const {
        return hasFocus();
    }

    // Runs the button's action at once: the holding dialog's result, then `clicked`.
    void Click() {
        click();
    }

    // Where the glyph's top-left corner and the caption's box lie in the current state.
    struct ContentLayout {
        QPoint glyph;
        QRect text;
    };
    ContentLayout contentLayout() const;

    // Renders the button as it would paint now (the off-screen image).
    QImage render() const;

    // Called whenever the mouse leaves a button or a mouse button is released over one; the
    // control window hides its hint panel through it. Empty until somebody sets it.
    static void setHintPanelHider(std::function<void()> hider);

  protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;

  private:
    struct ColorSet {
        TColor face, grad, dark, light, border, text;
    };
    ColorSet currentSet() const;
    void finishClick();

    std::array<TColor, colorCount> colors_{};
    TColorScheme scheme_ = csNeoDesert;
    bool ctl3D_ = true;
    TButtonLayout layout_ = blGlyphLeft;
    QImage glyph_;
    int spacing_ = 4;
    bool transparentGlyph_ = true;
    bool gradient_ = false;
    bool hotTrack_ = true;
    QShortcut* cancelKey_ = nullptr;
    int modalResult_ = 0;
    bool hot_ = false;
};

} // namespace vexmira::widgets
