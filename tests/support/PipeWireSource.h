#pragma once

// A PipeWire video source of the tests' and benchmarks' own: a stream of 32-bit BGRx frames that
// drives itself at a fixed rate, drawn by a callback on the stream's thread, with the drawn
// regions as damage.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vexmira::testing {

struct DrawnRegion {
    int x = 0, y = 0, width = 0, height = 0;
};

class PipeWireSource {
  public:
    // Draws the next frame into `pixels` (rows `stride` bytes apart; every buffer is drawn whole,
    // as buffers rotate) and says which parts changed since the last frame (none: all of it).
    using Painter = std::function<void(std::uint8_t* pixels, int stride, std::vector<DrawnRegion>& changed)>;

    // How the frames' pixels are laid out: BGRx, or NV12 as some cameras and encoders give them.
    enum class Pixels { Bgrx, Nv12 };

    PipeWireSource(int width, int height, int framesPerSecond, Painter painter, Pixels pixels = Pixels::Bgrx);
    ~PipeWireSource();
    PipeWireSource(const PipeWireSource&) = delete;
    PipeWireSource& operator=(const PipeWireSource&) = delete;

    // Connects to the PipeWire daemon of XDG_RUNTIME_DIR; false when it cannot.
    bool start();
    // The stream's node, which consumers connect to.
    std::uint32_t node();
    // Offers frames of a new size from now on, as a desktop does when its monitor's mode changes.
    void resize(int width, int height);
    // While set, frames go out with no bytes in them.
    void sendEmptyFrames(bool empty);
    // Ends the stream, as when the desktop stops sharing.
    void stop();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

} // namespace vexmira::testing
