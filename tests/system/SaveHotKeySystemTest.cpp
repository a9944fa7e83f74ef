// The save hot key on the rig: pressed while another window has the focus, with Num Lock or
// Caps Lock on too, it saves the current picture as JPG, PNG and BMP; a key that another
// program holds is reported and saves nothing.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <xcb/xcb.h>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;

namespace {

int windowsNamed(const std::string& title) {
    std::istringstream ids(shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null"));
    int n = 0;
    for (std::string id; ids >> id;)
        ++n;
    return n;
}

// The menu's "Capture an Image from a second display"; returns the dialog's window.
std::string openSaveDialog(const raster::Rect& control) {
    // The menu button; its menu drops below it.
    clickAndWait(control.x + 387, control.y + 15, {control.x + 200, control.y, 300, 250});
    clickAt(control.x + 350, control.y + 40); // its first item
    std::string dialog;
    waitUntil([&] { return !(dialog = windowNamed("Vexmira - Capture Image")).empty(); }, 5);
    waitForFocus(dialog);
    return dialog;
}

// Close: the key stays armed.
void closeSaveDialog(const std::string& dialog) {
    clickInWindow(dialog, 503, 363);
    waitUntil([] { return windowNamed("Vexmira - Capture Image").empty(); }, 5);
}

void chooseType(const std::string& dialog, const std::string& item) {
    clickInWindow(dialog, 200, 163);
    pressKey("ctrl+a");
    shell("xdotool type --delay 5 '" + item + "'");
    pressKey("Tab");
}

bool appears(const std::filesystem::path& file) {
    return waitUntil([&] { return std::filesystem::exists(file); }, 5);
}

} // namespace

TEST(SaveHotKey, PressesSaveTheCurrentPictureWhateverTheLockKeys) {
    TemporaryFolder home;
    std::filesystem::create_directory(home / "Documents");
    const auto png = home / "picture.png";
    runConvert("-size 400x300 -seed 9 plasma:fractal PNG24:" + png.string());
    const Bitmap picture = imageMagickPixels(png);

    RunningProgram program("[Options]\nHotKey=Ctrl+F9\n", {"HOME=" + home.path().string()});
    const raster::Rect control = program.controlWindow();
    clickAndWait(control.x + 20, control.y + 118, controlButtons(control)); // Clipboard
    const raster::Rect preview{control.x + 43, control.y + 32, 386, 230};
    const Bitmap empty = grabScreen(preview);
    ClipboardOffer offer(png.string(), "image/png");
    ASSERT_TRUE(waitUntil([&] { return !grabScreen(preview).samePixels(empty); }, 5)) << "no picture came";
    waitForStill(preview);

    std::string dialog = openSaveDialog(control);
    ASSERT_FALSE(dialog.empty()) << "no save dialog";
    clickInWindowAndWait(dialog, 393, 271); // Start: the field shows the stored Ctrl+F9
    closeSaveDialog(dialog);
    clickAt(960, 500); // another window has the focus
    pressKey("Num_Lock");
    pressKey("ctrl+F9");
    pressKey("Num_Lock");
    ASSERT_TRUE(appears(home / "Documents" / "image1.jpg")) << "no JPG with Num Lock on";
    EXPECT_GE(psnr(imageMagickPixels(home / "Documents" / "image1.jpg"), picture), 30.0);

    dialog = openSaveDialog(control);
    chooseType(dialog, "PNG - Portable Network Graphics");
    closeSaveDialog(dialog);
    pressKey("Caps_Lock");
    pressKey("ctrl+F9");
    pressKey("Caps_Lock");
    ASSERT_TRUE(appears(home / "Documents" / "image2.png")) << "no PNG with Caps Lock on";
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(home / "Documents" / "image2.png"), picture, false), 0);

    dialog = openSaveDialog(control);
    chooseType(dialog, "BMP - Windows Bitmap");
    closeSaveDialog(dialog);
    pressKey("ctrl+F9");
    ASSERT_TRUE(appears(home / "Documents" / "image3.bmp"));
    EXPECT_EQ(maxChannelDifference(imageMagickPixels(home / "Documents" / "image3.bmp"), picture, false), 0);
    EXPECT_TRUE(program.isRunning());
}

TEST(SaveHotKey, AKeyAnotherProgramHoldsIsReportedAndSavesNothing) {
    // Another client takes Ctrl+F8 first.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    const xcb_setup_t* setup = xcb_get_setup(other);
    const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto* mapping = xcb_get_keyboard_mapping_reply(
        other, xcb_get_keyboard_mapping(other, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
    for (int k = 0; k < count; ++k)
        if (syms[k * mapping->keysyms_per_keycode] == 0xffc5) // F8
            xcb_grab_key(other, 1, root, XCB_MOD_MASK_CONTROL,
                         static_cast<xcb_keycode_t>(setup->min_keycode + k), XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC);
    std::free(mapping);
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));

    TemporaryFolder home;
    std::filesystem::create_directory(home / "Documents");
    RunningProgram program("[Options]\nHotKey=Ctrl+F8\n", {"HOME=" + home.path().string()});
    const raster::Rect control = program.controlWindow();
    const std::string dialog = openSaveDialog(control);
    ASSERT_FALSE(dialog.empty());
    const int before = windowsNamed("Vexmira");
    clickInWindow(dialog, 393, 271); // Start
    EXPECT_TRUE(waitUntil([&] { return windowsNamed("Vexmira") > before; }, 5)) << "no message about the key";
    pressKey("Return");
    ASSERT_TRUE(waitUntil([&] { return windowsNamed("Vexmira") == before; }, 5)) << "the message stayed";
    closeSaveDialog(dialog);
    pressKey("ctrl+F8");
    holdStill(1.0); // a key another program holds must save nothing: only time shows it does not
    EXPECT_TRUE(std::filesystem::is_empty(home / "Documents"));
    EXPECT_TRUE(program.isRunning());
    xcb_disconnect(other);
}
