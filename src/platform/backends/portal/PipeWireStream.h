#pragma once

#include "raster/Bitmap.h"
#include "raster/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexmira::platform::portal {

// Reads a PipeWire video stream (a screen or a window the desktop shares) on a thread of its
// own: each frame is copied once into a picture of 32-bit BGRA pixels, with the parts the
// stream says were drawn. Everything here may be called from any thread.
class PipeWireStream {
  public:
    // Connects over `remote` (a PipeWire connection the portal opened; it is duplicated, the
    // caller keeps its own) to the stream node `node`. Null, with `problem` said, when PipeWire
    // refuses.
    static std::unique_ptr<PipeWireStream> open(int remote, std::uint32_t node, std::string& problem);
    ~PipeWireStream();
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // The newest frame: its pixels are shared until the next ones arrive, never written again.
    // Empty before the first frame.
    raster::Bitmap latest() const;
    // The rectangles drawn since the last call (frame pixels), merged beyond `maxRects`; nothing
    // when the stream changed its size (take everything as drawn).
    std::optional<std::vector<raster::Rect>> takeDamage(std::size_t maxRects);
    bool hasPending() const;
    // Why the stream ended (its daemon went, the desktop stopped sharing); empty while it runs.
    std::string ended() const;
    // Called on the stream's thread when a frame arrives or the stream ends while nothing was
    // pending; the handler must hand over to the thread that reads.
    void onReport(std::function<void()> handler);

    struct State;

  private:
    PipeWireStream() = default;
    std::unique_ptr<State> state_;
};

} // namespace vexmira::platform::portal
