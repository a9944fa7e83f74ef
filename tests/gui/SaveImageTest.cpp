// The save dialog's presses on the offscreen platform: the files each type writes, checked by
// ImageMagick; numbered names that are taken; and the presses that must save nothing.
#include "capture/usaveImage.h"
#include "raster/Bitmap.h"

#include "ImageMagick.h"

#include <QApplication>

#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::testing;

namespace {

raster::Bitmap plasma(const TemporaryFolder& folder) {
    runConvert("-size 320x200 -seed 11 plasma:fractal PNG24:" + (folder / "source.png").string());
    return imageMagickPixels(folder / "source.png");
}

struct SaveDialog {
    std::string hotKey = "None";
    bool beep = false;
    raster::Bitmap picture;
    QStringList told;
    capture::TFsave dialog{hotKey, beep, [this] { return picture; }, "/tmp/"};
    explicit SaveDialog(const std::filesystem::path& folder) {
        dialog.tell = [this](const QString& text) { told << text; };
        dialog.Edit2->setText(QString::fromStdString(folder.string())); // no trailing separator
    }
};

} // namespace

TEST(SaveImage, EachTypeWritesThePictureAndTakenNamesAreNeverReplaced) {
    TemporaryFolder folder;
    SaveDialog save(folder.path());
    save.picture = plasma(folder);
    // Pictures of an earlier run are there already.
    std::ofstream(folder / "image1.png") << "earlier";
    std::ofstream(folder / "image2.png") << "earlier too";

    save.dialog.cbformat->setCurrentIndex(1);
    ASSERT_EQ(save.dialog.fishHotKey(), (folder / "image3.png").string());
    EXPECT_EQ(fileText(folder / "image1.png"), "earlier");
    EXPECT_EQ(fileText(folder / "image2.png"), "earlier too");
    EXPECT_EQ(save.dialog.SpinEdit1->value(), 4) << "the counter goes on after the number used";
    EXPECT_EQ(save.dialog.Label6->text(), "[ image4 ]");
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(folder / "image3.png"), save.picture, false), 0);

    save.dialog.cbformat->setCurrentIndex(2);
    ASSERT_EQ(save.dialog.fishHotKey(), (folder / "image4.bmp").string());
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(folder / "image4.bmp"), save.picture, false), 0);

    save.dialog.cbformat->setCurrentIndex(0);
    ASSERT_EQ(save.dialog.fishHotKey(), (folder / "image5.jpg").string());
    EXPECT_EQ(imageMagickProperty(folder / "image5.jpg", "%Q"), "90");
    EXPECT_GE(psnr(imageMagickPixels(folder / "image5.jpg"), save.picture), 30.0);

    // Negative counters are names too.
    save.dialog.SpinEdit1->setValue(-1);
    EXPECT_EQ(save.dialog.fishHotKey(), (folder / "image-1.jpg").string());
    EXPECT_TRUE(save.told.isEmpty()) << save.told.join("|").toStdString();
}

TEST(SaveImage, PressesThatCannotSaveLeaveTheCounterAndNoFiles) {
    TemporaryFolder folder;
    SaveDialog save(folder / "missing");
    save.picture = raster::Bitmap(40, 30, 24);
    const struct {
        const char* what;
        std::function<void()> setUp;
        bool message;
    } cases[] = {
        {"a folder that does not exist", [] {}, true},
        {"a relative folder", [&] { save.dialog.Edit2->setText("pictures/"); }, true},
        {"a file type that is no item",
         [&] {
             save.dialog.Edit2->setText(QString::fromStdString(folder.path().string()));
             save.dialog.cbformat->setEditText("GIF");
         },
         false},
        {"no picture",
         [&] {
             save.dialog.cbformat->setCurrentIndex(0);
             save.picture = raster::Bitmap();
         },
         false},
    };
    for (const auto& c : cases) {
        save.told.clear();
        c.setUp();
        EXPECT_FALSE(save.dialog.fishHotKey().has_value()) << c.what;
        EXPECT_EQ(save.dialog.SpinEdit1->value(), 1) << c.what;
        EXPECT_EQ(save.told.size(), c.message ? 1 : 0) << c.what;
        if (c.message && !save.told.isEmpty() && std::string(c.what) != "a relative folder") {
            EXPECT_TRUE(save.told[0].contains(QString::fromStdString((folder / "missing").string())))
                << c.what;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "no file, not even a temporary one";

    // The last number is saved, and then counting stops.
    save.picture = raster::Bitmap(40, 30, 24);
    save.dialog.SpinEdit1->setValue(INT_MAX);
    EXPECT_EQ(save.dialog.fishHotKey(), (folder / ("image" + std::to_string(INT_MAX) + ".jpg")).string());
    EXPECT_EQ(save.dialog.SpinEdit1->value(), INT_MAX);
    EXPECT_EQ(save.told.size(), 1);
    EXPECT_FALSE(save.dialog.fishHotKey().has_value()) << "no number is left";
}

TEST(SaveImage, TheKeyFieldAndTheStoredText) {
    TemporaryFolder folder;
    SaveDialog save(folder.path());
    EXPECT_EQ(save.dialog.chordInField(), capture::parseHotKeyText("Ctrl+F11"))
        << "the field starts with Ctrl+F11";
    save.hotKey = "alt+shift+f9";
    save.dialog.show();
    EXPECT_EQ(save.dialog.chordInField(), capture::parseHotKeyText("Shift+Alt+F9"));
    save.dialog.bbokClick(); // no display of our own: the key cannot be taken
    EXPECT_EQ(save.hotKey, "Shift+Alt+F9");
    EXPECT_EQ(save.dialog.XiButton3->Caption(), "Start");
    ASSERT_EQ(save.told.size(), 1);
    EXPECT_TRUE(save.told.front().contains("vexmira --save-image")) << "the command to bind instead";
    save.dialog.hide();
    save.hotKey = "None";
    save.dialog.show();
    EXPECT_FALSE(save.dialog.chordInField().has_value());
    save.dialog.bbokClick();
    EXPECT_EQ(save.hotKey, "") << "an empty field is kept as empty";
    EXPECT_EQ(save.told.size(), 1) << "Start with no key does nothing";
}
