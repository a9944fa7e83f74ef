// Frames of a screen-sharing stream on their way to the display, at 60 a second, as on GNOME and
// KDE: a PipeWire source in a process of its own sends 1920 x 1080 frames, each carrying the time
// it was drawn in its first pixels; the program's stream reader (the portal road's own code) takes
// each one and hands it to the user-interface thread. Measured: processor time of the reading
// process per frame against one cold frame copy, and the time from a frame being drawn to the
// user-interface thread holding it, median and worst. Run it inside the Wayland rig, which runs
// PipeWire:
//   scripts/wrig run STATE build/default/bench/portal_stream_bench
#include "ColdCopy.h"
#include "CpuTime.h"
#include "PipeWireSource.h"
#include "platform/backends/portal/PipeWireStream.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace vexmira;

namespace {

constexpr int width = 1920, height = 1080, rate = 60;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The time goes into the low 24 bits of the first three pixels: the reader keeps those bits.
void stamp(std::uint8_t* pixels, std::int64_t ns) {
    auto* p = reinterpret_cast<std::uint32_t*>(pixels);
    for (int i = 0; i < 3; ++i)
        p[i] = std::uint32_t((ns >> (24 * i)) & 0xFFFFFF);
}

std::int64_t stampOf(const raster::Bitmap& frame) {
    std::int64_t ns = 0;
    for (int i = 0; i < 3; ++i)
        ns |= std::int64_t(frame.pixel(i, 0) & 0xFFFFFF) << (24 * i);
    return ns;
}

// The sending process: draws a new shade each frame, then the stamp; ends when its pipe closes.
[[noreturn]] void send(int report, int stay) {
    int shade = 0;
    testing::PipeWireSource source(
        width, height, rate, [&](std::uint8_t* pixels, int stride, std::vector<testing::DrawnRegion>&) {
            std::memset(pixels, (shade++ * 7) & 0xFF, std::size_t(stride) * height);
            stamp(pixels, nowNs());
        });
    const std::uint32_t node = source.start() ? source.node() : 0;
    if (write(report, &node, sizeof node) != sizeof node) _exit(1);
    char ignored;
    while (read(stay, &ignored, 1) > 0) {
    }
    source.stop();
    _exit(0);
}

int pipewireSocket() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/pipewire-0", runtime ? runtime : "/tmp");
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    int report[2], stay[2];
    if (pipe(report) != 0 || pipe(stay) != 0) return 1;
    const pid_t sender = fork();
    if (sender == 0) {
        close(report[0]);
        close(stay[1]);
        send(report[1], stay[0]);
    }
    close(report[1]);
    close(stay[0]);
    std::uint32_t node = 0;
    if (read(report[0], &node, sizeof node) != sizeof node || node == 0) {
        std::fprintf(stderr, "portal_stream_bench: no PipeWire source (run it inside the Wayland rig)\n");
        return 1;
    }

    QCoreApplication application(argc, argv);
    const int remote = pipewireSocket();
    std::string problem;
    auto stream = remote >= 0 ? platform::portal::PipeWireStream::open(remote, node, problem) : nullptr;
    if (remote >= 0) ::close(remote);
    if (!stream) {
        std::fprintf(stderr, "portal_stream_bench: %s\n", problem.c_str());
        return 1;
    }
    bool measuring = false;
    std::vector<double> latencies;
    std::int64_t last = 0;
    stream->onReport([&] {
        QMetaObject::invokeMethod(
            &application,
            [&] {
                stream->takeDamage(64);
                const raster::Bitmap frame = stream->latest();
                if (frame.isEmpty() || !measuring) return;
                const std::int64_t drawn = stampOf(frame);
                if (drawn == last) return;
                last = drawn;
                latencies.push_back(double(nowNs() - drawn) / 1e6);
            },
            Qt::QueuedConnection);
    });
    double cpuStart = 0, wallStart = 0;
    QTimer::singleShot(1000, [&] { // past the start
        measuring = true;
        cpuStart = bench::ownCpuSeconds();
        wallStart = double(nowNs()) / 1e9;
    });
    QTimer::singleShot(6000, &application, &QCoreApplication::quit);
    application.exec();
    const double cpu = bench::ownCpuSeconds() - cpuStart, wall = double(nowNs()) / 1e9 - wallStart;
    stream.reset();
    close(stay[1]);
    waitpid(sender, nullptr, 0);

    bench::ColdFrameCopier copier(std::size_t(width) * height * 4);
    const double copyStart = bench::ownCpuSeconds();
    constexpr int copies = 200;
    for (int i = 0; i < copies; ++i)
        copier.copyOnce();
    const double copyCost = (bench::ownCpuSeconds() - copyStart) / copies;

    if (latencies.empty()) {
        std::fprintf(stderr, "portal_stream_bench: no frames arrived\n");
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    const double frames = double(latencies.size());
    std::printf("frames: %.0f in %.1f s (%.1f a second, the source sends %d)\n", frames, wall, frames / wall,
                rate);
    std::printf("processor time a frame: %.0f us = %.2f cold frame copies (%.0f us each)\n",
                cpu / frames * 1e6, cpu / frames / copyCost, copyCost * 1e6);
    std::printf("drawn to held by the user-interface thread: median %.2f ms, worst %.2f ms\n",
                latencies[latencies.size() / 2], latencies.back());
    return 0;
}
