// The clipboard source on the rig: pictures put on the clipboard by another program reach the
// second monitor; text does not disturb them.
#include "ImageMagick.h"
#include "ProgramDriver.h"
#include "platform/ScreenCapture.h"
#include "raster/ImageFile.h"

#include <gtest/gtest.h>

using namespace vexmira;
using namespace vexmira::testing;
using raster::Bitmap;

namespace {

const raster::Rect secondMonitor{1920, 0, 1280, 1024};

} // namespace

TEST(ClipboardSource, APictureFromAnotherProgramReachesTheSecondMonitor) {
    TemporaryFolder folder;
    const auto png = folder / "picture.png";
    runConvert("-size 400x300 -seed 4 plasma:fractal PNG24:" + png.string());
    const Bitmap picture = raster::loadImage(png);

    RunningProgram program;
    const raster::Rect control = program.controlWindow();
    clickAt(control.x + 20, control.y + 118); // Clipboard
    pause(0.5);
    clickAt(control.x + 160, control.y + 15); // Automatically Send
    shell("xdotool mousemove 960 1000");
    shell("xclip -selection clipboard -t image/png -i '" + png.string() + "' >/dev/null 2>&1");
    pause(1.5);

    // 400 x 300 fits: shown 1:1 in the middle of the monitor.
    const Bitmap shown = grabScreen(secondMonitor).cropped({440, 362, 400, 300});
    EXPECT_TRUE(shown.samePixels(picture));

    shell("echo 'just some text' | xclip -selection clipboard >/dev/null 2>&1");
    pause(1.0);
    EXPECT_TRUE(grabScreen(secondMonitor).cropped({440, 362, 400, 300}).samePixels(picture)) << "text replaced the picture";

    clickAt(control.x + 20, control.y + 118); // Clipboard again: nothing happens
    pause(1.0);
    EXPECT_TRUE(grabScreen(secondMonitor).cropped({440, 362, 400, 300}).samePixels(picture)) << "a second press changed it";
    shell("pkill -x xclip || true");
}
