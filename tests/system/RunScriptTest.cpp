// The README's first command on a fresh start: scripts/run's own flow, with no settings file,
// must end with the primary monitor's picture on the secondary one.
#include "ProgramDriver.h"
#include "platform/PictureFile.h"
#include "raster/ImageFile.h"
#include "raster/Resample.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace vexmira;
using namespace vexmira::testing;

TEST(RunScript, AFreshStartMirrorsThePrimaryOnTheSecondMonitor) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vexmira-run-script-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path shot = folder / "screens.png";
    // Without a display the script starts a rig of its own, as on a machine without one.
    const std::string output = shell(
        "env -u DISPLAY VEXMIRA_PROGRAM='" + std::string(std::getenv("VEXMIRA_PROGRAM")) + "' SHOT_FILE='" +
        shot.string() + "' '" VEXMIRA_SOURCE_DIR "/scripts/run' 2>&1; echo status=$?");
    ASSERT_NE(output.find("status=0"), std::string::npos) << output;
    const raster::Bitmap screens = platform::loadPicture(shot);
    ASSERT_EQ(screens.width(), 3200) << output;

    // The secondary (1280 x 1024 right of the primary) shows the primary fitted in: 1280 x 720,
    // 152 rows down. The control window's preview differs there; everything else must match.
    raster::Bitmap primary(1920, 1080, 24);
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x)
            primary.mutableRow(y)[x] = screens.pixel(x, y);
    const raster::Bitmap expected = raster::resampleBilinear(primary, {1280, 720});
    long matching = 0, lit = 0;
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 1280; ++x) {
            const raster::Bgra shown = screens.pixel(1920 + x, 152 + y), wanted = expected.pixel(x, y);
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8)
                worst =
                    std::max(worst, std::abs(int((shown >> shift) & 0xFF) - int((wanted >> shift) & 0xFF)));
            matching += worst <= 2;
            lit += (shown & 0xFFFFFF) != 0;
        }
    EXPECT_GT(lit, 1280L * 720 * 9 / 10) << "the secondary monitor is dark: " << output;
    EXPECT_GT(matching, 1280L * 720 * 95 / 100) << "the secondary monitor does not show the primary";
    std::filesystem::remove_all(folder);
}
