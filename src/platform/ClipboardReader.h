#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexmira::platform {

// What the clipboard held when it was read.
struct ClipboardData {
    enum class Status {
        Read,      // `bytes` hold the clipboard's picture in `format`
        NoPicture, // the clipboard offers no picture format
        TimedOut,  // the clipboard's owner did not answer in time
        Failed     // the display refused, or the owner sent nothing usable
    };
    Status status = Status::Failed;
    std::string format; // a MIME type such as "image/png"
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> offered; // every format the owner offered
};

// Reads the clipboard's picture away from the user-interface thread, so that an owner that is
// slow or never answers cannot freeze the program.
class ClipboardReader {
  public:
    virtual ~ClipboardReader() = default;
    // Starts reading the picture; `done` is called once, on the reader's own thread, with the
    // result. Returns false (and `done` is not called) while an earlier read is still under way.
    // Any thread.
    virtual bool read(std::function<void(ClipboardData)> done) = 0;
    // Where the reader itself sees the clipboard change (even while none of our windows has the
    // focus), `handler` is called on the user-interface thread for each change, from the
    // display's event pump. Elsewhere the toolkit's own signal says it.
    virtual void onChange(std::function<void()> handler) { (void)handler; }
};

// Picture formats in the order they are preferred when the owner offers several.
const std::vector<std::string>& preferredPictureFormats();
// The format to read of those `offered`: the first preferred one, else any picture ("image/...");
// empty when none is a picture.
std::string pictureFormatToRead(const std::vector<std::string>& offered);

// Null (after one log line) when there is no display. `timeoutMs` bounds each read.
std::unique_ptr<ClipboardReader> openClipboardReader(int timeoutMs = 2000);

} // namespace vexmira::platform
