// The window picker's rules and the clipboard source, on the offscreen platform.
#include "app/Program.h"
#include "app/mainunit.h"
#include "mirror/WindowPicker.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <gtest/gtest.h>

using namespace vexmira;

TEST(WindowPicker, WhichWindowsAreLeftOut) {
    const mirror::WindowRow plain{"Xmessage", "1", "2", "Notes"};
    EXPECT_FALSE(mirror::excludedFromPicker(plain, {20, 20}));
    EXPECT_TRUE(mirror::excludedFromPicker(plain, {19, 300}));
    EXPECT_TRUE(mirror::excludedFromPicker(plain, {300, 19}));
    EXPECT_TRUE(mirror::excludedFromPicker(plain, {0, 0}));
    for (const char* own : {"Vexmira", "Vexmira - Display", "Program Manager", "Start", "FstartForm"})
        EXPECT_TRUE(mirror::excludedFromPicker({"X", "1", "2", own}, {400, 300})) << own;
    EXPECT_TRUE(mirror::excludedFromPicker({"Shell_TrayWnd", "1", "2", "Empty"}, {400, 300}));
    EXPECT_FALSE(mirror::excludedFromPicker({"Other", "1", "2", "Empty"}, {400, 300})); // only the taskbar
}

TEST(WindowPicker, ThumbnailsSitAroundTheRowsCentreAndManyRowsFit) {
    mirror::WindowPicker picker(nullptr);
    const int wide = picker.addEntry({"A", "11", "1", "Wide"});
    const int tall = picker.addEntry({"B", "12", "1", "Tall"});
    picker.setThumbnail(wide, raster::Bitmap(1000, 500), 11);
    picker.setThumbnail(tall, raster::Bitmap(500, 1000), 12);
    EXPECT_EQ(picker.image(wide)->pos(), QPoint(125, 50));
    EXPECT_EQ(picker.image(tall)->pos(), QPoint(155, 20));
    EXPECT_EQ(picker.image(wide)->size(), QSize(115, 115));
    EXPECT_EQ(picker.image(wide)->pixmap().size(), QSize(120, 60));
    EXPECT_EQ(picker.title(tall)->text(), "Tall");
    EXPECT_EQ(picker.title(tall)->toolTip(), "[Class Name: B] * [Handle: 12] * [PID: 1]");

    platform::WindowHandle chosen = 0;
    QObject::connect(&picker, &mirror::WindowPicker::windowChosen, [&](platform::WindowHandle h) { chosen = h; });
    emit picker.image(tall)->clicked(picker.image(tall)->handle);
    EXPECT_EQ(chosen, 12u);

    picker.removeEntry(wide);
    EXPECT_EQ(picker.entryCount(), 1);
    for (int i = 0; i < 600; ++i) picker.addEntry({"C", std::to_string(100 + i), "1", "Many"}); // past 501 windows
    EXPECT_EQ(picker.entryCount(), 601);
}

TEST(ClipboardSourceLogic, PicturesReplaceTheFrameTextDoesNotAndASecondPressIsIgnored) {
    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    app::MainForm->SpeedButton2Click();
    EXPECT_EQ(app::SourceMode, app::srcClipboard);
    EXPECT_TRUE(app::MainForm->clipWatch->Enabled);

    QImage picture(1000, 500, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    QGuiApplication::clipboard()->setImage(picture);
    QApplication::processEvents();
    ASSERT_EQ(app::CurrentFrame.size(), (raster::Size{1000, 500}));
    EXPECT_EQ(app::CurrentFrame.pixel(5, 5) & 0xFFFFFF, 0x0AC81Eu);
    EXPECT_EQ(app::MainForm->slika->bitmap().size(), (raster::Size{407, 203}));

    QGuiApplication::clipboard()->setText("words");
    QApplication::processEvents();
    EXPECT_EQ(app::CurrentFrame.size(), (raster::Size{1000, 500}));

    const raster::Bitmap before = app::CurrentFrame;
    app::MainForm->SpeedButton2Click(); // already the source: nothing at all
    EXPECT_TRUE(app::CurrentFrame.sharesPixelsWith(before));

    app::MainForm->sbSTOPClick();
    QGuiApplication::clipboard()->setImage(picture);
    QApplication::processEvents();
    EXPECT_EQ(app::CurrentFrame.size(), (raster::Size{387, 244})); // stopped: the clipboard is ignored
}
