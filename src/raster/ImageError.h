#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vexmira::raster {

// A picture that cannot be read or written. The message names the file and what is wrong with
// it, ready to be shown to the user.
class ImageError : public std::runtime_error {
  public:
    ImageError(std::string_view fileName, std::string_view problem)
        : std::runtime_error(std::string(fileName) + ": " + std::string(problem)) {}
};

// Limits that keep a hostile or broken file from claiming unbounded memory.
struct DecodeLimits {
    long long maxPixels = 1LL << 28; // a 16384 x 16384 picture
    // Pictures beyond this many pixels must not unpack to more than `largestRatio` times their
    // file's size.
    long long proportionCheckedAbove = 64LL << 20;
    long long largestRatio = 1000;
};

} // namespace vexmira::raster
