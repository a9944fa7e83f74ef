#include "widgets/BtChkBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace vexmira::widgets;

namespace {

QImage twoImagePicture(QColor first, QColor second, int height) {
    QImage picture(2 * height, height, QImage::Format_RGB32);
    picture.fill(first);
    for (int y = 0; y < height; ++y)
        for (int x = height; x < 2 * height; ++x)
            picture.setPixel(x, y, second.rgb());
    picture.setPixel(0, height - 1, qRgb(255, 0, 255)); // the transparent colour: bottom-left
    return picture;
}

TColor at(const QImage& image, int x, int y) {
    return toTColor(QColor(image.pixel(x, y)));
}

} // namespace

TEST(BitCheckBox, DefaultsAndPictures) {
    TBitCheckBox box;
    EXPECT_EQ(box.size(), QSize(97, 17));
    EXPECT_EQ(box.State(), TBitCheckBox::cbUnchecked);
    EXPECT_EQ(box.Alignment(), TBitCheckBox::taRightJustify);
    EXPECT_EQ(box.Glyph(TBitCheckBox::cbChecked).size(), QSize(40, 18));
    EXPECT_EQ(box.Glyph(TBitCheckBox::cbUnchecked).size(), QSize(40, 18));
    EXPECT_EQ(box.Glyph(TBitCheckBox::cbGrayed).size(), QSize(19, 14));
    for (auto s : {TBitCheckBox::cbUnchecked, TBitCheckBox::cbChecked, TBitCheckBox::cbGrayed})
        EXPECT_EQ(box.NumGlyphs(s), 1);

    box.setCheckedGlyph(QImage(40, 20, QImage::Format_RGB32));
    EXPECT_EQ(box.NumGlyphs(TBitCheckBox::cbChecked), 2);
    box.setCheckedGlyph(QImage(40, 18, QImage::Format_RGB32)); // not a whole multiple: count kept
    EXPECT_EQ(box.NumGlyphs(TBitCheckBox::cbChecked), 2);
    box.setCheckedGlyph(QImage(60, 10, QImage::Format_RGB32)); // six images: clamped to two
    EXPECT_EQ(box.NumGlyphs(TBitCheckBox::cbChecked), 2);
    box.setNumGlyphs(TBitCheckBox::cbChecked, 0);
    EXPECT_EQ(box.NumGlyphs(TBitCheckBox::cbChecked), 1);
    box.setCheckedGlyph(QImage()); // back to the default picture
    EXPECT_EQ(box.Glyph(TBitCheckBox::cbChecked).size(), QSize(40, 18));
}

TEST(BitCheckBox, ClicksCycleThroughGrayedOnlyWhenAllowed) {
    TBitCheckBox box;
    int clicks = 0;
    QObject::connect(&box, &TBitCheckBox::clicked, [&] { ++clicks; });
    box.Click();
    EXPECT_EQ(box.State(), TBitCheckBox::cbChecked);
    EXPECT_TRUE(box.Checked());
    box.Click();
    EXPECT_EQ(box.State(), TBitCheckBox::cbUnchecked);

    box.setAllowGrayed(true);
    box.Click();
    EXPECT_EQ(box.State(), TBitCheckBox::cbGrayed);
    EXPECT_FALSE(box.Checked());
    box.Click();
    EXPECT_EQ(box.State(), TBitCheckBox::cbChecked);
    box.Click();
    EXPECT_EQ(box.State(), TBitCheckBox::cbUnchecked);
    EXPECT_EQ(clicks, 5);
}

TEST(BitCheckBox, MouseAndSpaceClick) {
    QWidget window;
    TBitCheckBox box(&window);
    int clicks = 0;
    QObject::connect(&box, &TBitCheckBox::clicked, [&] { ++clicks; });
    window.show();
    QApplication::setActiveWindow(&window);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(box.Checked());
    EXPECT_TRUE(box.hasFocus());
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(box.Checked());
}

TEST(BitCheckBox, PaintsPictureOnItsColourAndCaptionBeside) {
    QWidget window;
    TBitCheckBox box(&window);
    box.setCaption("Show cursor");
    box.setColor(0x336699);
    box.setUncheckedGlyph(twoImagePicture(Qt::red, Qt::blue, 12));
    window.show();
    // Right-justified: the first image at the left, vertically centred, its corner colour
    // replaced by the box's colour.
    QImage image = box.render();
    EXPECT_EQ(at(image, 5, 6), 0x0000FFu);
    EXPECT_EQ(at(image, 0, 2 + 11), 0x336699u);
    EXPECT_EQ(at(image, 5, 1), 0x336699u); // above the picture
    EXPECT_EQ(box.captionRect().left(), 12 + 4);

    // Left-justified: the picture at the right edge, the caption from x = 1.
    box.setAlignment(TBitCheckBox::taLeftJustify);
    image = box.render();
    EXPECT_EQ(at(image, 97 - 12 + 3, 6), 0x0000FFu);
    EXPECT_EQ(box.captionRect().left(), 1);

    // Disabled with a two-image picture: the second image, and an embossed gray caption.
    box.setAlignment(TBitCheckBox::taRightJustify);
    box.setEnabled(false);
    image = box.render();
    EXPECT_EQ(at(image, 5, 6), 0xFF0000u);
    const QRect caption = box.captionRect();
    const QColor light = box.palette().color(QPalette::Active, QPalette::Light);
    const QColor gray = box.palette().color(QPalette::Disabled, QPalette::WindowText);
    bool sawLight = false, sawGray = false;
    for (int y = caption.top(); y <= caption.bottom() + 1 && y < image.height(); ++y)
        for (int x = caption.left(); x <= caption.right() + 1 && x < image.width(); ++x) {
            sawLight |= QColor(image.pixel(x, y)) == light;
            sawGray |= QColor(image.pixel(x, y)) == gray;
        }
    EXPECT_TRUE(sawLight);
    EXPECT_TRUE(sawGray);
}

// Every pixel of the drawn caption lies in the caption's rectangle (the area the focus frame
// surrounds), whatever the text; drawing, however often, never moves the focus.
TEST(BitCheckBox, TheCaptionIsDrawnInsideItsRectangleAndPaintingLeavesTheFocus) {
    QWidget window;
    QLineEdit edit(&window);
    TBitCheckBox box(&window);
    box.move(0, 40);
    box.resize(160, 21);
    window.show();
    QApplication::setActiveWindow(&window);
    edit.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit.hasFocus());
    for (const char* caption : {"&Center", "Wj|gy", "Mirror the WHOLE desktop"}) {
        SCOPED_TRACE(caption);
        box.setCaption(caption);
        const QImage image = box.render();
        const QRect inside = box.captionRect().adjusted(-1, -1, 1, 1);
        const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
        int drawn = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = inside.left() - 2; x < image.width(); ++x) {
                if (x < 0 || image.pixel(x, y) == background) continue;
                ++drawn;
                outside += !inside.contains(x, y);
            }
        EXPECT_GT(drawn, 20) << "no caption was drawn";
        EXPECT_EQ(outside, 0) << "the caption reaches out of its rectangle";
        box.repaint();
        QApplication::processEvents();
        EXPECT_TRUE(edit.hasFocus());
    }
}

TEST(BitCheckBox, AcceleratorFocusesAndTogglesWithoutClick) {
    QWidget window;
    QLineEdit edit(&window);
    TBitCheckBox box(&window);
    box.move(0, 40);
    box.setCaption("Show &red point");
    int clicks = 0;
    QObject::connect(&box, &TBitCheckBox::clicked, [&] { ++clicks; });
    window.show();
    QApplication::setActiveWindow(&window);
    edit.setFocus();
    QApplication::processEvents();
    QTest::keyClick(&edit, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(box.hasFocus());
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(clicks, 0);
}
