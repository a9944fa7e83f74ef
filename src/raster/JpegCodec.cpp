#include "JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace vexmira::raster {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; we jump back to the
// function that called into the library. Only plain C data lives between setjmp and longjmp.
struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool damaged; // a warning that means the picture is incomplete or corrupt
};

[[noreturn]] void onJpegError(j_common_ptr info) {
    auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
    info->err->format_message(info, trap->message);
    std::longjmp(trap->jump, 1);
}

void onJpegMessage(j_common_ptr info, int level) {
    if (level >= 0) return; // trace messages
    auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
    switch (info->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA: // stray bytes between segments: the picture is still whole
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
        return;
    default:
        if (!trap->damaged) {
            info->err->format_message(info, trap->message);
            trap->damaged = true;
        }
    }
}

// Progressive files can hold thousands of tiny scans that take minutes to decode; no real
// picture needs more than a few dozen.
constexpr int maxScans = 1000;

void onJpegProgress(j_common_ptr info) {
    if (!info->is_decompressor) return;
    auto* decompressor = reinterpret_cast<j_decompress_ptr>(info);
    if (decompressor->input_scan_number > maxScans) {
        auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
        std::snprintf(trap->message, sizeof trap->message, "too many scans in a progressive file");
        std::longjmp(trap->jump, 1);
    }
}

inline std::uint8_t cmykChannel(int ink, int black, bool inverted) {
    // Adobe writes inverted inks (0 = full ink); others store them plainly.
    if (!inverted) {
        ink = 255 - ink;
        black = 255 - black;
    }
    return static_cast<std::uint8_t>((ink * black + 127) / 255);
}

// Fills `out` from the file; returns an empty string or the reason it failed. Nothing in this
// frame may need a destructor: a libjpeg error jumps straight back into it.
bool decodeInto(std::span<const std::uint8_t> data, const DecodeLimits& limits, Bitmap& out,
                JpegErrorTrap& trap, jpeg_decompress_struct& info, jpeg_progress_mgr& progress) {
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onJpegError;
    trap.manager.emit_message = onJpegMessage;
    trap.damaged = false;
    trap.message[0] = '\0';
    if (setjmp(trap.jump)) return false;
    jpeg_create_decompress(&info);
    progress.progress_monitor = onJpegProgress;
    info.progress = &progress;
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    if (static_cast<long long>(info.image_width) * info.image_height > limits.maxPixels) {
        std::snprintf(trap.message, sizeof trap.message, "picture of %u x %u pixels is too large",
                      info.image_width, info.image_height);
        return false;
    }
    jpeg_start_decompress(&info);
    if (info.output_width != info.image_width || info.output_height != info.image_height) {
        std::snprintf(trap.message, sizeof trap.message, "unexpected output size");
        return false;
    }
    try {
        out = Bitmap(static_cast<int>(info.output_width), static_cast<int>(info.output_height), 24);
    } catch (const std::exception&) {
        std::snprintf(trap.message, sizeof trap.message, "not enough memory for the picture");
        return false;
    }
    JSAMPARRAY inkRow = cmyk ? (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                         info.output_width * 4, 1)
                             : nullptr;
    const bool inverted = info.saw_Adobe_marker;
    std::uint8_t* bits = out.mutableBits();
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        auto* target = bits + static_cast<std::ptrdiff_t>(y) * out.stride();
        if (!cmyk) {
            JSAMPROW rows[1] = {target};
            jpeg_read_scanlines(&info, rows, 1);
            continue;
        }
        jpeg_read_scanlines(&info, inkRow, 1);
        const JSAMPLE* ink = inkRow[0];
        for (unsigned x = 0; x < info.output_width; ++x, ink += 4, target += 4) {
            target[0] = cmykChannel(ink[2], ink[3], inverted);
            target[1] = cmykChannel(ink[1], ink[3], inverted);
            target[2] = cmykChannel(ink[0], ink[3], inverted);
            target[3] = 0xFF;
        }
    }
    jpeg_finish_decompress(&info);
    return !trap.damaged;
}

void appendToVector(std::vector<std::uint8_t>& target, const unsigned char* data, unsigned long size) {
    target.insert(target.end(), data, data + size);
}

bool encodeInto(const Bitmap& picture, int quality, unsigned char** buffer, unsigned long* size,
                JpegErrorTrap& trap, jpeg_compress_struct& info) {
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onJpegError;
    trap.message[0] = '\0';
    if (setjmp(trap.jump)) return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(picture.width());
    info.image_height = static_cast<JDIMENSION>(picture.height());
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Full colour resolution: screen pictures are full of thin coloured lines and text that
    // halved chroma would smear.
    for (int i = 0; i < info.num_components; ++i)
        info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(
            reinterpret_cast<const JSAMPLE*>(picture.row(static_cast<int>(info.next_scanline))))};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

Bitmap decodeJpeg(std::span<const std::uint8_t> data, std::string_view fileName, const DecodeLimits& limits) {
    Bitmap result;
    JpegErrorTrap trap;
    jpeg_decompress_struct info;
    jpeg_progress_mgr progress{};
    std::memset(&info, 0, sizeof info);
    const bool decoded = decodeInto(data, limits, result, trap, info, progress);
    jpeg_destroy_decompress(&info);
    if (!decoded)
        throw ImageError(fileName, std::string("not a readable JPEG picture (") + trap.message + ")");
    return result;
}

std::vector<std::uint8_t> encodeJpeg(const Bitmap& picture, int quality) {
    if (picture.isEmpty()) throw ImageError("JPEG", "cannot save an empty picture");
    JpegErrorTrap trap;
    jpeg_compress_struct info;
    std::memset(&info, 0, sizeof info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool encoded = encodeInto(picture, quality, &buffer, &size, trap, info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> result;
    if (encoded) appendToVector(result, buffer, size);
    std::free(buffer);
    if (!encoded) throw ImageError("JPEG", trap.message);
    return result;
}

} // namespace vexmira::raster
