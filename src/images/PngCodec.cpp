#include "images/PngCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include <png.h>

#include "images/FileAccess.h"

// libpng reports errors through a callback that must not return; ours longjmps back to the
// function that called setjmp. That function keeps every object it touches after setjmp in a
// state struct reached by reference and declares no object with a destructor itself, so the
// jump skips no destructor and reads no clobbered local.

namespace korvalen {
namespace {

// Deflate never packs more than 1032 bytes into one; a file that claims more pixels than that
// could hold is cut short or hostile, and is refused before the bitmap is allocated.
constexpr uint64_t kDeflateMaxRatio = 1032;

// Far above any chunk a map needs (a palette, its transparency).
constexpr size_t kMaxChunkBytes = size_t{8} << 20;

// Known chunks that change nothing in our pixels, each name with its terminating zero.
constexpr png_byte kSkippedChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0"
    "pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";

enum class Refusal { None, TooLarge, TooShort, Layout };

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::span<const uint8_t> data;
    size_t position = 0;
    char message[200] = {};
    Refusal refusal = Refusal::None;
    uint64_t maxBytes = 0;
    uint32_t width = 0, height = 0;
    Bitmap image;
    std::vector<uint8_t> bgra;  // rows with alpha, laid over white into image afterwards
    bool hasAlpha = false;
    std::vector<png_bytep> rows;

    PngState() = default;
    PngState(const PngState&) = delete;
    PngState& operator=(const PngState&) = delete;
    ~PngState() {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

PngState* StateOf(png_structp png) {
    return static_cast<PngState*>(png_get_error_ptr(png));
}

[[noreturn]] void ErrorExit(png_structp png, png_const_charp text) {
    PngState* state = StateOf(png);
    std::snprintf(state->message, sizeof state->message, "%s", text ? text : "PNG error");
    png_longjmp(png, 1);
}

// Warnings name things libpng mends or skips (a bad ancillary chunk); the pixels stand.
void IgnoreWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
    PngState* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (length > state->data.size() - state->position)
        png_error(png, "The PNG data ends early");
    std::memcpy(out, state->data.data() + state->position, length);
    state->position += length;
}

std::vector<Rgb> GreyPalette() {
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = Rgb{uint8_t(i), uint8_t(i), uint8_t(i)};
    return palette;
}

// A colour with alpha laid over white, rounded as compositing tools do.
uint8_t OverWhite(unsigned value, unsigned alpha) {
    return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The palette of a palette image, with its transparent entries laid over white.
std::vector<Rgb> PaletteOverWhite(png_structp png, png_infop info) {
    png_colorp colours = nullptr;
    int count = 0;
    std::vector<Rgb> palette;
    if (png_get_PLTE(png, info, &colours, &count) != PNG_INFO_PLTE)
        return palette;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    for (int i = 0; i < count; ++i) {
        const unsigned a = i < alphaCount ? alphas[i] : 255;
        palette.push_back(Rgb{OverWhite(colours[i].red, a), OverWhite(colours[i].green, a),
                              OverWhite(colours[i].blue, a)});
    }
    return palette;
}

// The libpng part of decoding; false with state.refusal or state.message set.
bool DecodeProtected(PngState& state) {
    png_structp png = state.png;
    png_infop info = state.info;
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_set_user_limits(png, Bitmap::kMaxSide, Bitmap::kMaxSide);
    // Chunks the map does not need are skipped unread: libpng would allocate a text chunk or
    // colour profile as long as its header claims, so a few bytes could claim gigabytes.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                int(sizeof kSkippedChunks / 5));
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_read_fn(png, &state, ReadFromMemory);
    png_read_info(png, info);

    state.width = png_get_image_width(png, info);
    state.height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    const int channels = png_get_channels(png, info);
    const uint64_t pixels = uint64_t{state.width} * state.height;

    const uint64_t packedBytes = (pixels * channels * depth + 7) / 8;
    if (packedBytes > uint64_t{state.data.size()} * kDeflateMaxRatio + 1024) {
        state.refusal = Refusal::TooShort;
        return false;
    }

    const bool transparent =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool palette = colourType == PNG_COLOR_TYPE_PALETTE;
    const bool grey = colourType == PNG_COLOR_TYPE_GRAY && !transparent;
    state.hasAlpha = !palette && transparent;
    const PixelFormat format = palette || grey ? PixelFormat::Bits8 : PixelFormat::Bits24;
    const uint64_t bitmapBytes = Bitmap::StrideFor(int(state.width), format) * state.height;
    const uint64_t alphaBytes = state.hasAlpha ? pixels * 4 : 0;
    if (bitmapBytes + alphaBytes > state.maxBytes) {
        state.refusal = Refusal::TooLarge;
        return false;
    }

    if (palette) {
        png_set_packing(png);
    } else {
        png_set_expand(png);  // grey below 8 bits to 8, a transparent colour to alpha
        png_set_scale_16(png);
        if (!grey) {
            png_set_gray_to_rgb(png);
            png_set_bgr(png);
        }
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const size_t pixelBytes = state.hasAlpha ? 4 : format == PixelFormat::Bits8 ? 1 : 3;
    if (png_get_rowbytes(png, info) != size_t{state.width} * pixelBytes) {
        state.refusal = Refusal::Layout;
        return false;
    }

    state.image = Bitmap(int(state.width), int(state.height), format);
    if (palette)
        state.image.SetPalette(PaletteOverWhite(png, info));
    else if (grey)
        state.image.SetPalette(GreyPalette());
    state.rows.resize(state.height);
    if (state.hasAlpha) {
        state.bgra.resize(pixels * 4);
        for (uint32_t y = 0; y < state.height; ++y)
            state.rows[y] = state.bgra.data() + size_t{y} * state.width * 4;
    } else {
        for (uint32_t y = 0; y < state.height; ++y)
            state.rows[y] = state.image.Row(int(y));
    }
    png_read_image(png, state.rows.data());
    return true;
}

void LayOverWhite(PngState& state) {
    for (uint32_t y = 0; y < state.height; ++y) {
        const uint8_t* in = state.rows[y];
        uint8_t* out = state.image.Row(int(y));
        for (uint32_t x = 0; x < state.width; ++x, in += 4, out += 3) {
            out[0] = OverWhite(in[0], in[3]);
            out[1] = OverWhite(in[1], in[3]);
            out[2] = OverWhite(in[2], in[3]);
        }
    }
}

std::string RefusalText(const PngState& state) {
    const std::string size = std::to_string(state.width) + " x " + std::to_string(state.height);
    switch (state.refusal) {
        case Refusal::TooLarge:
            return "The PNG image is too large (" + size + " pixels)";
        case Refusal::TooShort:
            return "The PNG data is too short for an image of " + size + " pixels";
        case Refusal::Layout:
            return "The PNG pixel layout is not supported";
        case Refusal::None:
            break;
    }
    return state.message[0] ? std::string("Bad PNG data: ") + state.message
                            : std::string("Bad PNG data");
}

}  // namespace

bool HasPngSignature(std::span<const uint8_t> data) {
    return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

bool DecodePng(std::span<const uint8_t> data, Bitmap& out, std::string& error, uint64_t maxBytes) {
    if (!HasPngSignature(data)) {
        error = "Not a PNG file";
        return false;
    }
    try {
        PngState state;
        state.data = data;
        state.maxBytes = maxBytes;
        state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ErrorExit, IgnoreWarning);
        if (state.png)
            state.info = png_create_info_struct(state.png);
        if (!state.png || !state.info) {
            error = "Not enough memory for the PNG decoder";
            return false;
        }
        if (!DecodeProtected(state)) {
            error = RefusalText(state);
            return false;
        }
        if (state.hasAlpha)
            LayOverWhite(state);
        out = std::move(state.image);
        return true;
    } catch (const std::bad_alloc&) {
        error = "Not enough memory for the PNG image";
    } catch (const std::length_error&) {
        error = "The PNG image is too large";
    }
    return false;
}

bool ReadPngFile(const std::filesystem::path& path, Bitmap& out, std::string& error,
                 uint64_t maxBytes) {
    std::vector<uint8_t> data;
    // A PNG file larger than the pixels it may hold is not one we can use.
    if (!ReadWholeFile(path, data, error, maxBytes + (64u << 20)))
        return false;
    if (!DecodePng(data, out, error, maxBytes)) {
        error = DisplayPath(path) + ": " + error;
        return false;
    }
    return true;
}

}  // namespace korvalen
