#include "images/JpegCodec.h"
#include "images/JpegStrips.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>

#include <jpeglib.h>
// After jpeglib.h: its configuration decides which messages exist.
#include <jerror.h>

#include "images/FileAccess.h"

// libjpeg reports errors through a callback that must not return. Ours longjmps back to the
// function that called setjmp. Those functions keep every object they touch after setjmp in a
// state struct reached by reference, and declare no object with a destructor themselves, so the
// jump skips no destructor and reads no clobbered local.

namespace korvalen {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so that cinfo->err can be cast back
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    char warnings[512] = {};  // tolerated warnings, collected instead of printed
};

[[noreturn]] void JumpBack(ErrorManager* errors) {
    std::longjmp(errors->jump, 1);
}

ErrorManager* ErrorsOf(j_common_ptr cinfo) {
    return reinterpret_cast<ErrorManager*>(cinfo->err);
}

[[noreturn]] void FailWith(j_common_ptr cinfo, const char* text) {
    ErrorManager* errors = ErrorsOf(cinfo);
    std::snprintf(errors->message, sizeof errors->message, "%s", text);
    JumpBack(errors);
}

void ErrorExit(j_common_ptr cinfo) {
    ErrorManager* errors = ErrorsOf(cinfo);
    cinfo->err->format_message(cinfo, errors->message);
    JumpBack(errors);
}

void CollectMessage(j_common_ptr cinfo) {
    ErrorManager* errors = ErrorsOf(cinfo);
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    const size_t used = std::strlen(errors->warnings);
    if (used + 3 < sizeof errors->warnings)
        std::snprintf(errors->warnings + used, sizeof errors->warnings - used, "%s%s",
                      used ? "; " : "", text);
}

// Warnings after which libjpeg makes up pixels: grey for missing data, garbage after a bad
// code, refinements without their first scan. Such a picture must not pass as a map.
bool MeansLostData(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_BOGUS_PROGRESSION:
            return true;
        default:
            return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;  // trace output
    if (MeansLostData(cinfo->err->msg_code))
        ErrorExit(cinfo);
    ++cinfo->err->num_warnings;
    cinfo->err->output_message(cinfo);
}

void InstallErrorManager(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = CollectMessage;
}

// ---------------------------------------------------------------------------------------------
// Decoding

struct ScanLimit {
    jpeg_progress_mgr pub;
    int maxScans = 0;
};

void CheckScanCount(j_common_ptr cinfo) {
    auto* limit = reinterpret_cast<ScanLimit*>(cinfo->progress);
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > limit->maxScans)
        FailWith(cinfo, "Too many scans in the JPEG data");
}

// Reasons of our own to refuse a file. The messages are built after the decode: no strings are
// made between setjmp and longjmp.
enum class Refusal { None, NoImage, ColourSpace, TooLarge, TooShort, MissingComponent };

struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    ScanLimit scanLimit;
    bool created = false;
    Bitmap image;       // unfilled until every row is decoded; discarded if the decode fails
    PageWarmer warmer;  // after image: stops before the memory it warms is freed
    std::vector<uint8_t> cmykRow;
    Refusal refusal = Refusal::None;  // set when we, not libjpeg, refuse the file

    DecodeState() = default;
    DecodeState(const DecodeState&) = delete;
    DecodeState& operator=(const DecodeState&) = delete;
    ~DecodeState() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// Huffman-coded data cannot be shorter than the shortest codes for every block: a DC code and
// an end-of-block code (at least a bit each) in sequential files, a DC code in the first scan
// of progressive ones. A file below this declares a size it does not hold; refusing it before
// allocating keeps a few bytes from claiming gigabytes.
uint64_t MinimumHuffmanBytes(const jpeg_decompress_struct& cinfo) {
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c)
        blocks +=
            uint64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks;
    return blocks * (cinfo.progressive_mode ? 1 : 2) / 8;
}

// A progressive component that never had its first DC scan would come out flat grey.
bool EveryComponentHasData(const jpeg_decompress_struct& cinfo) {
    if (!cinfo.progressive_mode || !cinfo.coef_bits)
        return true;
    for (int c = 0; c < cinfo.num_components; ++c)
        if (cinfo.coef_bits[c][0] < 0)
            return false;
    return true;
}

std::string SizeText(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Adobe (Photoshop) files store CMYK inverted: 0 is full ink.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted)
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// Rows are decoded straight into the bitmap, several per call, and padded as they come.
void ReadRows(jpeg_decompress_struct& cinfo, Bitmap& image) {
    constexpr JDIMENSION kRowsPerCall = 16;
    while (cinfo.output_scanline < cinfo.output_height) {
        std::array<JSAMPROW, kRowsPerCall> rows;
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = image.Row(static_cast<int>(first + i));
        const JDIMENSION read = jpeg_read_scanlines(&cinfo, rows.data(), count);
        if (read == 0)
            FailWith(reinterpret_cast<j_common_ptr>(&cinfo), "The JPEG decoder stopped early");
        for (JDIMENSION i = 0; i < read; ++i)
            image.PadRow(static_cast<int>(first + i));
    }
}

void ReadCmykRows(jpeg_decompress_struct& cinfo, Bitmap& image, std::vector<uint8_t>& buffer) {
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = buffer.data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) == 0)
            FailWith(reinterpret_cast<j_common_ptr>(&cinfo), "The JPEG decoder stopped early");
        CmykToBgr(buffer.data(), image.Row(y), cinfo.output_width, inverted);
        image.PadRow(y);
    }
}

// Compressed data in memory, or an open file of a known size (read as it is decoded).
struct Source {
    std::span<const uint8_t> memory;
    std::FILE* file = nullptr;
    uint64_t size = 0;
};

// The libjpeg part of decoding; false with state.refusal or state.errors.message set.
bool DecodeProtected(DecodeState& state, const Source& source, const JpegDecodeLimits& limits) {
    jpeg_decompress_struct& cinfo = state.cinfo;
    cinfo.err = &state.errors.pub;
    InstallErrorManager(state.errors);
    if (setjmp(state.errors.jump))
        return false;

    jpeg_create_decompress(&cinfo);
    state.created = true;
    // libjpeg's own buffers (whole-image coefficients of progressive files) stay bounded too.
    const uint64_t workBytes = std::min(limits.maxBitmapBytes, uint64_t{1} << 60) * 3 + (64u << 20);
    cinfo.mem->max_memory_to_use = static_cast<long>(workBytes);
    state.scanLimit.pub.progress_monitor = CheckScanCount;
    state.scanLimit.maxScans = limits.maxScans;
    cinfo.progress = &state.scanLimit.pub;
    if (source.file)
        jpeg_stdio_src(&cinfo, source.file);
    else
        jpeg_mem_src(&cinfo, source.memory.data(),
                     static_cast<unsigned long>(source.memory.size()));

    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        state.refusal = Refusal::NoImage;
        return false;
    }
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            cinfo.out_color_space = JCS_EXT_BGR;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            break;
        default:
            state.refusal = Refusal::ColourSpace;
            return false;
    }
    jpeg_calc_output_dimensions(&cinfo);
    const uint64_t width = cinfo.output_width, height = cinfo.output_height;
    const uint64_t bytes = Bitmap::StrideFor(static_cast<int>(width), PixelFormat::Bits24) * height;
    if (width > static_cast<uint64_t>(Bitmap::kMaxSide) ||
        height > static_cast<uint64_t>(Bitmap::kMaxSide) || bytes > limits.maxBitmapBytes) {
        state.refusal = Refusal::TooLarge;
        return false;
    }
    if (!cinfo.arith_code && source.size < MinimumHuffmanBytes(cinfo)) {
        state.refusal = Refusal::TooShort;
        return false;
    }

    // Files of several scans are read completely here, before the bitmap is allocated.
    jpeg_start_decompress(&cinfo);
    if (!EveryComponentHasData(cinfo)) {
        state.refusal = Refusal::MissingComponent;
        return false;
    }
    state.image = Bitmap(static_cast<int>(width), static_cast<int>(height), PixelFormat::Bits24,
                         Bitmap::Unfilled{});
    state.warmer.Start(state.image.Row(0), state.image.ByteSize());
    if (cinfo.out_color_space == JCS_CMYK) {
        state.cmykRow.resize(static_cast<size_t>(width) * 4);
        ReadCmykRows(cinfo, state.image, state.cmykRow);
    } else {
        ReadRows(cinfo, state.image);
    }
    state.warmer.Stop();
    jpeg_finish_decompress(&cinfo);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Encoding

struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* out = nullptr;
};

void StartVector(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

// Called when the whole buffer is full; doubles it.
boolean GrowVector(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const size_t used = dest->out->size();
    bool grown = true;
    try {
        dest->out->resize(used * 2);
    } catch (const std::exception&) {
        grown = false;
    }
    if (!grown)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void FinishVector(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

struct EncodeState {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    bool created = false;
    VectorDestination vector;
    std::vector<uint8_t> rowBuffer;  // palette rows expanded to BGR
    std::array<uint8_t, 256 * 3> bgrOfIndex{};
    const WriteProgress* progress = nullptr;  // null or empty: nobody listens
    bool cancelled = false;
    // The rows encoded: all of the bitmap, or one strip of it with a restart marker after
    // every MCU row (see WriteStrips).
    int firstRow = 0;
    int rowCount = -1;  // -1: to the bottom
    bool restartEachRow = false;

    EncodeState() = default;
    EncodeState(const EncodeState&) = delete;
    EncodeState& operator=(const EncodeState&) = delete;
    ~EncodeState() {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }
};

bool CheckEncodableSize(const Bitmap& bitmap, std::string& error) {
    const std::string size = SizeText(static_cast<uint64_t>(std::max(bitmap.Width(), 0)),
                                      static_cast<uint64_t>(std::max(bitmap.Height(), 0)));
    if (bitmap.IsEmpty()) {
        error = "Cannot save an empty image as JPEG";
        return false;
    }
    if (bitmap.Width() > kJpegMaxSide || bitmap.Height() > kJpegMaxSide) {
        error = "A JPEG file holds at most " + std::to_string(kJpegMaxSide) +
                " pixels a side; this image is " + size + " pixels";
        return false;
    }
    if (bitmap.Width() > kJpegLibraryMaxSide || bitmap.Height() > kJpegLibraryMaxSide) {
        error = "The JPEG library writes at most " + std::to_string(kJpegLibraryMaxSide) +
                " pixels a side; this image is " + size + " pixels";
        return false;
    }
    return true;
}

void PreparePaletteExpansion(EncodeState& state, const Bitmap& bitmap) {
    if (bitmap.Format() == PixelFormat::Bits24)
        return;
    const auto& palette = bitmap.Palette();
    for (size_t i = 0; i < palette.size() && i < 256; ++i) {
        state.bgrOfIndex[3 * i] = palette[i].b;
        state.bgrOfIndex[3 * i + 1] = palette[i].g;
        state.bgrOfIndex[3 * i + 2] = palette[i].r;
    }
    state.rowBuffer.resize(static_cast<size_t>(bitmap.Width()) * 3);
}

void ExpandPaletteRow(const EncodeState& state, const Bitmap& bitmap, int y, uint8_t* bgr) {
    const uint8_t* row = bitmap.Row(y);
    const int width = bitmap.Width();
    const uint8_t* table = state.bgrOfIndex.data();
    for (int x = 0; x < width; ++x, bgr += 3) {
        const unsigned index = bitmap.Format() == PixelFormat::Bits8
                                   ? row[x]
                                   : ((x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4));
        std::memcpy(bgr, table + 3 * index, 3);
    }
}

// The libjpeg part of encoding into `file`, or into state.vector when file is null.
bool EncodeProtected(EncodeState& state, const Bitmap& bitmap, int quality, std::FILE* file) {
    jpeg_compress_struct& cinfo = state.cinfo;
    cinfo.err = &state.errors.pub;
    InstallErrorManager(state.errors);
    if (setjmp(state.errors.jump))
        return false;

    jpeg_create_compress(&cinfo);
    state.created = true;
    if (file) {
        jpeg_stdio_dest(&cinfo, file);
    } else {
        state.vector.pub.init_destination = StartVector;
        state.vector.pub.empty_output_buffer = GrowVector;
        state.vector.pub.term_destination = FinishVector;
        cinfo.dest = &state.vector.pub;
    }
    cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
    cinfo.image_height = static_cast<JDIMENSION>(
        state.rowCount < 0 ? bitmap.Height() - state.firstRow : state.rowCount);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    if (state.restartEachRow)
        cinfo.restart_in_rows = 1;
    jpeg_start_compress(&cinfo, TRUE);

    const bool direct = bitmap.Format() == PixelFormat::Bits24;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = state.firstRow + static_cast<int>(cinfo.next_scanline);
        JSAMPROW row = state.rowBuffer.data();
        if (direct)
            row = const_cast<JSAMPROW>(bitmap.Row(y));  // libjpeg only reads input rows
        else
            ExpandPaletteRow(state, bitmap, y, row);
        jpeg_write_scanlines(&cinfo, &row, 1);
        if (state.progress && *state.progress &&
            !(*state.progress)(static_cast<int>(cinfo.next_scanline),
                               static_cast<int>(cinfo.image_height))) {
            state.cancelled = true;
            FailWith(reinterpret_cast<j_common_ptr>(&cinfo), "the write was cancelled");
        }
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

bool Encode(const Bitmap& bitmap, int quality, std::FILE* file, std::vector<uint8_t>* memory,
            std::string& error, const WriteProgress* progress = nullptr) {
    if (!CheckEncodableSize(bitmap, error))
        return false;
    try {
        EncodeState state;
        PreparePaletteExpansion(state, bitmap);
        state.progress = progress;
        if (memory) {
            memory->assign(std::max<size_t>(bitmap.ByteSize() / 8, 4096), 0);
            state.vector.out = memory;
        }
        if (!EncodeProtected(state, bitmap, quality, file)) {
            error = state.cancelled ? std::string(state.errors.message)
                                    : std::string("Cannot encode JPEG: ") + state.errors.message;
            return false;
        }
    } catch (const std::exception& e) {
        error = std::string("Cannot encode JPEG: ") + e.what();
        return false;
    }
    return true;
}

std::string RefusalText(const DecodeState& state) {
    const std::string size = SizeText(state.cinfo.output_width, state.cinfo.output_height);
    switch (state.refusal) {
        case Refusal::NoImage:
            return "The JPEG data holds no image";
        case Refusal::ColourSpace:
            return "The JPEG image has an unsupported colour space (" +
                   std::to_string(state.cinfo.num_components) + " components)";
        case Refusal::TooLarge:
            return "The JPEG image is too large (" + size + " pixels)";
        case Refusal::TooShort:
            return "The JPEG data is too short for its declared size of " + size + " pixels";
        case Refusal::MissingComponent:
            return "The JPEG data lacks a colour component";
        case Refusal::None:
            break;
    }
    return {};
}

bool Decode(const Source& source, Bitmap& out, std::string& error, const JpegDecodeLimits& limits) {
    if (source.size == 0) {
        error = "The JPEG data is empty";
        return false;
    }
    try {
        DecodeState state;
        if (!DecodeProtected(state, source, limits)) {
            if (state.refusal != Refusal::None) {
                error = RefusalText(state);
            } else {
                error = std::string("Cannot decode JPEG: ") + state.errors.message;
                if (state.errors.warnings[0])
                    error += std::string(" (after: ") + state.errors.warnings + ")";
            }
            return false;
        }
        out = std::move(state.image);
    } catch (const std::exception& e) {
        error = std::string("Cannot decode JPEG: ") + e.what();
        return false;
    }
    return true;
}

}  // namespace

// One strip of a large image (see JpegStrips.cpp).
bool EncodeJpegStrip(const Bitmap& bitmap, int quality, int firstRow, int rowCount,
                     std::vector<uint8_t>& out, std::string& error) {
    try {
        EncodeState state;
        PreparePaletteExpansion(state, bitmap);
        state.firstRow = firstRow;
        state.rowCount = rowCount;
        state.restartEachRow = true;
        out.assign(std::max<size_t>(bitmap.Stride() * static_cast<size_t>(rowCount) / 16, 4096), 0);
        state.vector.out = &out;
        if (!EncodeProtected(state, bitmap, quality, nullptr)) {
            error = std::string("Cannot encode JPEG: ") + state.errors.message;
            return false;
        }
        out.shrink_to_fit();  // it may wait a while for its turn
    } catch (const std::exception& e) {
        error = std::string("Cannot encode JPEG: ") + e.what();
        return false;
    }
    return true;
}

bool DecodeJpeg(std::span<const uint8_t> data, Bitmap& out, std::string& error) {
    return DecodeJpeg(data, out, error, JpegDecodeLimits{});
}

bool DecodeJpeg(std::span<const uint8_t> data, Bitmap& out, std::string& error,
                const JpegDecodeLimits& limits) {
    return Decode({data, nullptr, data.size()}, out, error, limits);
}

bool ReadJpegFile(const std::filesystem::path& path, Bitmap& out, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "Cannot open " + DisplayPath(path) + ": " + std::strerror(errno);
        return false;
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    const bool decoded = !ec && Decode({{}, file, size}, out, error, JpegDecodeLimits{});
    std::fclose(file);
    if (ec)
        error = "Cannot read " + DisplayPath(path) + ": " + ec.message();
    else if (!decoded)
        error = DisplayPath(path) + ": " + error;
    return decoded;
}

bool EncodeJpeg(const Bitmap& bitmap, int quality, std::vector<uint8_t>& out, std::string& error) {
    std::vector<uint8_t> encoded;
    if (!Encode(bitmap, quality, nullptr, &encoded, error))
        return false;
    out = std::move(encoded);
    return true;
}

bool WriteJpegFile(const std::filesystem::path& path, const Bitmap& bitmap, int quality,
                   std::string& error, const WriteProgress& progress) {
    if (!CheckEncodableSize(bitmap, error))
        return false;
    const bool strips = UsesJpegStrips(bitmap);
    return WriteFileAtomically(
        path,
        [&](std::FILE* file, std::string& writeError) {
            if (strips ? WriteJpegStrips(bitmap, quality, file, progress, writeError)
                       : Encode(bitmap, quality, file, nullptr, writeError, &progress))
                return true;
            writeError = "Cannot write " + DisplayPath(path) + ": " + writeError;
            return false;
        },
        error);
}

}  // namespace korvalen
