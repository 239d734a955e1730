#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "images/PixelMemory.h"

namespace korvalen {

// Pixel formats of single maps and result maps. The value is the bit count.
enum class PixelFormat : uint8_t { Bits4 = 4, Bits8 = 8, Bits24 = 24 };

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A device-independent bitmap held top-down in memory.
// 24 bits: three bytes per pixel in the order blue, green, red.
// 8 bits: one palette index per pixel.
// 4 bits: two palette indices per byte, the left pixel in the high nibble.
// Rows are padded to a multiple of four bytes, as in a Windows bitmap, so a row
// can be written to or read from a file as it stands.
class Bitmap {
public:
    Bitmap() = default;  // empty: 0 x 0, 24 bits
    Bitmap(const Bitmap&) = default;
    Bitmap& operator=(const Bitmap&) = default;
    // A bitmap moved from is left empty, never claiming a size without pixels.
    Bitmap(Bitmap&& other) noexcept { *this = std::move(other); }
    Bitmap& operator=(Bitmap&& other) noexcept {
        if (this != &other) {
            width_ = std::exchange(other.width_, 0);
            height_ = std::exchange(other.height_, 0);
            format_ = std::exchange(other.format_, PixelFormat::Bits24);
            stride_ = std::exchange(other.stride_, 0);
            pixels_ = std::move(other.pixels_);
            palette_ = std::move(other.palette_);
            other.palette_.clear();
        }
        return *this;
    }
    // A white bitmap. 8-bit bitmaps get the standard palette, 4-bit ones the VGA palette.
    // Throws std::length_error beyond kMaxSide / kMaxBytes, std::invalid_argument for an
    // unknown format.
    Bitmap(int width, int height, PixelFormat format);
    // A bitmap whose pixels are not set, for a writer that sets every byte of every row,
    // padding included (see PadRow), before the bitmap is read or leaves the writer; a writer
    // that stops early discards it. Saves filling a large bitmap twice.
    struct Unfilled {};
    Bitmap(int width, int height, PixelFormat format, Unfilled);

    int Width() const { return width_; }
    int Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    int BitsPerPixel() const { return static_cast<int>(format_); }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }
    size_t Stride() const { return stride_; }
    size_t ByteSize() const { return pixels_.size(); }

    uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
    const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }

    // Palette of 8-bit (256 entries) and 4-bit (16 entries) bitmaps; empty for 24 bits.
    const std::vector<Rgb>& Palette() const { return palette_; }
    // Replaces the palette; the pixels keep their indices. The size must fit the format.
    void SetPalette(std::vector<Rgb> palette);
    // True when the palette is the program's standard one (8 bits) or VGA (4 bits).
    bool HasStandardPalette() const;

    // Colour of one pixel, whatever the format (slow; for tests and edges).
    Rgb PixelAt(int x, int y) const;
    // Palette index of the colour nearest to c in this bitmap's palette (palette formats only).
    uint8_t NearestIndex(Rgb c) const;
    // Sets one pixel to the colour nearest to c (slow; for tests and edges).
    void SetPixel(int x, int y, Rgb c);

    // Changes the size and keeps the pixels that still fit; new area is white.
    void Resize(int width, int height);
    // Fills the whole bitmap with the colour nearest to c.
    void Fill(Rgb c);
    // Sets the bytes of row y after its last whole pixel byte as a new bitmap has them.
    void PadRow(int y);
    // Bytes of a row that hold pixels (the rest, to Stride(), is padding).
    size_t PixelBytesPerRow() const {
        return (static_cast<size_t>(width_) * BitsPerPixel() + 7) / 8;
    }

    // Bytes per row for a width and format, padded to four bytes.
    static size_t StrideFor(int width, PixelFormat format);
    // Largest side and area a bitmap may have; readers refuse larger images.
    static constexpr int kMaxSide = 1 << 20;
    static constexpr uint64_t kMaxBytes = uint64_t{6} << 30;

private:
    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Bits24;
    size_t stride_ = 0;
    PixelBuffer pixels_;
    std::vector<Rgb> palette_;
};

}  // namespace korvalen
