// The clipboard source on the rig: pictures put on the clipboard by another program reach the
// second monitor; text does not disturb them.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "platform/PictureFile.h"
#include "platform/ScreenCapture.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <xcb/xcb.h>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;

namespace {

const raster::Rect secondMonitor{1920, 0, 1280, 1024};

// Clipboard and "Automatically Send" on the control window.
void mirrorClipboard(const raster::Rect& control) {
    clickAndWait(control.x + 20, control.y + 118, controlButtons(control)); // Clipboard
    ASSERT_TRUE(switchOnAutomaticSend(control));
    shell("xdotool mousemove 960 1000");
}

} // namespace

TEST(ClipboardSource, APictureFromAnotherProgramReachesTheSecondMonitor) {
    TemporaryFolder folder;
    const auto png = folder / "picture.png";
    runConvert("-size 400x300 -seed 4 plasma:fractal PNG24:" + png.string());
    const Bitmap picture = platform::loadPicture(png);

    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    mirrorClipboard(control);
    auto shownPicture = [] { return grabScreen(secondMonitor).cropped({440, 362, 400, 300}); };
    {
        ClipboardOffer offer(png.string(), "image/png");
        // 400 x 300 fits: shown 1:1 in the middle of the monitor.
        EXPECT_TRUE(waitUntil([&] { return shownPicture().samePixels(picture); }, 5));
    }
    std::ofstream(folder / "words.txt") << "just some text";
    ClipboardOffer text((folder / "words.txt").string(), "");
    holdStill(1.0); // text on the clipboard changes nothing that could be waited for
    EXPECT_TRUE(shownPicture().samePixels(picture)) << "text replaced the picture";

    clickAndWait(control.x + 20, control.y + 118, controlButtons(control)); // again: nothing happens
    EXPECT_TRUE(shownPicture().samePixels(picture)) << "a second press changed it";
}

namespace {

// A clipboard owner that takes the clipboard and then never answers a request for it.
class SilentClipboardOwner {
  public:
    SilentClipboardOwner() {
        connection_ = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        auto* atom =
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, 9, "CLIPBOARD"), nullptr);
        xcb_set_selection_owner(connection_, window_, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    ~SilentClipboardOwner() { xcb_disconnect(connection_); }

  private:
    xcb_connection_t* connection_;
    xcb_window_t window_;
};

int litSamples(const Bitmap& shown) {
    int lit = 0;
    for (int y = 0; y < shown.height(); y += 4)
        for (int x = 0; x < shown.width(); x += 4)
            lit += (shown.pixel(x, y) & 0xFFFFFF) != 0;
    return lit;
}

} // namespace

TEST(ClipboardSource, AnOwnerThatNeverAnswersDoesNotFreezeTheProgram) {
    TemporaryFolder folder;
    const auto png = folder / "picture.png";
    runConvert("-size 400x300 -seed 5 plasma:fractal PNG24:" + png.string());
    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    mirrorClipboard(control);
    std::optional<ClipboardOffer> offer(std::in_place, png.string(), "image/png");
    ASSERT_TRUE(waitUntil([] { return litSamples(grabScreen(secondMonitor)) > 5000; }, 5))
        << "the first picture did not show";
    offer.reset();

    {
        SilentClipboardOwner silent;
        // The program asks the new owner at its next clipboard tick and waits for the answer.
        holdStill(0.3);
        const auto pressed = std::chrono::steady_clock::now();
        clickAt(control.x + 20, control.y + 16); // Stop All
        ASSERT_TRUE(waitUntil([] { return litSamples(grabScreen(secondMonitor)) == 0; }, 5));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count();
        EXPECT_LT(seconds, 1.0) << "Stop All waited for the clipboard";
    }
    // The source works again afterwards.
    mirrorClipboard(control);
    offer.emplace(png.string(), "image/png");
    EXPECT_TRUE(waitUntil([] { return litSamples(grabScreen(secondMonitor)) > 5000; }, 6));
    EXPECT_TRUE(program.isRunning());
}
