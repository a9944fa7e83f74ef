#pragma once

#include "QtColor.h"

#include <QCheckBox>
#include <QImage>

namespace vexmira::widgets {

// A check box that shows a picture for each of its states (unchecked, checked, grayed) instead
// of the usual box, with the caption beside it. A picture may hold two images side by side: the
// first for the enabled box, the second for the disabled one. Clicks, Space, the caption's
// mnemonic and accessibility are Qt's own; grayed is Qt's partially checked state.
class TBitCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
    Q_ENUM(TCheckBoxState)
    enum TLeftRight { taLeftJustify, taRightJustify };
    Q_ENUM(TLeftRight)

    explicit TBitCheckBox(QWidget* parent = nullptr);

    TLeftRight Alignment() const { return alignment_; }
    void setAlignment(TLeftRight alignment);
    bool AllowGrayed() const { return allowGrayed_; }
    void setAllowGrayed(bool on) { allowGrayed_ = on; }
    TCheckBoxState State() const;
    void setState(TCheckBoxState state);
    bool Checked() const { return State() == cbChecked; }
    void setChecked(bool on) { setState(on ? cbChecked : cbUnchecked); }
    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }
    // The background; the pictures' transparent colour is replaced by it.
    TColor Color() const { return color_; }
    void setColor(TColor color);
    bool Ctl3D() const { return ctl3D_; }
    void setCtl3D(bool on);

    // A null image restores the default picture of that state. A picture whose width is a whole
    // multiple of its height holds width / height images (at most 2).
    void setCheckedGlyph(const QImage& glyph) { setGlyph(cbChecked, glyph); }
    void setUncheckedGlyph(const QImage& glyph) { setGlyph(cbUnchecked, glyph); }
    void setGrayedGlyph(const QImage& glyph) { setGlyph(cbGrayed, glyph); }
    const QImage& Glyph(TCheckBoxState state) const { return glyphs_[state]; }
    int NumGlyphs(TCheckBoxState state) const { return numGlyphs_[state]; }
    void setNumGlyphs(TCheckBoxState state, int count);

    // One step of the state cycle: unchecked -> grayed (when allowed) or checked; checked ->
    // unchecked; grayed -> checked.
    void Toggle();
    // Toggle, `clicked`, then the focus when the box can take it.
    void Click();
    // Qt's click steps through the same cycle as Toggle.
    void nextCheckState() override;

    // Renders the box as it would paint now.
    QImage render() const;
    // The rectangle the caption is drawn in (the focus rectangle goes around it).
    QRect captionRect() const;

  protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;
    bool event(QEvent*) override;
    void changeEvent(QEvent*) override;

  private:
    void setGlyph(TCheckBoxState state, const QImage& glyph);

    TLeftRight alignment_ = taRightJustify;
    bool allowGrayed_ = false;
    TColor color_;
    bool ctl3D_ = true;
    QImage glyphs_[3];
    int numGlyphs_[3] = {1, 1, 1};
};

} // namespace vexmira::widgets
