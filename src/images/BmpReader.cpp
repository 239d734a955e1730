#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "images/BmpCodec.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kCompressionAlphaBitFields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// File header, the largest info header, four masks and a full palette all fit in this.
constexpr size_t kHeadBytes = 2048;

std::string Printf(const char* format, ...) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One colour channel of a 16- or 32-bit pixel, scaled from its mask width to 8 bits.
class Channel {
public:
    explicit Channel(uint32_t mask) : mask_(mask) {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        max_ = mask >> shift_;
        if (max_ <= 0xFFFF) {
            table_.resize(max_ + 1);
            for (uint32_t v = 0; v <= max_; ++v)
                table_[v] = ScaleSlow(v);
        }
    }
    uint8_t operator()(uint32_t pixel) const {
        const uint32_t value = (pixel & mask_) >> shift_;
        if (!table_.empty())
            return table_[value];
        return max_ ? ScaleSlow(value) : 0;
    }

private:
    uint8_t ScaleSlow(uint32_t value) const {
        return static_cast<uint8_t>((uint64_t{value} * 255 + max_ / 2) / max_);
    }
    uint32_t mask_ = 0;
    int shift_ = 0;
    uint32_t max_ = 0;
    std::vector<uint8_t> table_;
};

// What the headers say about the pixel data.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kCompressionRgb;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue
    std::vector<Rgb> palette;
    uint64_t dataOffset = 0;
    uint64_t dataSize = 0;  // bytes of pixel data available in the file
    uint64_t rowBytes = 0;  // one row of the file, padded to four bytes

    PixelFormat OutputFormat() const {
        return bits <= 4   ? PixelFormat::Bits4
               : bits == 8 ? PixelFormat::Bits8
                           : PixelFormat::Bits24;
    }
    bool IsRunLength() const {
        return compression == kCompressionRle8 || compression == kCompressionRle4;
    }
    // Bitmap row of the n-th row in the file.
    int BitmapRow(int fileRow) const { return topDown ? fileRow : height - 1 - fileRow; }
};

bool CheckCompression(const BmpLayout& layout, std::string& error) {
    switch (layout.compression) {
        case kCompressionRgb:
            return true;
        case kCompressionRle8:
            if (layout.bits == 8)
                return true;
            break;
        case kCompressionRle4:
            if (layout.bits == 4)
                return true;
            break;
        case kCompressionBitFields:
        case kCompressionAlphaBitFields:
            if (layout.bits == 16 || layout.bits == 32)
                return true;
            break;
        default:
            error = Printf("unsupported compression %u", layout.compression);
            return false;
    }
    error = Printf("unsupported compression %u with %d bits per pixel", layout.compression,
                   layout.bits);
    return false;
}

void SetDefaultMasks(BmpLayout& layout) {
    if (layout.bits == 16) {
        layout.masks[0] = 0x7C00;
        layout.masks[1] = 0x03E0;
        layout.masks[2] = 0x001F;
    } else {
        layout.masks[0] = 0xFF0000;
        layout.masks[1] = 0x00FF00;
        layout.masks[2] = 0x0000FF;
    }
}

// Reads the headers, masks and palette from the first bytes of a file of fileSize bytes.
bool ParseHeaders(std::span<const uint8_t> head, uint64_t fileSize, uint64_t maxBytes,
                  BmpLayout& layout, std::string& error) {
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') {
        error = "not a Windows bitmap";
        return false;
    }
    if (head.size() < kFileHeaderSize + 4) {
        error = "truncated file header";
        return false;
    }
    const uint32_t declaredOffset = Get32(&head[10]);
    const uint32_t headerSize = Get32(&head[14]);
    switch (headerSize) {
        case kCoreHeaderSize:
        case kInfoHeaderSize:
        case 52:
        case 56:
        case 108:
        case 124:
            break;
        default:
            error = Printf("unsupported bitmap header size %u", headerSize);
            return false;
    }
    if (head.size() < kFileHeaderSize + headerSize) {
        error = "truncated bitmap header";
        return false;
    }
    const uint8_t* info = &head[kFileHeaderSize];
    int64_t width, height;
    uint32_t colorsUsed = 0;
    uint64_t compressedSize = 0;
    const bool core = headerSize == kCoreHeaderSize;
    if (core) {
        width = Get16(info + 4);
        height = Get16(info + 6);
        layout.bits = Get16(info + 10);
    } else {
        width = static_cast<int32_t>(Get32(info + 4));
        height = static_cast<int32_t>(Get32(info + 8));
        layout.bits = Get16(info + 14);
        layout.compression = Get32(info + 16);
        compressedSize = Get32(info + 20);
        colorsUsed = Get32(info + 32);
    }
    layout.topDown = height < 0;
    if (height < 0)
        height = -height;
    if (width <= 0 || height <= 0) {
        error = Printf("invalid image size %lld x %lld", static_cast<long long>(width),
                       static_cast<long long>(height));
        return false;
    }
    if (width > Bitmap::kMaxSide || height > Bitmap::kMaxSide) {
        error = Printf("image too large: %lld x %lld pixels", static_cast<long long>(width),
                       static_cast<long long>(height));
        return false;
    }
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    switch (layout.bits) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            error = Printf("unsupported bit count %d", layout.bits);
            return false;
    }
    if (!CheckCompression(layout, error))
        return false;

    uint64_t paletteStart = kFileHeaderSize + headerSize;
    if (layout.compression == kCompressionBitFields ||
        layout.compression == kCompressionAlphaBitFields) {
        const uint8_t* masks = info + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) {
            // The masks follow a plain info header.
            const size_t maskBytes = layout.compression == kCompressionAlphaBitFields ? 16 : 12;
            if (head.size() < paletteStart + maskBytes) {
                error = "truncated colour masks";
                return false;
            }
            masks = &head[paletteStart];
            paletteStart += maskBytes;
        }
        for (int i = 0; i < 3; ++i)
            layout.masks[i] = Get32(masks + 4 * i);
        if (!layout.masks[0] && !layout.masks[1] && !layout.masks[2])
            SetDefaultMasks(layout);
    } else if (layout.bits > 8) {
        SetDefaultMasks(layout);
    }

    if (declaredOffset != 0 && declaredOffset < paletteStart) {
        error = Printf("pixel data offset %u lies inside the headers", declaredOffset);
        return false;
    }
    if (declaredOffset >= fileSize) {
        error = Printf("pixel data offset %u beyond the end of the file (%llu bytes)",
                       declaredOffset, static_cast<unsigned long long>(fileSize));
        return false;
    }

    uint64_t paletteEntries = 0;
    const size_t entrySize = core ? 3 : 4;
    if (layout.bits <= 8) {
        if (colorsUsed > 256) {
            error = Printf("palette of %u colours is too large", colorsUsed);
            return false;
        }
        const uint32_t full = 1u << layout.bits;
        paletteEntries = colorsUsed ? std::min(colorsUsed, full) : full;
        // Writers that store fewer entries than the bit count allows say so by the offset.
        if (declaredOffset != 0)
            paletteEntries =
                std::min<uint64_t>(paletteEntries, (declaredOffset - paletteStart) / entrySize);
        if (paletteStart + paletteEntries * entrySize > head.size()) {
            error = "truncated palette";
            return false;
        }
        layout.palette.reserve(paletteEntries);
        for (uint64_t i = 0; i < paletteEntries; ++i) {
            const uint8_t* entry = &head[paletteStart + i * entrySize];
            layout.palette.push_back({entry[2], entry[1], entry[0]});
        }
    }

    layout.dataOffset = declaredOffset ? declaredOffset : paletteStart + paletteEntries * entrySize;
    if (layout.dataOffset >= fileSize) {
        error = "truncated: no pixel data";
        return false;
    }
    layout.dataSize = fileSize - layout.dataOffset;

    const uint64_t bitmapBytes =
        Bitmap::StrideFor(layout.width, layout.OutputFormat()) * uint64_t(layout.height);
    if (bitmapBytes > maxBytes || bitmapBytes > Bitmap::kMaxBytes) {
        error = Printf("image too large: %d x %d pixels", layout.width, layout.height);
        return false;
    }
    layout.rowBytes = (uint64_t(layout.width) * layout.bits + 31) / 32 * 4;
    if (layout.IsRunLength()) {
        if (compressedSize && compressedSize < layout.dataSize)
            layout.dataSize = compressedSize;
    } else if (layout.dataSize < layout.rowBytes * uint64_t(layout.height)) {
        error = Printf("truncated pixel data (%llu of %llu bytes)",
                       static_cast<unsigned long long>(layout.dataSize),
                       static_cast<unsigned long long>(layout.rowBytes * layout.height));
        return false;
    }
    return true;
}

// The pixel data of a file, in file order, from memory or from an open file.
class PixelSource {
public:
    virtual ~PixelSource() = default;
    // Copies the next size bytes; false when the data ends first.
    virtual bool Read(uint8_t* to, size_t size) = 0;
    // The next size bytes as one block (the compressed data).
    virtual bool Block(size_t size, std::span<const uint8_t>& block) = 0;
};

class MemorySource : public PixelSource {
public:
    explicit MemorySource(std::span<const uint8_t> data) : data_(data) {}
    bool Read(uint8_t* to, size_t size) override {
        if (size > data_.size() - position_)
            return false;
        std::memcpy(to, data_.data() + position_, size);
        position_ += size;
        return true;
    }
    bool Block(size_t size, std::span<const uint8_t>& block) override {
        if (size > data_.size() - position_)
            return false;
        block = data_.subspan(position_, size);
        position_ += size;
        return true;
    }

private:
    std::span<const uint8_t> data_;
    size_t position_ = 0;
};

class FileSource : public PixelSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    bool Read(uint8_t* to, size_t size) override { return std::fread(to, 1, size, file_) == size; }
    bool Block(size_t size, std::span<const uint8_t>& block) override {
        buffer_.resize(size);
        if (!Read(buffer_.data(), size))
            return false;
        block = buffer_;
        return true;
    }

private:
    std::FILE* file_;
    std::vector<uint8_t> buffer_;
};

void ExpandOneBitRow(const uint8_t* from, int width, uint8_t* to) {
    for (int x = 0; x < width; x += 2) {
        const int first = (from[x >> 3] >> (7 - (x & 7))) & 1;
        const int second = x + 1 < width ? (from[(x + 1) >> 3] >> (6 - (x & 7))) & 1 : 0;
        to[x >> 1] = static_cast<uint8_t>((first << 4) | second);
    }
}

bool DecodeUncompressed(const BmpLayout& layout, PixelSource& source, Bitmap& bitmap,
                        std::string& error) {
    // 4, 8 and 24-bit rows have the same layout in the file and in the bitmap.
    const bool direct = layout.bits == 4 || layout.bits == 8 || layout.bits == 24;
    std::vector<uint8_t> row(direct ? 0 : layout.rowBytes);
    const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
    for (int fileRow = 0; fileRow < layout.height; ++fileRow) {
        uint8_t* to = bitmap.Row(layout.BitmapRow(fileRow));
        if (!source.Read(direct ? to : row.data(), layout.rowBytes)) {
            error = "truncated pixel data";
            return false;
        }
        if (direct)
            continue;
        const uint8_t* from = row.data();
        switch (layout.bits) {
            case 1:
                ExpandOneBitRow(from, layout.width, to);
                break;
            case 16:
                for (int x = 0; x < layout.width; ++x, to += 3) {
                    const uint32_t pixel = Get16(from + 2 * x);
                    to[0] = blue(pixel);
                    to[1] = green(pixel);
                    to[2] = red(pixel);
                }
                break;
            case 32:
                for (int x = 0; x < layout.width; ++x, to += 3) {
                    const uint32_t pixel = Get32(from + 4 * x);
                    to[0] = blue(pixel);
                    to[1] = green(pixel);
                    to[2] = red(pixel);
                }
                break;
        }
    }
    return true;
}

void SetIndex(Bitmap& bitmap, bool fourBits, int x, int y, uint8_t index) {
    uint8_t* row = bitmap.Row(y);
    if (!fourBits) {
        row[x] = index;
    } else if (x & 1) {
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
    } else {
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (index << 4));
    }
}

// RLE8 and RLE4: runs of one index, absolute runs, end of line, end of bitmap and delta.
// Pixels the data never reaches keep index 0. Some encoders also fill the row's padding, so
// runs may reach into it; those pixels are dropped.
bool DecodeRunLength(const BmpLayout& layout, std::span<const uint8_t> data, Bitmap& bitmap,
                     std::string& error) {
    std::memset(bitmap.Row(0), 0, bitmap.ByteSize());
    const bool fourBits = layout.compression == kCompressionRle4;
    const int width = layout.width;
    const int paddedWidth = static_cast<int>(fourBits ? 2 * layout.rowBytes : layout.rowBytes);
    const int height = layout.height;
    int x = 0;
    int row = 0;  // counted from the first row in the file
    size_t p = 0;
    // Index i of a run: RLE4 packs two indices a byte, the first in the high nibble.
    const auto indexAt = [fourBits](const uint8_t* bytes, int i) -> uint8_t {
        if (!fourBits)
            return bytes[i];
        const uint8_t byte = bytes[i / 2];
        return (i & 1) ? (byte & 0x0F) : (byte >> 4);
    };
    const auto paint = [&](int pixels, const uint8_t* bytes, bool repeat) {
        if (pixels > paddedWidth - x) {
            error = Printf("run-length run past the end of row %d", row);
            return false;
        }
        const int y = layout.BitmapRow(row);
        for (int i = 0; i < pixels && x + i < width; ++i)
            SetIndex(bitmap, fourBits, x + i, y, indexAt(bytes, repeat ? (i & 1) : i));
        x += pixels;
        return true;
    };
    while (row < height) {
        if (data.size() - p < 2) {
            // Data that stops right after the last pixel only lacks its end marker.
            if (row == height - 1 && x >= width)
                return true;
            error = "truncated run-length data";
            return false;
        }
        const int count = data[p];
        const uint8_t value = data[p + 1];
        p += 2;
        if (count > 0) {
            const uint8_t repeated[2] = {value, value};
            if (!paint(count, repeated, true))
                return false;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++row;
                break;
            case 1:  // end of bitmap
                return true;
            case 2:  // delta: move right and up
                if (data.size() - p < 2) {
                    error = "truncated run-length data";
                    return false;
                }
                x += data[p];
                row += data[p + 1];
                p += 2;
                if (x > paddedWidth || row > height || (row == height && x > 0)) {
                    error = "run-length delta moves past the end of the image";
                    return false;
                }
                break;
            default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
                const size_t bytes = fourBits ? (value + 1) / 2 : value;
                if (data.size() - p < bytes) {
                    error = "truncated run-length data";
                    return false;
                }
                if (!paint(value, &data[p], false))
                    return false;
                p += std::min(bytes + (bytes & 1), data.size() - p);
                break;
            }
        }
    }
    return true;
}

bool DecodePixels(const BmpLayout& layout, PixelSource& source, Bitmap& out, std::string& error) {
    Bitmap bitmap;
    try {
        bitmap = Bitmap(layout.width, layout.height, layout.OutputFormat());
    } catch (const std::bad_alloc&) {
        error = Printf("not enough memory for %d x %d pixels", layout.width, layout.height);
        return false;
    } catch (const std::length_error&) {
        error = Printf("image too large: %d x %d pixels", layout.width, layout.height);
        return false;
    }
    if (layout.bits <= 8)
        bitmap.SetPalette(layout.palette);  // missing entries are black
    if (layout.IsRunLength()) {
        std::span<const uint8_t> data;
        if (!source.Block(layout.dataSize, data)) {
            error = "truncated run-length data";
            return false;
        }
        if (!DecodeRunLength(layout, data, bitmap, error))
            return false;
    } else if (!DecodeUncompressed(layout, source, bitmap, error)) {
        return false;
    }
    out = std::move(bitmap);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool DecodeBmp(std::span<const uint8_t> data, Bitmap& out, std::string& error, uint64_t maxBytes) {
    BmpLayout layout;
    if (!ParseHeaders(data.first(std::min(data.size(), kHeadBytes)), data.size(), maxBytes, layout,
                      error))
        return false;
    MemorySource source(data.subspan(layout.dataOffset));
    return DecodePixels(layout, source, out, error);
}

bool ReadBmpFile(const std::filesystem::path& path, Bitmap& out, std::string& error,
                 uint64_t maxBytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "Cannot open " + DisplayPath(path) + ": " + std::strerror(errno);
        return false;
    }
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "Cannot read " + DisplayPath(path) + ": " + ec.message();
        return false;
    }
    std::vector<uint8_t> head(std::min<uint64_t>(fileSize, kHeadBytes));
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    BmpLayout layout;
    bool ok = ParseHeaders(head, fileSize, maxBytes, layout, error);
    if (ok && fseeko(file.get(), static_cast<off_t>(layout.dataOffset), SEEK_SET) != 0) {
        error = std::string("cannot seek: ") + std::strerror(errno);
        ok = false;
    }
    if (ok) {
        FileSource source(file.get());
        ok = DecodePixels(layout, source, out, error);
    }
    if (!ok)
        error = DisplayPath(path) + ": " + error;
    return ok;
}

}  // namespace korvalen
