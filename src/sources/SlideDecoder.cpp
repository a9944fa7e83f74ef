#include "SlideDecoder.h"
#include "platform/PictureFile.h"

#include "platform/Log.h"
#include "raster/ImageFile.h"

namespace vexmira::sources {

SlideDecoder::SlideDecoder() : worker_([this] { run(); }) {}

SlideDecoder::~SlideDecoder() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

std::optional<SlideDecoder::Stamp> SlideDecoder::stampOf(const std::filesystem::path& file) {
    std::error_code error;
    Stamp stamp;
    stamp.size = std::filesystem::file_size(file, error);
    if (error) return std::nullopt;
    stamp.time = std::filesystem::last_write_time(file, error);
    if (error) return std::nullopt;
    return stamp;
}

void SlideDecoder::prefetch(const std::filesystem::path& file) {
    {
        std::lock_guard lock(mutex_);
        if ((working_ && *working_ == file) || (readyStamp_ && ready_ == file)) {
            wanted_.reset();
            return;
        }
        wanted_ = file;
    }
    changed_.notify_all();
}

void SlideDecoder::drop() {
    std::lock_guard lock(mutex_);
    ++generation_;
    wanted_.reset();
    readyStamp_.reset();
    picture_.reset();
    ready_.clear();
}

bool SlideDecoder::holds(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    return readyStamp_ && ready_ == file && picture_;
}

raster::Bitmap SlideDecoder::take(const std::filesystem::path& file) {
    {
        std::unique_lock lock(mutex_);
        // The worker is on it already: waiting costs less than starting again.
        changed_.wait(lock,
                      [&] { return !(working_ && *working_ == file) && !(wanted_ && *wanted_ == file); });
        if (readyStamp_ && ready_ == file && picture_ && stampOf(file) == readyStamp_) {
            raster::Bitmap picture = *picture_;
            return picture;
        }
    }
    return platform::loadPicture(file);
}

void SlideDecoder::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || wanted_; });
        if (quit_) return;
        const std::filesystem::path file = *wanted_;
        wanted_.reset();
        working_ = file;
        const unsigned generation = generation_;
        readyStamp_.reset();
        picture_.reset();
        lock.unlock();
        // The time and size before decoding: a file changed while it is read is read again.
        const std::optional<Stamp> stamp = stampOf(file);
        std::optional<raster::Bitmap> picture;
        try {
            picture = platform::loadPicture(file);
        } catch (...) {
            // The error is given again when the slide's turn comes and it is decoded there.
            platform::logCaught("decoding ahead failed; the slide is decoded again at its turn");
        }
        lock.lock();
        working_.reset();
        if (generation == generation_) {
            ready_ = file;
            readyStamp_ = stamp;
            picture_ = std::move(picture);
        }
        changed_.notify_all();
    }
}

} // namespace vexmira::sources
