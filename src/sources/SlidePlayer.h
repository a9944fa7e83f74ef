#pragma once

#include "SlideDecoder.h"
#include "raster/Bitmap.h"

#include <filesystem>
#include <optional>

namespace vexmira::sources {

// The slide show's order and pictures: which slide comes after which, and each picture decoded
// once for every view that shows it, the next one ahead of its turn.
class SlidePlayer {
  public:
    // The slide after `index` among `first`..`last`; from before the first, the first. Nothing
    // past the last unless the show loops, when the first comes again.
    static std::optional<int> nextIndex(int index, int first, int last, bool loop);

    // Decodes `file` now (or takes what was decoded ahead) and keeps it as this step's picture.
    // Throws what decoding throws.
    const raster::Bitmap& take(const std::filesystem::path& file);
    // This step's picture when it is of `file`, else as take().
    const raster::Bitmap& picture(const std::filesystem::path& file);
    // Decodes `file` ahead of its turn.
    void prefetch(const std::filesystem::path& file) { decoder_.prefetch(file); }
    // The show ended: nothing decoded ahead is kept.
    void stop() { decoder_.drop(); }
    SlideDecoder& decoder() { return decoder_; }

  private:
    SlideDecoder decoder_;
    raster::Bitmap picture_; // this step's picture, decoded from:
    std::filesystem::path path_;
};

} // namespace vexmira::sources
