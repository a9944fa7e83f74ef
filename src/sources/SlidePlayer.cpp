#include "SlidePlayer.h"

#include <algorithm>

namespace vexmira::sources {

std::optional<int> SlidePlayer::nextIndex(int index, int first, int last, bool loop) {
    if (last < first) return std::nullopt;
    const int next = std::max(index, first - 1) + 1;
    if (next <= last) return next;
    if (loop) return first;
    return std::nullopt;
}

const raster::Bitmap& SlidePlayer::take(const std::filesystem::path& file) {
    picture_ = raster::Bitmap();
    path_.clear();
    picture_ = decoder_.take(file);
    path_ = file;
    return picture_;
}

const raster::Bitmap& SlidePlayer::picture(const std::filesystem::path& file) {
    if (path_ == file && !picture_.isEmpty()) return picture_;
    return take(file);
}

} // namespace vexmira::sources
