#include "PngCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <png.h>

namespace vexmira::raster {

namespace {

struct PngReadState {
    std::span<const std::uint8_t> data;
    std::size_t offset;
    char message[256];
};

void onPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngReadState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep target, png_size_t length) {
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (length > state->data.size() - state->offset) png_error(png, "the file ends early");
    std::memcpy(target, state->data.data() + state->offset, length);
    state->offset += length;
}

struct PngLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int passes = 1;
    bool alpha = false;
};

// Sets up the conversions to 8-bit BGRA and learns the layout.
void requestBgra(png_structp png, png_infop info, PngLayout& layout) {
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    layout.alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        layout.alpha = true;
    }
    if (depth == 16) png_set_scale_16(png); // to the nearest 8-bit value, v / 257 rounded
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!layout.alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    layout.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// The header and the conversions. Nothing in the frames that call setjmp may need a destructor:
// a libpng error jumps straight back into them.
bool readLayout(PngReadState& state, const DecodeLimits& limits, png_structp png, png_infop info,
                PngLayout& layout) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &state, readFromMemory);
    // Text, colour profiles and the like are skipped unread: libpng would otherwise allocate
    // whatever length a broken chunk claims. Only the transparency chunk matters to the pixels.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, reinterpret_cast<png_const_bytep>("tRNS"),
                                1);
    png_read_info(png, info);
    layout.width = png_get_image_width(png, info);
    layout.height = png_get_image_height(png, info);
    if (static_cast<long long>(layout.width) * layout.height > limits.maxPixels) {
        std::snprintf(state.message, sizeof state.message, "picture of %u x %u pixels is too large",
                      layout.width, layout.height);
        return false;
    }
    requestBgra(png, info, layout);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(layout.width) * 4) {
        std::snprintf(state.message, sizeof state.message, "unsupported pixel layout");
        return false;
    }
    return true;
}

// Row by row, pass by pass: libpng merges each interlace pass into the rows it is given.
bool readRows(png_structp png, png_infop info, const PngLayout& layout, std::uint8_t* rows,
              std::size_t stride) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < layout.passes; ++pass)
        for (png_uint_32 y = 0; y < layout.height; ++y)
            png_read_row(png, rows + y * stride, nullptr);
    png_read_end(png, info);
    return true;
}

struct PngWriteState {
    std::vector<std::uint8_t>* target;
    char message[256];
};

void onPngWriteError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngWriteState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void writeToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    state->target->insert(state->target->end(), data, data + length);
}

void flushNothing(png_structp) {}

bool encodeInto(const Bitmap& picture, PngWriteState& state, png_structp png, png_infop info,
                png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &state, writeToMemory, flushNothing);
    const bool alpha = picture.bitDepth() == 32;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < picture.height(); ++y)
        rows[y] = const_cast<png_bytep>(reinterpret_cast<const std::uint8_t*>(picture.row(y)));
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

Bitmap decodePng(std::span<const std::uint8_t> data, std::string_view fileName, const DecodeLimits& limits) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        throw ImageError(fileName, "not a PNG picture");
    PngReadState state{data, 0, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, onPngError, onPngWarning);
    if (!png) throw ImageError(fileName, "not enough memory to read the picture");
    png_infop info = png_create_info_struct(png);
    Bitmap result;
    bool decoded = false;
    if (info) {
        png_set_chunk_malloc_max(png, 64u << 20);
        PngLayout layout;
        decoded = readLayout(state, limits, png, info, layout);
        if (decoded) {
            try {
                result = Bitmap(static_cast<int>(layout.width), static_cast<int>(layout.height),
                                layout.alpha ? 32 : 24);
            } catch (const std::exception&) {
                std::snprintf(state.message, sizeof state.message, "not enough memory for the picture");
                decoded = false;
            }
        }
        if (decoded)
            decoded =
                readRows(png, info, layout, result.mutableBits(), static_cast<std::size_t>(result.stride()));
    }
    const bool hadInfo = info != nullptr;
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!hadInfo) throw ImageError(fileName, "not enough memory to read the picture");
    if (!decoded)
        throw ImageError(fileName, std::string("not a readable PNG picture (") + state.message + ")");
    return result;
}

std::vector<std::uint8_t> encodePng(const Bitmap& picture) {
    if (picture.isEmpty()) throw ImageError("PNG", "cannot save an empty picture");
    std::vector<std::uint8_t> result;
    PngWriteState state{&result, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onPngWriteError, onPngWarning);
    if (!png) throw ImageError("PNG", "not enough memory to write the picture");
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height()));
    const bool encoded = info && encodeInto(picture, state, png, info, rows.data());
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!encoded) throw ImageError("PNG", state.message[0] ? state.message : "not enough memory");
    return result;
}

} // namespace vexmira::raster
