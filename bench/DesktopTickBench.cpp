// The desktop tick end to end on the rig, with the real windows shown: capture of the 1920 x 1080
// primary monitor, the frame handed to the current picture, the preview's fit, and the display
// window's fit onto the 1280 x 1024 secondary monitor, painted. Beside it, in the same run, the
// floor (one cold frame copy) and ffmpeg's x11grab capture-only rate. Run inside the rig:
//   scripts/xrig run STATE build/default/bench/desktop_tick_bench
#include "ColdCopy.h"
#include "CpuTime.h"
#include "PeerRate.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "capture/ualldesktop.h"
#include "mirror/umonitor.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace vexmira;

namespace {

constexpr std::size_t frameBytes = std::size_t(1920) * 1080 * 4;

struct Figures {
    double framesPerSecond = 0;
    double cpuSecondsPerFrame = 0;
} coldCopy, flatOut, atSixty, peer;

using bench::CpuMeter;

Figures figuresOf(const CpuMeter& meter, double frames) {
    return {frames / meter.wall(), meter.cpu() / frames};
}

void publish(benchmark::State& state, const Figures& f) {
    state.counters["fps"] = f.framesPerSecond;
    state.counters["cpu_us_per_frame"] = f.cpuSecondsPerFrame * 1e6;
}

// Desktop, "All Desktop", OK, "Automatically Send": the state a user mirroring the desktop is in.
void startMirroring() {
    QTimer::singleShot(0, [] { capture::fAlldesktop->BitBtn1Click(); });
    app::MainForm->SpeedButton1Click();
    app::MainForm->cbx1->Click();
    app::MainForm->Timer3zaslon->stop(); // each benchmark runs it at its own rate
    for (int i = 0; i < 20; ++i) {
        app::MainForm->Timer3zaslonTimer();
        QApplication::processEvents();
    }
}

void BM_ColdFrameCopy(benchmark::State& state) {
    bench::ColdFrameCopier copier(frameBytes);
    CpuMeter meter;
    for (auto _ : state)
        copier.copyOnce();
    coldCopy = figuresOf(meter, double(state.iterations()));
    publish(state, coldCopy);
}

// Counts the frames that reach the display window's view.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The program's own desktop timer at `intervalMs` for five seconds; the figures are per frame
// shown on the display window.
Figures runDesktopTimer(int intervalMs, benchmark::State& state) {
    PaintCounter counter;
    mirror::Fmonitor->image->installEventFilter(&counter);
    int ticks = 0;
    QObject::connect(app::MainForm->Timer3zaslon, &QTimer::timeout, &counter, [&ticks] { ++ticks; });
    app::MainForm->Timer3zaslon->setTimerType(Qt::PreciseTimer);
    app::MainForm->Timer3zaslon->setInterval(intervalMs);
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    CpuMeter meter;
    app::MainForm->Timer3zaslon->start();
    loop.exec();
    app::MainForm->Timer3zaslon->stop();
    const Figures shown = figuresOf(meter, counter.paints);
    mirror::Fmonitor->image->removeEventFilter(&counter);
    state.counters["ticks_per_second"] = ticks / meter.wall();
    return shown;
}

// As fast as the program goes: its timer at the shortest interval the options allow (1 ms).
void BM_DesktopTickFlatOut(benchmark::State& state) {
    for (auto _ : state)
        flatOut = runDesktopTimer(1, state);
    publish(state, flatOut);
}

void BM_DesktopTickAtSixtyPerSecond(benchmark::State& state) {
    for (auto _ : state)
        atSixty = runDesktopTimer(1000 / 60, state);
    publish(state, atSixty);
}

void BM_PeerFfmpegX11grab(benchmark::State& state) {
    for (auto _ : state) {
        const bench::PeerRun run = bench::runFfmpegX11grab(1920, 1080, 4);
        if (!run.ran) {
            state.SkipWithError(run.failure.c_str());
            return;
        }
        peer = {run.framesPerSecond, run.cpuSecondsPerFrame};
        publish(state, peer);
    }
}

} // namespace

BENCHMARK(BM_ColdFrameCopy)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_DesktopTickFlatOut)->Iterations(1)->UseRealTime();
BENCHMARK(BM_DesktopTickAtSixtyPerSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_PeerFfmpegX11grab)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    startMirroring();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (peer.framesPerSecond > 0 && flatOut.framesPerSecond > 0)
        std::printf("desktop tick flat out: %.0f frames shown per second = %.2f times ffmpeg's capture-only "
                    "rate (%.0f fps)\n",
                    flatOut.framesPerSecond, flatOut.framesPerSecond / peer.framesPerSecond,
                    peer.framesPerSecond);
    if (coldCopy.cpuSecondsPerFrame > 0 && atSixty.cpuSecondsPerFrame > 0)
        std::printf("desktop tick at %.1f per second: %.0f us of processor time per frame (this process + X "
                    "server) = "
                    "%.2f cold frame copies (%.0f us each)\n",
                    atSixty.framesPerSecond, atSixty.cpuSecondsPerFrame * 1e6,
                    atSixty.cpuSecondsPerFrame / coldCopy.cpuSecondsPerFrame,
                    coldCopy.cpuSecondsPerFrame * 1e6);
    return 0;
}
