#pragma once

#include <string>

namespace vexmira::bench {

struct PeerRun {
    bool ran = false;
    double framesPerSecond = 0;    // ffmpeg's own reported rate at the end of the run
    double cpuSecondsPerFrame = 0; // ffmpeg plus the X server
    std::string failure;
};

// Captures `width` x `height` at the top-left of $DISPLAY with ffmpeg's x11grab as fast as it
// can for `seconds`, discarding the frames.
PeerRun runFfmpegX11grab(int width, int height, int seconds);

} // namespace vexmira::bench
