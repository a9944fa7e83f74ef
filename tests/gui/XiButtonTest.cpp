#include "widgets/XiButton.h"
#include "raster/Rounding.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace vexmira::widgets;
using vexmira::raster::TColor;

namespace {

TColor at(const QImage& image, int x, int y) {
    return toTColor(QColor(image.pixel(x, y)));
}

// Row i of a gradient of n steps from s to e, computed directly.
TColor gradientRow(TColor s, TColor e, int i, int n) {
    auto channel = [&](int shift) {
        const double a = (s >> shift) & 0xFF, b = (e >> shift) & 0xFF;
        return static_cast<TColor>(vexmira::raster::roundHalfEven(a + (b - a) * i / n)) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

void press(QWidget& w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&w, &down);
}
void release(QWidget& w, Qt::Key key) {
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &up);
}

} // namespace

TEST(XiButton, FreshButtonHasNeoDesertWithWhiteStateGradients) {
    TXiButton button;
    EXPECT_EQ(button.size(), QSize(75, 25));
    EXPECT_EQ(button.ColorScheme(), TXiButton::csNeoDesert);
    EXPECT_TRUE(button.Gradient());
    EXPECT_EQ(button.ColorFace(), 0xC6ECFFu);
    EXPECT_EQ(button.ColorGrad(), 0x37BEFFu);
    EXPECT_EQ(button.ColorFocusRect(), 0x4080FFu);
    EXPECT_EQ(button.OverColorGrad(), 0xFFFFFFu);
    EXPECT_EQ(button.DownColorGrad(), 0xFFFFFFu);
    EXPECT_EQ(button.DisabledColorGrad(), 0xFFFFFFu);
    EXPECT_EQ(button.Spacing(), 4);
    EXPECT_TRUE(button.Ctl3D());
    EXPECT_EQ(button.Layout(), TXiButton::blGlyphLeft);
}

TEST(XiButton, SingleColourMakesSchemeCustomAndSchemesRestoreOrKeep) {
    TXiButton button;
    button.setColorScheme(TXiButton::csSky);
    EXPECT_EQ(button.ColorScheme(), TXiButton::csSky);
    EXPECT_FALSE(button.Gradient());
    button.setColorFace(0x123456);
    EXPECT_EQ(button.ColorScheme(), TXiButton::csCustom);
    button.SetColor(99, 0x111111); // out of range: nothing stored, still custom
    EXPECT_EQ(button.ColorScheme(), TXiButton::csCustom);
    button.setColorScheme(TXiButton::csSky);
    EXPECT_EQ(button.ColorFace(), 0xFFE0C1u);
    EXPECT_EQ(button.DownColorLight(), 0xFF9122u);

    // A plain scheme leaves the gradient colours of the Neo scheme before it.
    button.setColorScheme(TXiButton::csNeoGrass);
    button.setColorScheme(TXiButton::csGrass);
    EXPECT_FALSE(button.Gradient());
    EXPECT_EQ(button.ColorGrad(), 0x5EDF8Eu);
    EXPECT_EQ(button.OverColorGrad(), 0x3DD877u);
    EXPECT_EQ(button.DownColorGrad(), 0x80E6A6u);
    EXPECT_EQ(button.DisabledColorGrad(), 0xFFFFFFu);
    EXPECT_EQ(button.ColorFace(), 0x98EBB7u);

    // Every scheme's face colours for the four looks, as the scheme table of the button's
    // documentation gives them (typed here independently of the program's table).
    const std::uint32_t faces[12][4] = {
        {0xC6ECFF, 0xB3E7FF, 0x2BBAFF, 0xEEEEEE}, {0xFFEEDD, 0xFFEBD7, 0xFFB366, 0xEEEEEE},
        {0xDDF9E8, 0xBFF2D2, 0x4EDC83, 0xEEEEEE}, {0xF3F3F3, 0xF0F0F0, 0xCACACA, 0xEEEEEE},
        {0xE8E8FF, 0xDFDFFF, 0xA6A6FF, 0xEEEEEE}, {0xF0FFFF, 0xD5FCFF, 0x05D1F5, 0xEEEEEE},
        {0x95DDFF, 0x6FD0FF, 0x6FD0FF, 0xE2E2E2}, {0x98EBB7, 0x68E196, 0x4EDC83, 0xE2E2E2},
        {0xFFE0C1, 0xFFCD9B, 0xFFC082, 0xE2E2E2}, {0xA8FFFF, 0x66F3FF, 0x22EEFF, 0xE2E2E2},
        {0xC6C6FF, 0xB0B0FF, 0x9F9FFF, 0xE2E2E2}, {0xE0E0E0, 0xCFCFCF, 0xD3D3D3, 0xE2E2E2},
    };
    for (int scheme = 0; scheme < 12; ++scheme) {
        button.setColorScheme(TXiButton::TColorScheme(scheme));
        EXPECT_EQ(button.ColorFace(), faces[scheme][0]) << scheme;
        EXPECT_EQ(button.OverColorFace(), faces[scheme][1]) << scheme;
        EXPECT_EQ(button.DownColorFace(), faces[scheme][2]) << scheme;
        EXPECT_EQ(button.DisabledColorFace(), faces[scheme][3]) << scheme;
        EXPECT_EQ(button.Gradient(), scheme <= TXiButton::csNeoSun);
    }
}

TEST(XiButton, PaintsGradientBorderAndBevel) {
    TXiButton button;
    button.resize(60, 25);
    const int w = 60, h = 25;
    const QImage image = button.render();
    const TColor face = button.ColorFace(), grad = button.ColorGrad();
    for (int row = 2; row <= h - 3; ++row)
        EXPECT_EQ(at(image, 20, row), gradientRow(face, grad, row, h)) << row;
    // border on all four sides
    for (int x : {0, 30, w - 1}) {
        EXPECT_EQ(at(image, x, 0), button.ColorBorder());
        EXPECT_EQ(at(image, x, h - 1), button.ColorBorder());
    }
    for (int y : {0, 12, h - 1}) {
        EXPECT_EQ(at(image, 0, y), button.ColorBorder());
        EXPECT_EQ(at(image, w - 1, y), button.ColorBorder());
    }
    // light bevel top and left, dark bevel right and bottom; each line leaves out its end point
    EXPECT_EQ(at(image, 1, 1), button.ColorLight());
    EXPECT_EQ(at(image, 1, h - 2), button.ColorLight());
    EXPECT_EQ(at(image, w - 3, 1), button.ColorLight());
    EXPECT_EQ(at(image, w - 2, 1), button.ColorDark());
    EXPECT_EQ(at(image, w - 2, h - 2), button.ColorDark());
    EXPECT_EQ(at(image, 2, h - 2), button.ColorDark());
    EXPECT_EQ(at(image, 2, 2), gradientRow(face, grad, 2, h));

    // Without the bevel the gradient shows up to the row above the border.
    button.setCtl3D(false);
    const QImage flat = button.render();
    EXPECT_EQ(at(flat, 1, h - 2), gradientRow(face, grad, h - 2, h));
    EXPECT_EQ(at(flat, 30, 1), gradientRow(face, grad, 1, h));
    button.setGradient(false);
    EXPECT_EQ(at(button.render(), 30, h - 2), face);
}

TEST(XiButton, FocusRectangleSitsThreePixelsIn) {
    QWidget window;
    TXiButton button(&window);
    button.resize(50, 20);
    window.show();
    button.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button.isFocused());
    const QImage image = button.render();
    const TColor focus = button.ColorFocusRect();
    EXPECT_EQ(at(image, 3, 3), focus);
    EXPECT_EQ(at(image, 46, 3), focus);
    EXPECT_EQ(at(image, 46, 16), focus);
    EXPECT_EQ(at(image, 3, 16), focus);
    EXPECT_NE(at(image, 47, 3), focus);
    EXPECT_NE(at(image, 4, 4), focus);
}

TEST(XiButton, DisabledColoursWinWhateverTheMouseDoes) {
    QWidget window;
    TXiButton button(&window);
    window.show();
    button.setEnabled(false);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    const QImage image = button.render();
    EXPECT_EQ(at(image, 0, 0), button.DisabledColorBorder());
    EXPECT_EQ(at(image, 1, 1), button.DisabledColorLight());
    EXPECT_EQ(at(image, 20, 3), gradientRow(button.DisabledColorFace(), button.DisabledColorGrad(), 3, 25));
}

TEST(XiButton, MouseStatesAndClick) {
    QWidget window;
    TXiButton button(&window);
    window.show();
    int clicks = 0, hints = 0;
    QObject::connect(&button, &TXiButton::clicked, [&] { ++clicks; });
    TXiButton::setHintPanelHider([&] { ++hints; });

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.paintState(), TXiButton::PaintState::Hot);
    EXPECT_EQ(at(button.render(), 20, 5), gradientRow(button.OverColorFace(), button.OverColorGrad(), 5, 25));

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.paintState(), TXiButton::PaintState::Down);
    EXPECT_EQ(at(button.render(), 1, 1), button.DownColorLight()); // the inverted bevel
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.paintState(), TXiButton::PaintState::Normal); // not hot after a click
    EXPECT_EQ(hints, 1);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10)); // released outside
    EXPECT_EQ(clicks, 1);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(hints, 3);
    TXiButton::setHintPanelHider({});
    QApplication::sendEvent(&button, &leave); // an empty hook is fine
}

TEST(XiButton, SpaceClicksOnReleaseEnterAtOnce) {
    QWidget window;
    TXiButton button(&window);
    window.show();
    button.setFocus();
    int clicks = 0;
    QObject::connect(&button, &TXiButton::clicked, [&] { ++clicks; });
    press(button, Qt::Key_Space);
    EXPECT_EQ(button.paintState(), TXiButton::PaintState::Down);
    EXPECT_EQ(clicks, 0);
    release(button, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button.paintState(), TXiButton::PaintState::Normal);
    press(button, Qt::Key_Return);
    EXPECT_EQ(clicks, 2);
}

TEST(XiButton, CancelTakesEscAndDefaultTakesEnterFromAnywhereInTheDialog) {
    QDialog dialog;
    QLineEdit edit(&dialog);
    TXiButton ok(&dialog), cancel(&dialog);
    ok.setDefault(true);
    ok.setModalResult(QDialog::Accepted);
    cancel.setCancel(true);
    int okClicks = 0, cancelClicks = 0;
    QObject::connect(&ok, &TXiButton::clicked, [&] { ++okClicks; });
    QObject::connect(&cancel, &TXiButton::clicked, [&] { ++cancelClicks; });
    dialog.show();
    edit.setFocus();
    QApplication::processEvents();

    QTest::keyClick(&edit, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_EQ(okClicks, 0);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted); // the button's modal result closes the dialog

    // Esc with Ctrl held is not the cancel key.
    dialog.show();
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_EQ(cancelClicks, 1);
}

TEST(XiButton, GlyphGapFollowsSpacingAndGlyphWidth) {
    TXiButton button;
    button.resize(120, 30);
    button.setCaption("Send");
    for (const auto& [glyphWidth, gap] : {std::pair{17, 3}, std::pair{16, 4}}) {
        QImage glyph(glyphWidth, 10, QImage::Format_RGB32);
        glyph.fill(Qt::red);
        button.setTransparentGlyph(false);
        button.setGlyph(glyph);
        const auto layout = button.contentLayout();
        EXPECT_EQ(layout.text.left() - (layout.glyph.x() + glyphWidth), gap) << glyphWidth;
        EXPECT_EQ(layout.glyph.y(), (30 - 10) / 2);
        const QImage image = button.render();
        EXPECT_EQ(at(image, layout.glyph.x(), layout.glyph.y()), 0x0000FFu);
        EXPECT_EQ(at(image, layout.glyph.x() + glyphWidth - 1, layout.glyph.y() + 9), 0x0000FFu);
        EXPECT_NE(at(image, layout.glyph.x() + glyphWidth, layout.glyph.y() + 5), 0x0000FFu);
    }
    // The glyph's corner colour is transparent when asked.
    QImage keyed(8, 8, QImage::Format_RGB32);
    keyed.fill(Qt::green);
    keyed.setPixel(4, 4, qRgb(255, 0, 0));
    button.setTransparentGlyph(true);
    button.setGlyph(keyed);
    const auto layout = button.contentLayout();
    const QImage image = button.render();
    EXPECT_NE(at(image, layout.glyph.x(), layout.glyph.y()), 0x00FF00u);
    EXPECT_EQ(at(image, layout.glyph.x() + 4, layout.glyph.y() + 4), 0x0000FFu);
}
