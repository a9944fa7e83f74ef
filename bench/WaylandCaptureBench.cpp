// Capturing the 1920 x 1080 first output of the Wayland rig, all in one run: our screen copies
// into shared memory of ours (zwlr_screencopy_manager_v1), the floor (one frame-sized memory copy
// that misses the cache) and the peer (grim writing the same output as PPM to /dev/null, a
// process per frame). Run it inside the rig:
//   scripts/wrig run STATE build/default/bench/wayland_capture_bench
// Processor time counts this process (and grim's) and the compositor, which copies the frames.
#include "ColdCopy.h"
#include "CpuTime.h"
#include "platform/Capabilities.h"
#include "platform/ScreenCapture.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

using namespace vexmira;

namespace {

constexpr int frameWidth = 1920;
constexpr int frameHeight = 1080;

struct Figures {
    double framesPerSecond = 0;
    double cpuSecondsPerFrame = 0;
};
std::map<std::string, Figures> figures;

pid_t compositorPid() {
    FILE* found = popen("pgrep -n -x sway", "r");
    if (!found) return 0;
    long pid = 0;
    if (std::fscanf(found, "%ld", &pid) != 1) pid = 0;
    pclose(found);
    return static_cast<pid_t>(pid);
}

// Processor time of this process, its ended children and the compositor, and wall time.
class Meter {
  public:
    double cpu() const { return total() - start_; }
    double wall() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - began_).count();
    }

  private:
    double total() const {
        return bench::ownCpuSeconds() + bench::childrenCpuSeconds() +
               (compositor_ ? bench::processCpuSeconds(compositor_) : 0);
    }
    pid_t compositor_ = compositorPid();
    double start_ = total();
    std::chrono::steady_clock::time_point began_ = std::chrono::steady_clock::now();
};

void report(benchmark::State& state, const std::string& name, const Meter& meter) {
    const double frames = double(state.iterations());
    const Figures result{frames / meter.wall(), meter.cpu() / frames};
    state.counters["fps"] = result.framesPerSecond;
    state.counters["cpu_us_per_frame"] = result.cpuSecondsPerFrame * 1e6;
    figures[name] = result;
}

void BM_ScreencopyIntoOurPool(benchmark::State& state) {
    auto capture = platform::openScreenCapture();
    if (!capture) {
        state.SkipWithError("no compositor with screen copies");
        return;
    }
    raster::Bitmap frame;
    capture->capture({0, 0, frameWidth, frameHeight}, frame); // first use makes the buffers
    Meter meter;
    for (auto _ : state) {
        if (!capture->capture({0, 0, frameWidth, frameHeight}, frame)) {
            state.SkipWithError("capture failed");
            return;
        }
        benchmark::DoNotOptimize(frame.bits());
    }
    report(state, "screencopy", meter);
}

void BM_ColdFrameCopy(benchmark::State& state) {
    bench::ColdFrameCopier copier(std::size_t(frameWidth) * frameHeight * 4);
    Meter meter;
    for (auto _ : state)
        copier.copyOnce();
    report(state, "copy", meter);
}

void BM_PeerGrim(benchmark::State& state) {
    Meter meter;
    for (auto _ : state)
        if (std::system("grim -t ppm -o HEADLESS-1 - > /dev/null") != 0) {
            state.SkipWithError("grim failed");
            return;
        }
    report(state, "grim", meter);
}

} // namespace

BENCHMARK(BM_ColdFrameCopy)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ScreencopyIntoOurPool)->MinTime(4.0)->UseRealTime();
BENCHMARK(BM_PeerGrim)->MinTime(4.0)->UseRealTime();

int main(int argc, char** argv) {
    platform::selectWindowSystem("wayland");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto& ours = figures["screencopy"];
    const auto& copy = figures["copy"];
    const auto& peer = figures["grim"];
    if (ours.framesPerSecond > 0 && peer.framesPerSecond > 0)
        std::printf("screen copies into our pool run %.2f times grim's rate (%.0f vs %.0f fps)\n",
                    ours.framesPerSecond / peer.framesPerSecond, ours.framesPerSecond, peer.framesPerSecond);
    if (ours.cpuSecondsPerFrame > 0 && copy.cpuSecondsPerFrame > 0)
        std::printf("a screen copy costs %.2f cold frame copies (this process + compositor)\n",
                    ours.cpuSecondsPerFrame / copy.cpuSecondsPerFrame);
    if (peer.cpuSecondsPerFrame > 0 && copy.cpuSecondsPerFrame > 0)
        std::printf("grim costs %.2f cold frame copies a frame (grim + compositor)\n",
                    peer.cpuSecondsPerFrame / copy.cpuSecondsPerFrame);
    return 0;
}
