// Saving a 1920 x 1080 frame as the hot key does (encode and write a new file), against the
// reference encoders on the same picture: `cjpeg -quality 90` and `pnmtopng`, each measured as
// the processor time of its whole run (reading the picture, encoding, writing). The ratios are
// printed at the end. No display needed:
//   build/default/bench/save_image_bench
#include "CpuTime.h"
#include "platform/FileSystem.h"
#include "platform/PictureFile.h"
#include "raster/Bitmap.h"
#include "raster/ImageFile.h"
#include "raster/JpegCodec.h"
#include "raster/PngCodec.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace vexmira;

namespace {

const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vexmira-save-bench";

struct Inputs {
    raster::Bitmap frame;
    Inputs() {
        std::filesystem::create_directories(folder);
        // A photograph-like picture: smooth areas and detail.
        const std::string make = "convert -size 1920x1080 -seed 5 plasma:fractal -blur 0x1.5 PNG24:" +
                                 (folder / "frame.png").string() + " && convert " +
                                 (folder / "frame.png").string() + " " + (folder / "frame.ppm").string();
        if (std::system(make.c_str()) != 0) std::fprintf(stderr, "ImageMagick could not make the picture\n");
        frame = platform::loadPicture(folder / "frame.png");
    }
};

const Inputs& inputs() {
    static const Inputs made;
    return made;
}

using bench::childrenCpuSeconds;
using bench::ownCpuSeconds;

void saveOurs(benchmark::State& state, bool jpeg) {
    int n = 0;
    for (auto _ : state) {
        const double start = ownCpuSeconds();
        const auto bytes = jpeg ? raster::encodeJpeg(inputs().frame, 90) : raster::encodePng(inputs().frame);
        const auto path = folder / ("ours" + std::to_string(n++) + (jpeg ? ".jpg" : ".png"));
        platform::writeNewFile(path, bytes);
        state.SetIterationTime(ownCpuSeconds() - start);
        std::filesystem::remove(path);
        state.counters["bytes"] = static_cast<double>(bytes.size());
    }
}

void runTool(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        const double start = childrenCpuSeconds();
        if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
        state.SetIterationTime(childrenCpuSeconds() - start);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(folder / "tool.out"));
}

void BM_OurJpegQuality90(benchmark::State& state) {
    saveOurs(state, true);
}
void BM_CjpegQuality90(benchmark::State& state) {
    runTool(state, "cjpeg -quality 90 -outfile " + (folder / "tool.out").string() + " " +
                       (folder / "frame.ppm").string());
}
void BM_OurPng(benchmark::State& state) {
    saveOurs(state, false);
}
void BM_Pnmtopng(benchmark::State& state) {
    runTool(state, "pnmtopng " + (folder / "frame.ppm").string() + " > " + (folder / "tool.out").string() +
                       " 2>/dev/null");
}
BENCHMARK(BM_OurJpegQuality90)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CjpegQuality90)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OurPng)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Pnmtopng)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    inputs();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&reporter](const char* a, const char* b) {
        return reporter.seconds[b] > 0 ? reporter.seconds[a] / reporter.seconds[b] : 0.0;
    };
    std::printf("JPEG, quality 90: ours / cjpeg    = %.2f (target at most 1.5)\n",
                ratio("BM_OurJpegQuality90", "BM_CjpegQuality90"));
    std::printf("PNG:              ours / pnmtopng = %.2f (target at most 1.2)\n",
                ratio("BM_OurPng", "BM_Pnmtopng"));
    std::filesystem::remove_all(folder);
    benchmark::Shutdown();
    return 0;
}
