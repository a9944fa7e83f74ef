#pragma once

#include "raster/Bitmap.h"

#include <filesystem>
#include <string>

namespace vexmira::testing {

// Runs `command` through the shell and returns what it printed on standard output. Throws when
// the shell cannot be started.
std::string commandOutput(const std::string& command);

// Runs ImageMagick's `convert` with the given arguments (shell words); fails the test when it
// does not succeed.
void runConvert(const std::string& arguments);

// The pixels ImageMagick reports for `file`, converted to sRGB, as a 32-bit picture with
// straight alpha (opaque files report alpha 255).
raster::Bitmap imageMagickPixels(const std::filesystem::path& file);

// An ImageMagick property of a file, such as "%Q" (JPEG quality) or "%[interlace]".
std::string imageMagickProperty(const std::filesystem::path& file, const std::string& format);

// A fresh empty folder, removed when the object goes away.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Peak signal-to-noise ratio of the colour channels of two pictures of the same size, in dB.
double psnr(const raster::Bitmap& a, const raster::Bitmap& b);

// The whole content of a file; empty when it cannot be read.
std::string fileText(const std::filesystem::path& path);

// Largest difference of any channel (alpha included when `withAlpha`) between two pictures of
// the same size; -1 when the sizes differ.
int maxChannelDifference(const raster::Bitmap& a, const raster::Bitmap& b, bool withAlpha);
// Mean absolute difference of the colour channels.
double meanChannelDifference(const raster::Bitmap& a, const raster::Bitmap& b);

} // namespace vexmira::testing
