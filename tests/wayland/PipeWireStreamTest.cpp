// The stream reader of the portal road against a real PipeWire stream on the Wayland rig's
// daemon: what arrives is the source's pixels, with the regions the source said it drew, and
// the end of the stream is said, whether the source or the daemon ends it.
#include "platform/backends/portal/PipeWireStream.h"
#include "PipeWireSource.h"
#include "ProgramDriver.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace vexmira;
using namespace vexmira::testing;

namespace {

constexpr int width = 320, height = 200;

// Frame n: every pixel tells its place and the frame's number, which pixel (0, 0) holds.
std::uint32_t framePixel(int n, int x, int y) {
    return x == 0 && y == 0 ? std::uint32_t(n) & 0xFFFFFF : std::uint32_t(x * 7 + y * 131072 + n) & 0xFFFFFF;
}

int pipewireSocket(const std::string& runtime = std::getenv("XDG_RUNTIME_DIR")) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/pipewire-0", runtime.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Frame n drawn whole: `rows` rows of `stride` / 4 pixels.
void drawFrame(std::uint8_t* pixels, int stride, int rows, int n) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < stride / 4; ++x)
            reinterpret_cast<std::uint32_t*>(pixels + std::size_t(y) * stride)[x] = framePixel(n, x, y);
}

// How many pixels of `frame` are not what the source drew (opaque) for the frame it says it is.
int pixelsUnlikeTheSource(const raster::Bitmap& frame) {
    const int n = int(frame.pixel(0, 0) & 0xFFFFFF);
    int wrong = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            wrong +=
                (frame.pixel(x, y) & 0xFFFFFF) != framePixel(n, x, y) || (frame.pixel(x, y) >> 24) != 0xFF;
    return wrong;
}

// The program's stream reader on `source`, through a connection of its own to the daemon of
// `runtime`, as the portal hands one over; null with `problem` said when it cannot be had.
std::unique_ptr<platform::portal::PipeWireStream>
readerOf(PipeWireSource& source, std::string& problem,
         const std::string& runtime = std::getenv("XDG_RUNTIME_DIR")) {
    const int remote = pipewireSocket(runtime);
    if (remote < 0) {
        problem = "no PipeWire daemon to connect to";
        return nullptr;
    }
    auto stream = platform::portal::PipeWireStream::open(remote, source.node(), problem);
    ::close(remote);
    return stream;
}

// A PipeWire daemon and session manager of the test's own, in a runtime folder of their own, so
// that the daemon can be ended without harm to the rig's.
class PrivatePipeWire {
  public:
    PrivatePipeWire() {
        char folder[] = "/tmp/vexmira-pipewire.XXXXXX";
        if (!mkdtemp(folder)) return;
        runtime = folder;
        daemon_ = launch("pipewire");
        waitUntil([&] { return std::filesystem::exists(runtime + "/pipewire-0"); }, 10);
        manager_ = launch("wireplumber");
    }
    ~PrivatePipeWire() {
        end(manager_);
        end(daemon_);
        if (!runtime.empty()) std::filesystem::remove_all(runtime);
    }
    PrivatePipeWire(const PrivatePipeWire&) = delete;
    PrivatePipeWire& operator=(const PrivatePipeWire&) = delete;

    // The daemon goes at once, as when it crashes.
    void killDaemon() { end(daemon_, SIGKILL); }

    std::string runtime;

  private:
    pid_t launch(const char* program) {
        const pid_t pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            execlp(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }
    static void end(pid_t& pid, int signal = SIGTERM) {
        if (pid <= 0) return;
        kill(pid, signal);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    pid_t daemon_ = -1, manager_ = -1;
};

} // namespace

TEST(PortalStream, FramesArriveWholeWithTheDrawnRegionsAndTheEndIsSaid) {
    std::atomic<int> drawn{0};
    PipeWireSource source(width, height, 60,
                          [&](std::uint8_t* pixels, int stride, std::vector<DrawnRegion>& changed) {
                              const int n = drawn++;
                              drawFrame(pixels, stride, height, n);
                              if (n > 0)
                                  changed.push_back({10, 20, 30, 40}); // the first frame is drawn whole
                          });
    ASSERT_TRUE(source.start()) << "no PipeWire daemon on the rig";
    std::string problem;
    const auto stream = readerOf(source, problem);
    ASSERT_TRUE(stream) << problem;
    std::atomic<int> reports{0};
    stream->onReport([&] { ++reports; });

    ASSERT_TRUE(waitUntil([&] { return !stream->latest().isEmpty(); }, 5)) << "no frame arrived";
    const raster::Bitmap frame = stream->latest();
    ASSERT_EQ(frame.size(), (raster::Size{width, height}));
    EXPECT_EQ(pixelsUnlikeTheSource(frame), 0) << "pixels of the frame differ from what the source drew";

    // The first frame's size counts as everything changed; later ones bring the source's region.
    stream->takeDamage(64);
    ASSERT_TRUE(waitUntil([&] { return stream->hasPending(); }, 5));
    const auto damage = stream->takeDamage(64);
    ASSERT_TRUE(damage.has_value());
    ASSERT_FALSE(damage->empty());
    for (const raster::Rect& r : *damage)
        EXPECT_EQ(r, (raster::Rect{10, 20, 30, 40}));
    EXPECT_GT(reports.load(), 0);

    source.stop();
    EXPECT_TRUE(waitUntil([&] { return !stream->ended().empty(); }, 5))
        << "the end of the stream was not said";
    EXPECT_FALSE(stream->latest().isEmpty()) << "the last picture went with the stream";
}

// The desktop changes the stream's size (a monitor's mode changed) and sends frames with nothing
// in them: the new size is taken with everything counted as drawn, and empty frames change
// nothing.
TEST(PortalStream, ANewSizeMidStreamIsFollowedAndEmptyFramesAreSkipped) {
    std::atomic<int> drawn{0};
    std::atomic<int> rows{height};
    PipeWireSource source(width, height, 60,
                          [&](std::uint8_t* pixels, int stride, std::vector<DrawnRegion>&) {
                              drawFrame(pixels, stride, rows, drawn++);
                          });
    ASSERT_TRUE(source.start()) << "no PipeWire daemon on the rig";
    std::string problem;
    const auto stream = readerOf(source, problem);
    ASSERT_TRUE(stream) << problem;
    ASSERT_TRUE(waitUntil([&] { return !stream->latest().isEmpty(); }, 5)) << "no frame arrived";
    stream->takeDamage(64);

    constexpr int newWidth = 200, newHeight = 120;
    rows = newHeight;
    source.resize(newWidth, newHeight);
    ASSERT_TRUE(waitUntil(
        [&] {
            return stream->latest().size() == raster::Size{newWidth, newHeight};
        },
        5))
        << "the new size was not taken";
    EXPECT_FALSE(stream->takeDamage(64).has_value()) << "a new size must count as everything drawn";
    const raster::Bitmap frame = stream->latest();
    EXPECT_EQ(pixelsUnlikeTheSource(frame), 0)
        << "pixels of the resized frame differ from what the source drew";

    source.sendEmptyFrames(true);
    const int drawnBefore = drawn;
    ASSERT_TRUE(waitUntil([&] { return drawn >= drawnBefore + 10; }, 5)) << "the source stopped";
    const raster::Bitmap kept = stream->latest();
    ASSERT_TRUE(waitUntil([&] { return drawn >= drawnBefore + 20; }, 5)) << "the source stopped";
    EXPECT_TRUE(stream->latest().samePixels(kept)) << "an empty frame replaced the picture";
    EXPECT_EQ(stream->ended(), "") << "empty frames ended the stream";
    source.sendEmptyFrames(false);
    EXPECT_TRUE(waitUntil([&] { return !stream->latest().samePixels(kept); }, 5))
        << "frames were not taken again after the empty ones";
}

// A desktop that shares pictures we cannot show (too large, or in a pixel format we do not
// read): the stream ends and says why, rather than leaving the mirror black.
TEST(PortalStream, PicturesThatCannotBeShownEndTheStreamWithTheReason) {
    struct Case {
        int width, height;
        PipeWireSource::Pixels pixels;
        const char* reason;
    };
    for (const Case& c : {Case{16385, 2, PipeWireSource::Pixels::Bgrx, "16385 x 2"},
                          Case{320, 200, PipeWireSource::Pixels::Nv12, "no format"}}) {
        PipeWireSource source(
            c.width, c.height, 30, [](std::uint8_t*, int, std::vector<DrawnRegion>&) {}, c.pixels);
        ASSERT_TRUE(source.start()) << "no PipeWire daemon on the rig";
        std::string problem;
        const auto stream = readerOf(source, problem);
        ASSERT_TRUE(stream) << problem;
        ASSERT_TRUE(waitUntil([&] { return !stream->ended().empty(); }, 8))
            << c.reason << ": the stream never said anything";
        EXPECT_NE(stream->ended().find(c.reason), std::string::npos) << stream->ended();
        EXPECT_TRUE(stream->latest().isEmpty());
    }
}

// The PipeWire daemon dies while frames come: the end is said, and the last picture stays.
TEST(PortalStream, ADaemonThatDiesEndsTheStreamAndTheLastPictureStays) {
    PrivatePipeWire pipewire;
    ASSERT_FALSE(pipewire.runtime.empty());
    std::atomic<int> drawn{0};
    PipeWireSource source(width, height, 60,
                          [&](std::uint8_t* pixels, int stride, std::vector<DrawnRegion>&) {
                              drawFrame(pixels, stride, height, drawn++);
                          });
    setenv("PIPEWIRE_RUNTIME_DIR", pipewire.runtime.c_str(), 1);
    const bool started = source.start();
    unsetenv("PIPEWIRE_RUNTIME_DIR");
    ASSERT_TRUE(started) << "the test's own PipeWire daemon did not start";
    std::string problem;
    const auto stream = readerOf(source, problem, pipewire.runtime);
    ASSERT_TRUE(stream) << problem;
    ASSERT_TRUE(waitUntil([&] { return !stream->latest().isEmpty(); }, 10)) << "no frame arrived";

    pipewire.killDaemon();
    ASSERT_TRUE(waitUntil([&] { return !stream->ended().empty(); }, 5)) << "the daemon's end was not said";
    EXPECT_EQ(stream->latest().size(), (raster::Size{width, height}))
        << "the last picture went with the daemon";
}
