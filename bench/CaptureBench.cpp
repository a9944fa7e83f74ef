// Capturing the 1920 x 1080 primary monitor of the rig, all in one run: our shared-memory
// capture, our plain-request capture, the floor (one frame-sized memory copy that misses the
// cache) and the peer (ffmpeg's x11grab on the same server). Run it inside the rig:
//   scripts/xrig run STATE build/default/bench/capture_bench
// Processor time counts this process and the X server, which does the copying for a capture.
#include "ColdCopy.h"
#include "CpuTime.h"
#include "PeerRate.h"
#include "platform/ScreenCapture.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace vexmira;

namespace {

constexpr int frameWidth = 1920;
constexpr int frameHeight = 1080;
constexpr std::size_t frameBytes = std::size_t(frameWidth) * frameHeight * 4;

struct Figures {
    double framesPerSecond = 0;
    double cpuSecondsPerFrame = 0;
};
std::map<std::string, Figures> figures;

using bench::CpuMeter;

void report(benchmark::State& state, const std::string& name, const CpuMeter& meter) {
    const double cpuSeconds = meter.cpu();
    const double frames = double(state.iterations());
    const Figures result{frames / meter.wall(), cpuSeconds / frames};
    state.counters["fps"] = result.framesPerSecond;
    state.counters["cpu_us_per_frame"] = result.cpuSecondsPerFrame * 1e6;
    figures[name] = result;
}

void captureLoop(benchmark::State& state, platform::CaptureTransport transport, const std::string& name) {
    auto capture = platform::openScreenCapture(transport);
    if (!capture) {
        state.SkipWithError("no display to capture");
        return;
    }
    raster::Bitmap frame;
    capture->capture({0, 0, frameWidth, frameHeight}, frame); // first use sets up the segments
    CpuMeter meter;
    for (auto _ : state) {
        if (!capture->capture({0, 0, frameWidth, frameHeight}, frame)) {
            state.SkipWithError("capture failed");
            return;
        }
        benchmark::DoNotOptimize(frame.bits());
    }
    report(state, name, meter);
}

void BM_CaptureSharedMemory(benchmark::State& state) {
    captureLoop(state, platform::CaptureTransport::Fastest, "shm");
}
void BM_CapturePlainRequest(benchmark::State& state) {
    captureLoop(state, platform::CaptureTransport::PlainRequest, "plain");
}

void BM_ColdFrameCopy(benchmark::State& state) {
    bench::ColdFrameCopier copier(frameBytes);
    CpuMeter meter;
    for (auto _ : state)
        copier.copyOnce();
    report(state, "copy", meter);
}

void BM_PeerFfmpegX11grab(benchmark::State& state) {
    for (auto _ : state) {
        const bench::PeerRun run = bench::runFfmpegX11grab(frameWidth, frameHeight, 4);
        if (!run.ran) {
            state.SkipWithError(run.failure.c_str());
            return;
        }
        state.counters["fps"] = run.framesPerSecond;
        state.counters["cpu_us_per_frame"] = run.cpuSecondsPerFrame * 1e6;
        figures["ffmpeg"] = {run.framesPerSecond, run.cpuSecondsPerFrame};
    }
}

} // namespace

BENCHMARK(BM_ColdFrameCopy)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CaptureSharedMemory)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_CapturePlainRequest)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_PeerFfmpegX11grab)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto& shm = figures["shm"];
    const auto& copy = figures["copy"];
    const auto& peer = figures["ffmpeg"];
    if (shm.framesPerSecond > 0 && peer.framesPerSecond > 0)
        std::printf("shared-memory capture runs %.2f times ffmpeg's x11grab rate (%.0f vs %.0f fps)\n",
                    shm.framesPerSecond / peer.framesPerSecond, shm.framesPerSecond, peer.framesPerSecond);
    if (shm.cpuSecondsPerFrame > 0 && copy.cpuSecondsPerFrame > 0)
        std::printf("shared-memory capture costs %.2f cold frame copies (this process + X server)\n",
                    shm.cpuSecondsPerFrame / copy.cpuSecondsPerFrame);
    if (figures["plain"].cpuSecondsPerFrame > 0 && copy.cpuSecondsPerFrame > 0)
        std::printf("plain-request capture costs %.2f cold frame copies\n",
                    figures["plain"].cpuSecondsPerFrame / copy.cpuSecondsPerFrame);
    if (peer.framesPerSecond > 0 && peer.cpuSecondsPerFrame > 0 && copy.cpuSecondsPerFrame > 0)
        std::printf("ffmpeg x11grab: %.0f fps, costs %.2f cold frame copies (ffmpeg + X server)\n",
                    peer.framesPerSecond, peer.cpuSecondsPerFrame / copy.cpuSecondsPerFrame);
    return 0;
}
