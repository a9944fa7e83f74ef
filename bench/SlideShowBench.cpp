// What the slide show costs, each figure beside its reference:
//   decode  a 6000 x 4000 JPEG, ours against `djpeg -outfile /dev/null`, runs interleaved;
//   list    opening a list of 10,000 entries, all one 24-megapixel JPEG, against the same list of
//           one 100 x 100 JPEG (only headers are read, so the two should cost about the same);
//   memory  resident memory after 10,000 slide steps against after 1,000;
//   steps   on the rig: how far the changes on the second monitor stray from the one-second
//           duration, slides alternating a 24-megapixel JPEG and a small PNG.
// Run on the rig for all four (without a display "steps" is left out):
//   scripts/xrig run /tmp/rig build/default/bench/slide_show_bench [decode|list|memory|steps]
#include "CpuTime.h"
#include "app/Program.h"
#include "app/mainunit.h"
#include "platform/Capabilities.h"
#include "platform/PictureFile.h"
#include "platform/ScreenCapture.h"
#include "raster/ImageFile.h"
#include "sources/uss.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vexmira;
namespace fs = std::filesystem;

namespace {

const fs::path folder = fs::temp_directory_path() / "vexmira-slide-bench";

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

// A photograph-like picture: smooth areas and detail.
fs::path photo(int width, int height, const std::string& name) {
    const fs::path file = folder / name;
    if (!fs::exists(file))
        run("convert -size " + std::to_string(width / 4) + "x" + std::to_string(height / 4) +
            " -seed 7 plasma:fractal -resize " + std::to_string(width) + "x" + std::to_string(height) +
            "! -quality 90 " + file.string());
    return file;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0
                          : values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

void decodeFigures() {
    const fs::path file = photo(6000, 4000, "big.jpg");
    std::vector<double> ours, djpeg;
    for (int round = 0; round < 7; ++round) {
        const double start = bench::ownCpuSeconds();
        const raster::Bitmap picture = platform::loadPicture(file);
        ours.push_back(bench::ownCpuSeconds() - start);
        const double before = bench::childrenCpuSeconds();
        run("djpeg -outfile /dev/null " + file.string());
        djpeg.push_back(bench::childrenCpuSeconds() - before);
    }
    std::printf("decode 6000x4000 JPEG: ours %.0f ms, djpeg %.0f ms (processor time, medians of 7): "
                "ratio %.2f (target at most 1.7)\n",
                median(ours) * 1e3, median(djpeg) * 1e3, median(ours) / median(djpeg));
}

// A list file of `count` hard links to `picture`.
fs::path linkedList(const fs::path& picture, int count, const std::string& name) {
    const fs::path links = folder / name;
    fs::create_directories(links);
    std::ofstream list(folder / (name + ".lvx"), std::ios::binary);
    list << "0\r\n4\r\n";
    for (int i = 0; i < count; ++i) {
        const fs::path link = links / ("p" + std::to_string(100000 + i) + ".jpg");
        if (!fs::exists(link)) fs::create_hard_link(picture, link);
        list << link.string() << "\r\n";
    }
    return folder / (name + ".lvx");
}

void listFigures() {
    const fs::path bigList = linkedList(photo(6000, 4000, "big.jpg"), 10000, "big");
    const fs::path smallList = linkedList(photo(100, 100, "small.jpg"), 10000, "small");
    bool stop = false;
    int index = 2;
    sources::Tfss setup(stop, index, {});
    auto open = [&setup](const fs::path& list) {
        QElapsedTimer timer;
        timer.start();
        if (!setup.openListFile(QString::fromStdString(list.string()))) std::fprintf(stderr, "not opened\n");
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (setup.entries().size() != 10000) std::fprintf(stderr, "%zu entries\n", setup.entries().size());
        return seconds;
    };
    open(smallList); // the first reads warm the file system's caches for both
    open(bigList);
    std::vector<double> big, small;
    for (int round = 0; round < 3; ++round) {
        big.push_back(open(bigList));
        small.push_back(open(smallList));
    }
    std::printf("open a list of 10,000 entries: 24-megapixel JPEG %.2f s (target at most 10), 100x100 JPEG "
                "%.2f s: ratio %.2f (target at most 1.5)\n",
                median(big), median(small), median(big) / median(small));
}

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The control window's Images source playing `slides` with "Automatically Send".
void startShow(const std::vector<fs::path>& slides) {
    for (const fs::path& slide : slides)
        sources::fss->AddListEntry(slide);
    app::MainForm->SpeedButton3Click();
    app::MainForm->tbr->setValue(1);
    app::MainForm->SpeedButtonPlayForwardClick();
}

void memoryFigures() {
    const fs::path jpeg = photo(800, 600, "step.jpg");
    const fs::path png = folder / "step.png";
    run("convert " + jpeg.string() + " " + png.string());
    std::ofstream(folder / "step.txt") << "a text slide between the pictures\n";
    app::Program program(nullptr);
    program.start();
    QApplication::processEvents();
    startShow({jpeg, png, folder / "step.txt"});
    app::MainForm->TimerStep->stop();
    long after1000 = 0;
    for (int step = 1; step <= 10000; ++step) {
        app::MainForm->TimerStep->start(); // the tick goes on only while the timer runs
        app::MainForm->TimerStepTimer();
        if (step == 1000) after1000 = residentKilobytes();
    }
    const long after10000 = residentKilobytes();
    std::printf("resident memory: after 1,000 steps %ld KB, after 10,000 %ld KB: ratio %.3f (target at most "
                "1.05)\n",
                after1000, after10000, double(after10000) / double(after1000));
}

void stepFigures() {
    const fs::path big = photo(6000, 4000, "big.jpg");
    const fs::path small = folder / "small.png";
    run("convert -size 320x240 xc:'#20C040' " + small.string());
    app::Program program(platform::openScreenCapture());
    program.start();
    QApplication::processEvents();

    // A second client watches the middle of the second monitor and notes when it changes.
    std::atomic<bool> watching{true};
    std::vector<double> changes;
    std::thread watcher([&] {
        const auto capture = platform::openScreenCapture();
        raster::Bitmap last, now;
        const auto start = std::chrono::steady_clock::now();
        while (watching) {
            if (capture && capture->capture({1920 + 638, 510, 4, 4}, now)) {
                if (!last.isEmpty() && !now.samePixels(last))
                    changes.push_back(
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                last = now.deepCopy();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    startShow({big, small});
    QEventLoop loop;
    QTimer::singleShot(41000, &loop, &QEventLoop::quit);
    loop.exec();
    watching = false;
    watcher.join();
    app::MainForm->sbSTOPClick();

    std::vector<double> errors;
    for (std::size_t i = 2; i < changes.size(); ++i) // the first change is the show's start
        errors.push_back(std::abs(changes[i] - changes[i - 1] - 1.0) * 1e3);
    std::printf("steps on the second monitor: %zu intervals, error median %.1f ms (target at most 17), 95th "
                "percentile %.1f ms (target at most 33), largest %.1f ms\n",
                errors.size(), median(errors), percentile(errors, 0.95),
                errors.empty() ? 0 : *std::max_element(errors.begin(), errors.end()));
}

} // namespace

int main(int argc, char** argv) {
    const bool onRig = std::getenv("DISPLAY") != nullptr;
    if (!onRig) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    vexmira::platform::selectWindowSystem(QGuiApplication::platformName().toStdString());
    fs::create_directories(folder);
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "decode") decodeFigures();
    if (only.empty() || only == "list") listFigures();
    if (only.empty() || only == "memory") memoryFigures();
    if ((only.empty() && onRig) || only == "steps") stepFigures();
    fs::remove_all(folder);
    return 0;
}
