#pragma once

#include "raster/Bitmap.h"

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace vexmira::sources {

// Decodes the next slide's picture on a worker thread while the current one shows, so that a
// step does not wait for decoding. One picture is kept ahead at a time.
class SlideDecoder {
  public:
    SlideDecoder();
    ~SlideDecoder();
    SlideDecoder(const SlideDecoder&) = delete;
    SlideDecoder& operator=(const SlideDecoder&) = delete;

    // Starts decoding `file` in the background, in place of any earlier request.
    void prefetch(const std::filesystem::path& file);
    // The picture of `file`: the one decoded ahead when it was made from the file as it is now
    // (same size and time of change), else decoded here. Throws raster::ImageError.
    raster::Bitmap take(const std::filesystem::path& file);
    // Forgets what was decoded ahead, and any request not yet done.
    void drop();
    // Whether the picture of `file` is ready (for tests and measurements).
    bool holds(const std::filesystem::path& file);

  private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time{};
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    static std::optional<Stamp> stampOf(const std::filesystem::path& file);
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::filesystem::path> wanted_;  // waiting for the worker
    std::optional<std::filesystem::path> working_; // being decoded now
    std::filesystem::path ready_;                  // what `picture_` shows
    std::optional<Stamp> readyStamp_;
    std::optional<raster::Bitmap> picture_; // empty when the decoding failed
    unsigned generation_ = 0;               // counts drops: work begun before one is thrown away
    bool quit_ = false;
    std::thread worker_;
};

} // namespace vexmira::sources
