#include "ImageMagick.h"

#include "raster/ImageFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace vexmira::testing {

namespace {

struct PipeCloser {
    void operator()(std::FILE* pipe) const { pclose(pipe); }
};

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}
} // namespace

std::string commandOutput(const std::string& command) {
    std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string output;
    std::array<char, 65536> buffer;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        output.append(buffer.data(), got);
    return output;
}

void runConvert(const std::string& arguments) {
    const std::string command = "convert " + arguments;
    const int status = std::system(command.c_str());
    if (status != 0) throw std::runtime_error("failed: " + command);
}

std::string imageMagickProperty(const std::filesystem::path& file, const std::string& format) {
    return commandOutput("identify -format '" + format + "' " + quoted(file) + "[0]");
}

raster::Bitmap imageMagickPixels(const std::filesystem::path& file) {
    std::istringstream size(imageMagickProperty(file, "%w %h"));
    int width = 0, height = 0;
    size >> width >> height;
    if (width <= 0 || height <= 0) throw std::runtime_error("ImageMagick cannot read " + file.string());
    // Fetched at 16 bits a sample and rounded here: ImageMagick's own reduction to 8 bits truncates.
    const std::string rgba =
        commandOutput("convert " + quoted(file) + "[0] -colorspace sRGB -depth 16 -endian MSB rgba:-");
    if (rgba.size() != std::size_t(width) * height * 8)
        throw std::runtime_error("short pixel dump of " + file.string());
    raster::Bitmap result(width, height, 32);
    const auto* p = reinterpret_cast<const unsigned char*>(rgba.data());
    auto sample = [&p] {
        const unsigned value = (p[0] << 8) | p[1]; // the dump is big-endian
        p += 2;
        return static_cast<int>((value * 255 + 32767) / 65535);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int r = sample(), g = sample(), b = sample(), a = sample();
            result.setPixel(x, y, raster::bgraFromRgba(r, g, b, a));
        }
    return result;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexmira-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

int maxChannelDifference(const raster::Bitmap& a, const raster::Bitmap& b, bool withAlpha) {
    if (a.size() != b.size()) return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const raster::Bgra p = a.pixel(x, y), q = b.pixel(x, y);
            for (int shift = 0; shift < (withAlpha ? 32 : 24); shift += 8)
                worst = std::max(worst, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
        }
    return worst;
}

double meanChannelDifference(const raster::Bitmap& a, const raster::Bitmap& b) {
    if (a.size() != b.size() || a.isEmpty()) return 1e9;
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const raster::Bgra p = a.pixel(x, y), q = b.pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8)
                total += std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
        }
    return total / (3.0 * a.width() * a.height());
}

double psnr(const raster::Bitmap& a, const raster::Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16}) {
                const double d =
                    static_cast<double>((a.pixel(x, y) >> shift) & 0xFF) - ((b.pixel(x, y) >> shift) & 0xFF);
                sum += d * d;
            }
    return 10 * std::log10(255.0 * 255.0 / (sum / (3.0 * a.width() * a.height())));
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace vexmira::testing
