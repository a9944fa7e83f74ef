// The window picker's rules and the clipboard source, on the offscreen platform.
#include "app/Program.h"
#include "app/mainunit.h"
#include "mirror/WindowPicker.h"
#include "platform/PictureFile.h"

#include "ImageMagick.h"
#include "raster/ImageFile.h"
#include "raster/PngCodec.h"
#include "sources/ClipboardPicture.h"
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QToolTip>

#include <zlib.h>

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
    QObject::connect(&picker, &mirror::WindowPicker::windowChosen,
                     [&](platform::WindowHandle h) { chosen = h; });
    emit picker.image(tall)->clicked(picker.image(tall)->handle);
    EXPECT_EQ(chosen, 12u);

    picker.removeEntry(wide);
    EXPECT_EQ(picker.entryCount(), 1);
    for (int i = 0; i < 600; ++i)
        picker.addEntry({"C", std::to_string(100 + i), "1", "Many"}); // past 501 windows
    EXPECT_EQ(picker.entryCount(), 601);
}

TEST(ClipboardSourceLogic, PicturesReplaceTheFrameTextDoesNotAndASecondPressIsIgnored) {
    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    app::MainForm->SpeedButton2Click();
    EXPECT_EQ(app::SourceMode, app::srcClipboard);
    EXPECT_TRUE(app::MainForm->clipWatch->Enabled);

    // What the clipboard reader hands over: a PNG picture, then a clipboard with only text.
    raster::Bitmap green(1000, 500, 24);
    green.fill(raster::bgraFromRgba(10, 200, 30));
    platform::ClipboardData png{
        platform::ClipboardData::Status::Read, "image/png", raster::encodePng(green), {"image/png"}};
    app::MainForm->clipboardPictureArrived(png);
    QApplication::processEvents();
    ASSERT_EQ(app::CurrentFrame.size(), (raster::Size{1000, 500}));
    EXPECT_EQ(app::CurrentFrame.pixel(5, 5) & 0xFFFFFF, 0x0AC81Eu);
    EXPECT_EQ(app::MainForm->slika->bitmap().size(), (raster::Size{407, 203}));

    app::MainForm->clipboardPictureArrived(
        {platform::ClipboardData::Status::NoPicture, {}, {}, {"UTF8_STRING"}});
    QApplication::processEvents();
    EXPECT_EQ(app::CurrentFrame.size(), (raster::Size{1000, 500}));

    const raster::Bitmap before = app::CurrentFrame;
    app::MainForm->SpeedButton2Click(); // already the source: nothing at all
    EXPECT_TRUE(app::CurrentFrame.sharesPixelsWith(before));

    app::MainForm->sbSTOPClick();
    app::MainForm->clipboardPictureArrived(png);
    QApplication::processEvents();
    EXPECT_EQ(app::CurrentFrame.size(), (raster::Size{387, 244})); // stopped: the clipboard is ignored
}

namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    return platform::readPictureFile(path);
}

// A PNG whose header claims `width` x `height` pixels, followed by empty data.
std::vector<std::uint8_t> pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&png](const char* type, std::vector<std::uint8_t> data) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(std::uint8_t(data.size() >> shift));
        const std::size_t start = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data.begin(), data.end());
        const auto crc = static_cast<std::uint32_t>(
            ::crc32(0, png.data() + start, static_cast<unsigned>(png.size() - start)));
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(std::uint8_t(crc >> shift));
    };
    std::vector<std::uint8_t> header;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(std::uint8_t(v >> shift));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", {});
    chunk("IEND", {});
    return png;
}

} // namespace

// Clipboard pictures in every format an owner may offer them in, against ImageMagick's pixels.
TEST(ClipboardPictures, EachOfferedFormatDecodesOrSaysWhyNot) {
    vexmira::testing::TemporaryFolder folder;
    vexmira::testing::runConvert("-size 64x48 -seed 3 plasma:fractal -depth 8 PNG24:" +
                                 (folder / "source.png").string());
    const raster::Bitmap source = platform::loadPicture(folder / "source.png");
    vexmira::testing::runConvert((folder / "source.png").string() + " -define webp:lossless=true " +
                                 (folder / "p.webp").string());
    vexmira::testing::runConvert((folder / "source.png").string() + " -compress none " +
                                 (folder / "p.tiff").string());
    vexmira::testing::runConvert((folder / "source.png").string() + " BMP3:" + (folder / "p.bmp").string());

    using Status = platform::ClipboardData::Status;
    const struct {
        const char* format;
        std::vector<std::uint8_t> bytes;
    } readable[] = {{"image/x-bmp", fileBytes(folder / "p.bmp")},
                    {"image/webp", fileBytes(folder / "p.webp")},
                    {"image/tiff", fileBytes(folder / "p.tiff")},
                    {"image/png", fileBytes(folder / "source.png")}};
    for (const auto& offered : readable) {
        const auto decoded =
            sources::decodeClipboardPicture({Status::Read, offered.format, offered.bytes, {offered.format}});
        ASSERT_TRUE(decoded.picture.has_value())
            << offered.format << ": " << decoded.problem << decoded.logLine;
        EXPECT_EQ(vexmira::testing::maxChannelDifference(*decoded.picture, source, false), 0)
            << offered.format;
    }

    const auto huge =
        sources::decodeClipboardPicture({Status::Read, "image/png", pngHeaderOnly(20000, 20000), {}});
    EXPECT_FALSE(huge.picture.has_value());
    EXPECT_NE(huge.problem.find("20000 x 20000"), std::string::npos) << huge.problem;
    // Within the limit even where the toolkit's own reader would refuse (128 MiB).
    raster::Bitmap big(6000, 6000, 24);
    big.fill(raster::bgraFromRgba(1, 2, 3));
    const auto large =
        sources::decodeClipboardPicture({Status::Read, "image/png", raster::encodePng(big), {}});
    ASSERT_TRUE(large.picture.has_value()) << large.problem;
    EXPECT_EQ(large.picture->size(), (raster::Size{6000, 6000}));

    const auto unknown =
        sources::decodeClipboardPicture({Status::Read, "image/x-nothing", {1, 2, 3, 4, 5}, {}});
    EXPECT_FALSE(unknown.picture.has_value());
    EXPECT_TRUE(unknown.problem.empty());
    EXPECT_NE(unknown.logLine.find("image/x-nothing"), std::string::npos);

    // A PNG whose signature is damaged: the log says why, not that the format is unknown.
    std::vector<std::uint8_t> damaged = raster::encodePng(big);
    damaged[1] = 'X';
    const auto broken = sources::decodeClipboardPicture({Status::Read, "image/png", damaged, {}});
    EXPECT_FALSE(broken.picture.has_value());
    EXPECT_EQ(broken.logLine.find("no reader"), std::string::npos) << broken.logLine;
    EXPECT_NE(broken.logLine.find("cannot be read"), std::string::npos) << broken.logLine;
}

// The picker's hints keep the tooltip's own dark text on its light background, inside the
// control window's dark panels with their light text.
TEST(WindowPicker, HintsAreReadable) {
    app::Program program(nullptr);
    program.start();
    auto* picker = new mirror::WindowPicker(app::MainForm->Panel2);
    picker->addEntry({"SomeClass", "42", "7", "A Window"});
    app::MainForm->Panel2->show();
    picker->show();
    QApplication::processEvents();
    QLabel* title = picker->title(0);
    QToolTip::showText(title->mapToGlobal(QPoint(5, 5)), title->toolTip(), title);
    QApplication::processEvents();
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible()) tip = widget;
    ASSERT_NE(tip, nullptr);
    const QImage shown = tip->grab().toImage();
    int dark = 0, light = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            (qGray(shown.pixel(x, y)) < 96 ? dark : light) += 1;
    EXPECT_GT(light, dark); // a light background
    EXPECT_GT(dark, 40);    // with dark text on it
}
