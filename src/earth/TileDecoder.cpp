#include "earth/TileDecoder.h"

#include <png.h>

#include <cstring>

#include "images/JpegCodec.h"
#include "images/PixelConvert.h"

namespace korvalen {
namespace {

bool DecodePngTile(std::span<const uint8_t> data, Bitmap& out, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
        error = std::string("bad PNG tile: ") + image.message;
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxTileSide ||
        image.height > kMaxTileSide) {
        png_image_free(&image);
        error = "PNG tile of " + std::to_string(image.width) + " x " +
                std::to_string(image.height) + " pixels refused";
        return false;
    }
    image.format = PNG_FORMAT_BGR;
    Bitmap bitmap(static_cast<int>(image.width), static_cast<int>(image.height),
                  PixelFormat::Bits24);
    // Transparent parts are put on white, like the view's background.
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&image, &white, bitmap.Row(0),
                               static_cast<png_int_32>(bitmap.Stride()), nullptr)) {
        error = std::string("bad PNG tile: ") + image.message;
        png_image_free(&image);
        return false;
    }
    out = std::move(bitmap);
    return true;
}

}  // namespace

bool DecodeTile(std::span<const uint8_t> data, Bitmap& out, std::string& error) {
    static constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G'};
    if (data.size() >= 4 && std::memcmp(data.data(), kPngSignature, 4) == 0)
        return DecodePngTile(data, out, error);
    if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
        JpegDecodeLimits limits;
        limits.maxBitmapBytes = uint64_t{kMaxTileSide} * kMaxTileSide * 3 + kMaxTileSide * 4;
        limits.maxScans = 50;
        Bitmap bitmap;
        if (!DecodeJpeg(data, bitmap, error, limits))
            return false;
        if (bitmap.Width() > kMaxTileSide || bitmap.Height() > kMaxTileSide) {
            error = "JPEG tile too large";
            return false;
        }
        out = std::move(bitmap);
        return true;
    }
    error = "a tile that is neither PNG nor JPEG";
    return false;
}

bool EncodePngTile(const Bitmap& bitmap, std::vector<uint8_t>& out, std::string& error) {
    if (bitmap.IsEmpty()) {
        error = "an empty tile";
        return false;
    }
    const Bitmap rgb = bitmap.Format() == PixelFormat::Bits24
                           ? bitmap
                           : ConvertPixelFormat(bitmap, PixelFormat::Bits24);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(rgb.Width());
    image.height = static_cast<png_uint_32>(rgb.Height());
    image.format = PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    const auto stride = static_cast<png_int_32>(rgb.Stride());
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.Row(0), stride, nullptr)) {
        error = std::string("PNG encoding failed: ") + image.message;
        return false;
    }
    out.resize(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.Row(0), stride, nullptr)) {
        error = std::string("PNG encoding failed: ") + image.message;
        return false;
    }
    out.resize(size);
    return true;
}

}  // namespace korvalen
