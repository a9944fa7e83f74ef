// What the desktop mirror costs on the rig, end to end with the real windows shown: the
// 1920 x 1080 primary monitor mirrored onto the 1280 x 1024 secondary one, by both roads in the
// same run: the display scaling the desktop itself ("server") and this program copying and
// scaling it ("client"), both following damage reports. Each figure sits beside its reference:
// one cold frame copy, capturing and scaling the changed area alone, a timer tick doing nothing,
// the display scaling the whole screen alone, ffmpeg's x11grab capture-only rate. Processor time
// is this process plus the X server. Run inside the rig:
//   scripts/xrig run STATE build/default/bench/desktop_tick_bench
#include "ColdCopy.h"
#include "CpuTime.h"
#include "PeerRate.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "capture/ualldesktop.h"
#include "mirror/umonitor.h"
#include "platform/Capabilities.h"
#include "platform/ScreenCapture.h"
#include "platform/ServerScaling.h"
#include "raster/Resample.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <xcb/xcb.h>

using namespace vexmira;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t frameBytes = std::size_t(1920) * 1080 * 4;

// A window of its own connection, not managed, whose colour flips `rate` times a second (0: not
// at all) in a thread of its own; the X server fills it each time.
class Animator {
  public:
    Animator(raster::Rect place, int rate) : place_(place) {
        c_ = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        const std::uint32_t values[] = {0x203040, 1};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, static_cast<std::int16_t>(place.x),
                          static_cast<std::int16_t>(place.y), static_cast<std::uint16_t>(place.width),
                          static_cast<std::uint16_t>(place.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c_, window_);
        sync();
        if (rate > 0) thread_ = std::thread([this, rate] { run(rate); });
    }
    ~Animator() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        xcb_destroy_window(c_, window_);
        sync();
        xcb_disconnect(c_);
    }
    // Paints the window `colour` now and waits until the server has done it (no thread running).
    void paint(std::uint32_t colour) {
        xcb_change_window_attributes(c_, window_, XCB_CW_BACK_PIXEL, &colour);
        xcb_clear_area(c_, 0, window_, 0, 0, 0, 0);
        sync();
    }
    long frames() const { return frames_; }

  private:
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }
    void run(int rate) {
        auto next = Clock::now();
        const auto step = std::chrono::microseconds(1000000 / rate);
        while (!stop_) {
            paint(frames_ % 2 ? 0x203040u : 0x405060u);
            ++frames_;
            next += step;
            std::this_thread::sleep_until(next);
        }
    }
    raster::Rect place_;
    xcb_connection_t* c_;
    xcb_window_t window_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> frames_{0};
};

void pump(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts the frames painted on the display window's view by this program.
class PaintCounter : public QObject {
  public:
    long paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

struct Run {
    double cpu = 0;     // seconds, this process + the X server
    double wall = 0;    // seconds
    long ticks = 0;     // ticks that ran: an idle mirror rests between reports of drawing
    double periods = 0; // tick intervals that passed
    long frames = 0;    // frames that reached the display window
};

// The program's desktop timer at `intervalMs` for `ms` milliseconds.
Run runTimer(int intervalMs, int ms) {
    PaintCounter counter;
    mirror::Fmonitor->image->installEventFilter(&counter);
    long ticks = 0;
    auto connection =
        QObject::connect(app::MainForm->Timer3zaslon, &QTimer::timeout, &counter, [&ticks] { ++ticks; });
    app::MainForm->Timer3zaslon->setTimerType(Qt::PreciseTimer);
    app::MainForm->Timer3zaslon->setInterval(intervalMs);
    const long serverBefore = app::MainForm->framesScaledByServer();
    bench::CpuMeter meter;
    app::MainForm->Timer3zaslon->start();
    pump(ms);
    app::MainForm->Timer3zaslon->stop();
    Run run{meter.cpu(), meter.wall(), ticks, meter.wall() * 1000 / intervalMs,
            counter.paints + (app::MainForm->framesScaledByServer() - serverBefore)};
    QObject::disconnect(connection);
    mirror::Fmonitor->image->removeEventFilter(&counter);
    return run;
}

// Processor time per tick of a timer at 60 a second that does nothing, beside the program as it
// runs: what waking up for a tick costs on this machine before any work is done.
double bareTimerTick() {
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(1000 / 60);
    long ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    bench::CpuMeter meter;
    timer.start();
    pump(3000);
    timer.stop();
    return meter.cpu() / double(std::max(ticks, 1L));
}

// Processor time per animator frame with nothing mirrored.
double animatorAlone(raster::Rect place) {
    Animator animator(place, 60);
    pump(300);
    const long before = animator.frames();
    bench::CpuMeter meter;
    pump(3000);
    return meter.cpu() / double(animator.frames() - before);
}

// Desktop, "All Desktop", OK, "Automatically Send": the state of a user mirroring the desktop.
void startMirroring() {
    QTimer::singleShot(0, [] { capture::fAlldesktop->BitBtn1Click(); });
    app::MainForm->SpeedButton1Click();
    app::MainForm->cbx1->Click();
    app::MainForm->Timer3zaslon->stop(); // each measure runs it at its own rate
    pump(200);
}

void useRoad(bool server, bool followDamage = true) {
    app::MainForm->setMirrorRoads(followDamage, server);
    runTimer(1000 / 60, 500); // settle: the first frame is whole, the preview mirrors itself a few times
}

struct RoadFigures {
    double unchangedTickMs = 0;   // per tick interval
    double unchangedTicksRun = 0; // the share of tick intervals in which the program woke
    double smallAreaFrameMs = 0;
    double wholeScreenFrameMs = 0;
    double flatOutFps = 0;
    double latencyMedianMs = 0, latencyWorstMs = 0;
};

// Change on the primary monitor to that change on the secondary one: a probe flips colour at a
// random moment, and this thread reads the mirrored pixel until it shows the new colour.
void measureLatency(RoadFigures& figures) {
    const raster::Rect probe{800, 500, 64, 64};
    Animator animator(probe, 0);
    const raster::Rect shown = mirror::Fmonitor->image->placementFor({1920, 1080});
    const QPoint view = mirror::Fmonitor->image->mapToGlobal(QPoint(0, 0));
    const int x = view.x() + shown.x + (probe.x + probe.width / 2) * shown.width / 1920;
    const int y = view.y() + shown.y + (probe.y + probe.height / 2) * shown.height / 1080;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto mirrored = [&] {
        auto* reply = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, x, y, 1, 1, ~0u), nullptr);
        std::uint32_t pixel = 0;
        if (reply) std::memcpy(&pixel, xcb_get_image_data(reply), 4), std::free(reply);
        return pixel & 0xFFFFFF;
    };
    std::mt19937 random(7);
    std::vector<double> latencies;
    app::MainForm->Timer3zaslon->setInterval(1000 / 60);
    app::MainForm->Timer3zaslon->start();
    for (int i = 0; i < 40; ++i) {
        const std::uint32_t colour = i % 2 ? 0x10E020 : 0xE02010;
        pump(60 + static_cast<int>(random() % 40));
        const auto start = Clock::now();
        animator.paint(colour);
        // The program's timer runs in this thread's event loop: let it run while sampling.
        while (Clock::now() - start < std::chrono::milliseconds(500)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (mirrored() == colour) break;
        }
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    app::MainForm->Timer3zaslon->stop();
    xcb_disconnect(c);
    std::sort(latencies.begin(), latencies.end());
    figures.latencyMedianMs = latencies[latencies.size() / 2];
    figures.latencyWorstMs = latencies.back();
}

void phase(const char* name) {
    static const auto start = Clock::now();
    std::fprintf(stderr, "[%6.2f s] %s\n", std::chrono::duration<double>(Clock::now() - start).count(), name);
}

// With `controlShown` the control window stays on the mirrored monitor, its live preview
// mirroring the desktop, itself included; else it is hidden, as auto-hide or the tray leave it.
RoadFigures measureRoad(bool server, bool controlShown, double smallAlone, double wholeAlone) {
    RoadFigures figures;
    app::MainForm->setVisible(controlShown);
    phase(server ? "server road: unchanged" : "client road: unchanged");
    useRoad(server);
    {
        const Run run = runTimer(1000 / 60, 3000);
        figures.unchangedTickMs = run.cpu / run.periods * 1e3;
        figures.unchangedTicksRun = double(run.ticks) / run.periods;
    }
    phase("200x200");
    {
        Animator animator({300, 300, 200, 200}, 60);
        runTimer(1000 / 60, 300);
        const long before = animator.frames();
        const Run run = runTimer(1000 / 60, 3000);
        const double perFrame = run.cpu / double(animator.frames() - before);
        figures.smallAreaFrameMs = (perFrame - smallAlone) * 1e3;
    }
    phase("whole screen");
    {
        Animator animator({0, 0, 1920, 1080}, 60);
        runTimer(1000 / 60, 300);
        const long before = animator.frames();
        const Run run = runTimer(1000 / 60, 3000);
        figures.wholeScreenFrameMs = (run.cpu / double(animator.frames() - before) - wholeAlone) * 1e3;
    }
    // Flat out: every tick takes the whole picture, as if the whole screen changed each time.
    phase("flat out");
    useRoad(server, false);
    {
        const Run run = runTimer(1, 3000);
        figures.flatOutFps = double(run.frames) / run.wall;
    }
    phase("latency");
    useRoad(server);
    measureLatency(figures);
    return figures;
}

// Capturing the 200 x 200 area and scaling it to its size on the secondary monitor, alone.
double captureAndScaleAlone() {
    auto screen = platform::openScreenCapture();
    const raster::Rect shown = mirror::Fmonitor->image->placementFor({1920, 1080});
    const int side = 200 * shown.width / 1920;
    raster::Bitmap frame, scaled(side, side, 24);
    bench::CpuMeter meter;
    int n = 0;
    for (; n < 3000; ++n) {
        screen->capture({300, 300, 200, 200}, frame);
        raster::drawBilinear(scaled, {0, 0, side, side}, frame);
    }
    return meter.cpu() / n;
}

// The display scaling the whole primary monitor onto the display window, frame after frame, with
// nothing else done: the floor of the server road for a whole screen that changes. 0 where the
// display cannot scale.
double serverScaleAlone() {
    auto scaler = platform::openServerScaler();
    if (!scaler) return 0;
    const QRect view = mirror::Fmonitor->image->geometry();
    scaler->cover(mirror::Fmonitor->winId(), {view.x(), view.y(), view.width(), view.height()});
    const raster::Rect source{0, 0, 1920, 1080};
    const raster::Rect picture = mirror::Fmonitor->image->placementFor(source.size());
    scaler->draw(source, picture, nullptr);
    scaler->finish();
    constexpr int frames = 300;
    bench::CpuMeter meter;
    for (int i = 0; i < frames; ++i)
        scaler->draw(source, picture, nullptr);
    scaler->finish();
    const double perFrame = meter.cpu() / frames;
    scaler->uncover();
    return perFrame;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vexmira::platform::selectWindowSystem(QGuiApplication::platformName().toStdString());
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();
    startMirroring();

    bench::ColdFrameCopier copier(frameBytes);
    double coldCopy = 0;
    {
        bench::CpuMeter meter;
        for (int i = 0; i < 400; ++i)
            copier.copyOnce();
        coldCopy = meter.cpu() / 400;
    }
    const double smallAlone = animatorAlone({300, 300, 200, 200});
    const double wholeAlone = animatorAlone({0, 0, 1920, 1080});
    const double areaAlone = captureAndScaleAlone();
    const double bareTick = bareTimerTick();
    const double serverScale = serverScaleAlone();
    const RoadFigures server = measureRoad(true, false, smallAlone, wholeAlone);
    const RoadFigures client = measureRoad(false, false, smallAlone, wholeAlone);
    const RoadFigures serverShown = measureRoad(true, true, smallAlone, wholeAlone);
    const RoadFigures clientShown = measureRoad(false, true, smallAlone, wholeAlone);
    const bench::PeerRun peer = bench::runFfmpegX11grab(1920, 1080, 4);

    std::printf(
        "references: cold frame copy %.3f ms; capture + scale of 200x200 alone %.3f ms; a timer tick doing "
        "nothing %.4f ms; the display scaling the whole screen alone %.3f ms = %.2f cold frame copies; "
        "ffmpeg x11grab %.0f fps%s\n",
        coldCopy * 1e3, areaAlone * 1e3, bareTick * 1e3, serverScale * 1e3, serverScale / coldCopy,
        peer.framesPerSecond, peer.ran ? "" : " (did not run)");
    for (const auto& [name, f] :
         {std::pair{"server road, control window hidden", server},
          std::pair{"client road, control window hidden", client},
          std::pair{"server road, control window and its preview on the mirrored monitor", serverShown},
          std::pair{"client road, control window and its preview on the mirrored monitor", clientShown}}) {
        std::printf("%s:\n", name);
        std::printf("  unchanged desktop: %.4f ms per tick (target 0.05), waking for %.0f%% of the ticks\n",
                    f.unchangedTickMs, f.unchangedTicksRun * 100);
        std::printf("  200x200 changing: %.3f ms per frame = %.2f times capture + scale alone (target 1.5), "
                    "%.2f times without the tick's wake-up\n",
                    f.smallAreaFrameMs, f.smallAreaFrameMs / (areaAlone * 1e3),
                    (f.smallAreaFrameMs - bareTick * 1e3) / (areaAlone * 1e3));
        std::printf(
            "  whole screen at 60/s: %.3f ms per frame = %.2f cold frame copies (target 2), %.2f times "
            "the display's scaling alone\n",
            f.wholeScreenFrameMs, f.wholeScreenFrameMs / (coldCopy * 1e3),
            serverScale > 0 ? f.wholeScreenFrameMs / (serverScale * 1e3) : 0.0);
        if (peer.ran)
            std::printf("  flat out: %.0f frames/s = %.2f times ffmpeg (target 0.45)\n", f.flatOutFps,
                        f.flatOutFps / peer.framesPerSecond);
        std::printf("  latency at 60/s: median %.1f ms, worst %.1f ms (target 16.7 + 8)\n", f.latencyMedianMs,
                    f.latencyWorstMs);
    }
    return 0;
}
