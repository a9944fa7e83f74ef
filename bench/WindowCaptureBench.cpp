// Capturing one 1280 x 720 window by both methods on the rig: its own drawing (Composite) and
// its area of the screen. Run inside the rig:
//   scripts/xrig run STATE build/default/bench/window_capture_bench
#include "CpuTime.h"
#include "platform/WindowSystem.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

using namespace vexmira;

namespace {

xcb_window_t testWindow = 0;

// A mapped 1280 x 720 window with a picture of its own, kept for the whole run.
xcb_window_t makeWindow(xcb_connection_t* c) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 1280, 720, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, window, 1280, 720);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    std::vector<std::uint32_t> row(1280);
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 1280; ++x)
            row[x] = static_cast<std::uint32_t>(x * 7 + y * 13) * 2654435761u;
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, 1280, 1, 0, static_cast<std::int16_t>(y), 0,
                      screen->root_depth, 1280 * 4, reinterpret_cast<const std::uint8_t*>(row.data()));
    }
    xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_map_window(c, window);
    xcb_free_pixmap(c, pixmap);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    usleep(200000);
    return window;
}

void captureLoop(benchmark::State& state, platform::WindowCaptureMethod method) {
    auto windows = platform::openWindowSystem();
    if (!windows) {
        state.SkipWithError("no display");
        return;
    }
    raster::Bitmap frame;
    windows->captureWindow(testWindow, method, frame);
    const bench::CpuMeter meter;
    for (auto _ : state) {
        if (!windows->captureWindow(testWindow, method, frame)) {
            state.SkipWithError("capture failed");
            return;
        }
        benchmark::DoNotOptimize(frame.bits());
    }
    const double cpu = meter.cpu();
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cpu_us_per_frame"] = cpu / double(state.iterations()) * 1e6;
}

void BM_WindowOwnDrawing(benchmark::State& state) {
    captureLoop(state, platform::WindowCaptureMethod::OwnDrawing);
}
void BM_WindowScreenArea(benchmark::State& state) {
    captureLoop(state, platform::WindowCaptureMethod::ScreenArea);
}

} // namespace

BENCHMARK(BM_WindowOwnDrawing)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_WindowScreenArea)->MinTime(3.0)->UseRealTime();

int main(int argc, char** argv) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) return 1;
    testWindow = makeWindow(connection);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xcb_disconnect(connection);
    return 0;
}
