#include "Bitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vexmira::raster {

namespace {

// Above this a picture is refused rather than allocated: 2^28 pixels is 1 GiB.
constexpr long long maxPixels = 1LL << 28;

std::shared_ptr<std::uint8_t> allocatePixels(int width, int height) {
    if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
    const long long pixels = static_cast<long long>(width) * height;
    if (pixels > maxPixels || width > std::numeric_limits<int>::max() / 4)
        throw std::length_error("bitmap too large");
    const std::size_t bytes = static_cast<std::size_t>(std::max<long long>(pixels, 1)) * 4;
    return std::shared_ptr<std::uint8_t>(new std::uint8_t[bytes], std::default_delete<std::uint8_t[]>());
}

int checkedDepth(int bitDepth) {
    if (bitDepth != 24 && bitDepth != 32) throw std::invalid_argument("bit depth must be 24 or 32");
    return bitDepth;
}

} // namespace

Bitmap::Bitmap(int width, int height, int bitDepth)
    : storage_(allocatePixels(width, height)), width_(width), height_(height), stride_(width * 4),
      bitDepth_(checkedDepth(bitDepth)) {
    fill(0xFF000000u);
}

Bitmap Bitmap::wrap(std::shared_ptr<std::uint8_t> storage, int width, int height, int stride, int bitDepth) {
    if (width < 0 || height < 0 || stride < width * 4) throw std::invalid_argument("bad bitmap layout");
    Bitmap result;
    result.storage_ = std::move(storage);
    result.width_ = width;
    result.height_ = height;
    result.stride_ = stride;
    result.bitDepth_ = checkedDepth(bitDepth);
    return result;
}

void Bitmap::setBitDepth(int bitDepth) {
    bitDepth_ = checkedDepth(bitDepth);
}

std::uint8_t* Bitmap::mutableBits() {
    if (storage_ && storage_.use_count() > 1) detach();
    return storage_.get();
}

std::uint8_t* Bitmap::mutableBitsFollowedBy(long followers) {
    if (storage_ && storage_.use_count() > followers + 1) detach();
    return storage_.get();
}

void Bitmap::detach() {
    *this = deepCopy();
}

void Bitmap::fill(Bgra value) {
    for (int y = 0; y < height_; ++y)
        std::fill_n(mutableRow(y), width_, value);
}

Bitmap Bitmap::deepCopy() const {
    Bitmap result;
    result.storage_ = allocatePixels(width_, height_);
    result.width_ = width_;
    result.height_ = height_;
    result.stride_ = width_ * 4;
    result.bitDepth_ = bitDepth_;
    if (stride_ == result.stride_) {
        if (height_ > 0) std::memcpy(result.storage_.get(), bits(), std::size_t(stride_) * height_);
    } else {
        for (int y = 0; y < height_; ++y)
            std::memcpy(result.storage_.get() + std::size_t(y) * result.stride_, row(y),
                        std::size_t(width_) * 4);
    }
    return result;
}

Bitmap Bitmap::cropped(const Rect& area) const {
    const Rect inside = area.intersected({0, 0, width_, height_});
    Bitmap result(inside.width < 0 ? 0 : inside.width, inside.height < 0 ? 0 : inside.height, bitDepth_);
    for (int y = 0; y < result.height_; ++y)
        std::memcpy(result.mutableRow(y), row(inside.y + y) + inside.x, std::size_t(result.width_) * 4);
    return result;
}

bool Bitmap::samePixels(const Bitmap& other) const {
    if (size() != other.size()) return false;
    const Bgra mask = bitDepth_ == 24 && other.bitDepth_ == 24 ? 0x00FFFFFFu : 0xFFFFFFFFu;
    for (int y = 0; y < height_; ++y) {
        const Bgra* a = row(y);
        const Bgra* b = other.row(y);
        for (int x = 0; x < width_; ++x)
            if ((a[x] ^ b[x]) & mask) return false;
    }
    return true;
}

} // namespace vexmira::raster
