#include "PeerRate.h"

#include "CpuTime.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmira::bench {

namespace {

// The last "frame=" and "fps=" figures of ffmpeg's progress output.
void lastFigures(const std::string& output, long long& frames, double& fps) {
    const auto framePos = output.rfind("frame=");
    const auto fpsPos = output.rfind("fps=");
    if (framePos != std::string::npos) frames = std::atoll(output.c_str() + framePos + 6);
    if (fpsPos != std::string::npos) fps = std::atof(output.c_str() + fpsPos + 4);
}

} // namespace

PeerRun runFfmpegX11grab(int width, int height, int seconds) {
    PeerRun run;
    const char* display = std::getenv("DISPLAY");
    if (!display) {
        run.failure = "no DISPLAY";
        return run;
    }
    const std::string command = "ffmpeg -hide_banner -nostdin -f x11grab -framerate 5000 -video_size " +
                                std::to_string(width) + "x" + std::to_string(height) + " -draw_mouse 0 -i " +
                                display + "+0,0 -t " + std::to_string(seconds) +
                                " -fps_mode passthrough -f null - 2>&1";
    const pid_t xorg = xServerPid();
    const double xorgBefore = xorg ? processCpuSeconds(xorg) : 0;
    const double childrenBefore = childrenCpuSeconds();
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        run.failure = "cannot start ffmpeg";
        return run;
    }
    std::string output;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int status = pclose(pipe);
    const double childCpu = childrenCpuSeconds() - childrenBefore;
    const double xorgCpu = xorg ? processCpuSeconds(xorg) - xorgBefore : 0;
    long long frames = 0;
    lastFigures(output, frames, run.framesPerSecond);
    if (status != 0 || frames <= 0) {
        run.failure = "ffmpeg failed: " + output.substr(output.size() > 400 ? output.size() - 400 : 0);
        return run;
    }
    run.ran = true;
    run.cpuSecondsPerFrame = (childCpu + xorgCpu) / double(frames);
    return run;
}

} // namespace vexmira::bench
