#pragma once

#include "Color.h"
#include "Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vexmira::raster {

// A picture of 32-bit BGRA pixels with an explicit stride (bytes from one row to the next).
//
// Copies share their pixels until one of them is written (copy on write), so handing a frame to
// several views costs nothing until somebody draws on it. The pixel memory may belong to someone
// else, such as a shared-memory segment of a screen capture; it is released when the last bitmap
// that uses it goes away.
//
// The nominal bit depth (24 or 32) is the pixel format the picture stands for. In a 24-bit
// picture the alpha byte means nothing (a screen capture may leave it 0): readers ignore it and
// it is saved without alpha. The depth does not change the memory layout.
// Not thread-safe: one thread owns a bitmap and its copies at a time.
class Bitmap {
  public:
    Bitmap() = default;
    // A picture of the given size, every pixel opaque black. Throws std::invalid_argument for a
    // negative size and std::length_error for one too large to address.
    Bitmap(int width, int height, int bitDepth = 24);

    // Uses memory owned by `storage` (at least stride * height bytes) without copying it.
    static Bitmap wrap(std::shared_ptr<std::uint8_t> storage, int width, int height, int stride,
                       int bitDepth);

    int width() const { return width_; }
    int height() const { return height_; }
    Size size() const { return {width_, height_}; }
    int stride() const { return stride_; }
    int bitDepth() const { return bitDepth_; }
    void setBitDepth(int bitDepth);
    bool isEmpty() const { return width_ <= 0 || height_ <= 0; }

    const std::uint8_t* bits() const { return storage_.get(); }
    // Writable pixels; first takes a private copy when the pixels are shared.
    std::uint8_t* mutableBits();
    // Writable pixels that stay shared when no more than `followers` other bitmaps share them:
    // those see every change (a live picture and the views that follow it). Otherwise a private
    // copy first, as mutableBits() takes.
    std::uint8_t* mutableBitsFollowedBy(long followers);

    const Bgra* row(int y) const {
        return reinterpret_cast<const Bgra*>(storage_.get() + std::ptrdiff_t(y) * stride_);
    }
    Bgra* mutableRow(int y) { return reinterpret_cast<Bgra*>(mutableBits() + std::ptrdiff_t(y) * stride_); }
    Bgra pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, Bgra value) { mutableRow(y)[x] = value; }

    void fill(Bgra value);
    // A private copy with tightly packed rows (stride = width * 4).
    Bitmap deepCopy() const;
    // The part of the picture inside `area`, clipped to the picture.
    Bitmap cropped(const Rect& area) const;
    // True when both share the same pixel memory (a copy not yet written to).
    bool sharesPixelsWith(const Bitmap& other) const { return storage_ && storage_ == other.storage_; }
    // Same size and same pixels; the stride does not count, nor alpha between two 24-bit pictures.
    bool samePixels(const Bitmap& other) const;

  private:
    void detach();

    std::shared_ptr<std::uint8_t> storage_;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    int bitDepth_ = 24;
};

} // namespace vexmira::raster
