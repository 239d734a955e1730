#include "images/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "images/Palette.h"

namespace korvalen {
namespace {

const std::vector<Rgb>& DefaultPalette(PixelFormat format) {
    static const std::vector<Rgb> none;
    switch (format) {
        case PixelFormat::Bits8:
            return StandardPalette();
        case PixelFormat::Bits4:
            return VgaPalette();
        case PixelFormat::Bits24:
            break;
    }
    return none;
}

// White in one byte: all bits set for 24 and 4 bits, the palette's white for 8 bits.
uint8_t WhiteByte(PixelFormat format) {
    return format == PixelFormat::Bits8 ? StandardWhiteIndex() : 0xFF;
}

}  // namespace

size_t Bitmap::StrideFor(int width, PixelFormat format) {
    const size_t bits = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(format);
    return ((bits + 31) / 32) * 4;
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : Bitmap(width, height, format, Unfilled{}) {
    if (pixels_.size() > 0)
        std::memset(pixels_.data(), WhiteByte(format_), pixels_.size());
}

Bitmap::Bitmap(int width, int height, PixelFormat format, Unfilled) : format_(format) {
    if (format != PixelFormat::Bits4 && format != PixelFormat::Bits8 &&
        format != PixelFormat::Bits24)
        throw std::invalid_argument("unknown pixel format");
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
        throw std::length_error("bitmap size out of range");
    const size_t stride = StrideFor(width, format);
    if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(height) > kMaxBytes)
        throw std::length_error("bitmap too large");
    width_ = width;
    height_ = height;
    stride_ = stride;
    palette_ = DefaultPalette(format);
    pixels_ = PixelBuffer(stride_ * static_cast<size_t>(height_));
}

void Bitmap::PadRow(int y) {
    const size_t used = PixelBytesPerRow();
    if (used < stride_)
        std::memset(Row(y) + used, WhiteByte(format_), stride_ - used);
}

void Bitmap::SetPalette(std::vector<Rgb> palette) {
    const size_t wanted = format_ == PixelFormat::Bits8   ? 256
                          : format_ == PixelFormat::Bits4 ? 16
                                                          : 0;
    if (palette.size() > wanted)
        palette.resize(wanted);
    palette.resize(wanted, Rgb{0, 0, 0});
    palette_ = std::move(palette);
}

bool Bitmap::HasStandardPalette() const {
    return palette_ == DefaultPalette(format_);
}

Rgb Bitmap::PixelAt(int x, int y) const {
    const uint8_t* row = Row(y);
    switch (format_) {
        case PixelFormat::Bits24:
            return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        case PixelFormat::Bits8:
            return palette_[row[x]];
        case PixelFormat::Bits4: {
            uint8_t byte = row[x / 2];
            return palette_[(x & 1) ? (byte & 0x0F) : (byte >> 4)];
        }
    }
    return {};
}

uint8_t Bitmap::NearestIndex(Rgb c) const {
    // The fixed palettes go through the same lookup tables as whole-bitmap conversion, so a
    // pixel set here equals the same colour converted.
    if (HasStandardPalette()) {
        if (format_ == PixelFormat::Bits8)
            return StandardIndexOf(c.r, c.g, c.b);
        if (format_ == PixelFormat::Bits4)
            return VgaIndexOf(c.r, c.g, c.b);
    }
    return NearestPaletteIndex(palette_, c);
}

void Bitmap::SetPixel(int x, int y, Rgb c) {
    uint8_t* row = Row(y);
    switch (format_) {
        case PixelFormat::Bits24:
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
            break;
        case PixelFormat::Bits8:
            row[x] = NearestIndex(c);
            break;
        case PixelFormat::Bits4: {
            uint8_t index = NearestIndex(c);
            uint8_t& byte = row[x / 2];
            byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | index)
                           : static_cast<uint8_t>((byte & 0x0F) | (index << 4));
            break;
        }
    }
}

void Bitmap::Fill(Rgb c) {
    if (IsEmpty())
        return;
    switch (format_) {
        case PixelFormat::Bits24:
            for (int x = 0; x < width_; ++x)
                SetPixel(x, 0, c);
            break;
        case PixelFormat::Bits8:
            std::memset(Row(0), NearestIndex(c), stride_);
            break;
        case PixelFormat::Bits4: {
            uint8_t index = NearestIndex(c);
            std::memset(Row(0), index | (index << 4), stride_);
            break;
        }
    }
    for (int y = 1; y < height_; ++y)
        std::memcpy(Row(y), Row(0), stride_);
}

void Bitmap::Resize(int width, int height) {
    if (width == width_ && height == height_)
        return;
    Bitmap resized(width, height, format_);
    resized.palette_ = palette_;
    if (format_ != PixelFormat::Bits24 && !HasStandardPalette())
        resized.Fill({255, 255, 255});
    const int rows = std::min(height, height_);
    const int columns = std::min(width, width_);
    if (columns > 0) {
        const size_t fullBytes = static_cast<size_t>(columns) * BitsPerPixel() / 8;
        const bool oddNibble = format_ == PixelFormat::Bits4 && (columns & 1);
        for (int y = 0; y < rows; ++y) {
            uint8_t* to = resized.Row(y);
            const uint8_t* from = Row(y);
            std::memcpy(to, from, fullBytes);
            if (oddNibble)
                to[fullBytes] =
                    static_cast<uint8_t>((from[fullBytes] & 0xF0) | (to[fullBytes] & 0x0F));
        }
    }
    *this = std::move(resized);
}

}  // namespace korvalen
