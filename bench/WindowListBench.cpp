// Listing the desktop's windows for the picker with 520 framed windows open. Run inside the rig:
//   scripts/xrig run STATE build/default/bench/window_list_bench
#include "platform/WindowSystem.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

using namespace vexmira;

namespace {

constexpr int windowCount = 520;

// How many windows the window manager lists now.
std::size_t listedByWindowManager(xcb_connection_t* c, xcb_window_t root) {
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 25, "_NET_CLIENT_LIST_STACKING"), nullptr);
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1 << 16), nullptr);
    const std::size_t count = reply ? static_cast<std::size_t>(xcb_get_property_value_length(reply)) / 4 : 0;
    free(reply);
    free(atom);
    return count;
}

// 520 small titled windows that the window manager frames, kept for the whole run.
void openWindows(xcb_connection_t* c) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    for (int i = 0; i < windowCount; ++i) {
        const xcb_window_t window = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->white_pixel};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root,
                          static_cast<std::int16_t>(20 + (i % 40) * 40),
                          static_cast<std::int16_t>(20 + (i / 40) * 60), 120, 40, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
        const std::string title = "Listed window " + std::to_string(i);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(title.size()), title.c_str());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, 12,
                            "bench\0Bench");
        xcb_map_window(c, window);
    }
    xcb_flush(c);
    for (int i = 0; i < 2400 && listedByWindowManager(c, screen->root) < windowCount; ++i)
        usleep(50000);
    std::fprintf(stderr, "window manager lists %zu windows\n", listedByWindowManager(c, screen->root));
}

void BM_ListTopLevelWindows(benchmark::State& state) {
    static xcb_connection_t* connection = [] {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        openWindows(c);
        return c;
    }();
    auto windows = platform::openWindowSystem();
    std::size_t listed = 0;
    for (auto _ : state)
        listed = windows->topLevelWindows().size();
    state.counters["windows"] = static_cast<double>(listed);
    (void)connection;
}
BENCHMARK(BM_ListTopLevelWindows)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
