#include <cerrno>
#include <cstdio>
#include <cstring>

#include "images/BmpCodec.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

constexpr uint32_t kHeadersSize = 14 + 40;

size_t PaletteEntries(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bits4:
            return 16;
        case PixelFormat::Bits8:
            return 256;
        case PixelFormat::Bits24:
            break;
    }
    return 0;
}

void Put16(std::vector<uint8_t>& to, uint32_t value) {
    to.push_back(static_cast<uint8_t>(value));
    to.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& to, uint32_t value) {
    Put16(to, value & 0xFFFF);
    Put16(to, value >> 16);
}

// File header, info header and palette.
std::vector<uint8_t> MakeHeaders(const Bitmap& bitmap) {
    const size_t entries = PaletteEntries(bitmap.Format());
    const uint32_t dataOffset = static_cast<uint32_t>(kHeadersSize + 4 * entries);
    const uint64_t fileSize = BmpFileSize(bitmap.Width(), bitmap.Height(), bitmap.Format());
    std::vector<uint8_t> headers;
    headers.reserve(dataOffset);
    headers.push_back('B');
    headers.push_back('M');
    Put32(headers, static_cast<uint32_t>(fileSize));
    Put32(headers, 0);
    Put32(headers, dataOffset);
    Put32(headers, 40);
    Put32(headers, static_cast<uint32_t>(bitmap.Width()));
    Put32(headers, static_cast<uint32_t>(bitmap.Height()));  // positive: bottom-up
    Put16(headers, 1);
    Put16(headers, static_cast<uint32_t>(bitmap.BitsPerPixel()));
    Put32(headers, 0);  // uncompressed
    Put32(headers, static_cast<uint32_t>(fileSize - dataOffset));
    Put32(headers, 0);  // no resolution
    Put32(headers, 0);
    Put32(headers, static_cast<uint32_t>(entries));
    Put32(headers, 0);
    for (size_t i = 0; i < entries; ++i) {
        const Rgb c = i < bitmap.Palette().size() ? bitmap.Palette()[i] : Rgb{};
        headers.insert(headers.end(), {c.b, c.g, c.r, 0});
    }
    return headers;
}

bool CheckWritable(const Bitmap& bitmap, std::string& error) {
    if (bitmap.IsEmpty()) {
        error = "cannot write an empty bitmap";
        return false;
    }
    if (BmpFileSize(bitmap.Width(), bitmap.Height(), bitmap.Format()) > kMaxBmpFileSize) {
        error = "image too large for a Windows bitmap file (more than 4 GiB)";
        return false;
    }
    return true;
}

// Row y as written to the file: the bitmap's own row, or a copy in scratch whose padding
// is cleared so that files do not depend on what the padding bytes held.
const uint8_t* FileRow(const Bitmap& bitmap, int y, std::vector<uint8_t>& scratch) {
    const size_t usedBits = static_cast<size_t>(bitmap.Width()) * bitmap.BitsPerPixel();
    const size_t fullBytes = usedBits / 8;
    if (fullBytes == bitmap.Stride())
        return bitmap.Row(y);
    scratch.assign(bitmap.Stride(), 0);
    std::memcpy(scratch.data(), bitmap.Row(y), fullBytes);
    if (usedBits % 8)
        scratch[fullBytes] = bitmap.Row(y)[fullBytes] & 0xF0;  // odd 4-bit width
    return scratch.data();
}

}  // namespace

uint64_t BmpFileSize(int width, int height, PixelFormat format) {
    const uint64_t rows = height > 0 ? static_cast<uint64_t>(height) : 0;
    return kHeadersSize + 4 * PaletteEntries(format) + Bitmap::StrideFor(width, format) * rows;
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap) {
    std::string error;
    if (!CheckWritable(bitmap, error))
        return {};
    std::vector<uint8_t> file = MakeHeaders(bitmap);
    file.reserve(BmpFileSize(bitmap.Width(), bitmap.Height(), bitmap.Format()));
    std::vector<uint8_t> scratch;
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        const uint8_t* row = FileRow(bitmap, y, scratch);
        file.insert(file.end(), row, row + bitmap.Stride());
    }
    return file;
}

bool WriteBmpFile(const std::filesystem::path& path, const Bitmap& bitmap, std::string& error,
                  const WriteProgress& progress) {
    if (!CheckWritable(bitmap, error)) {
        error = DisplayPath(path) + ": " + error;
        return false;
    }
    const std::vector<uint8_t> headers = MakeHeaders(bitmap);
    return WriteFileAtomically(
        path,
        [&](std::FILE* out, std::string& writeError) {
            bool ok = std::fwrite(headers.data(), 1, headers.size(), out) == headers.size();
            std::vector<uint8_t> scratch;
            const int height = bitmap.Height();
            for (int y = height - 1; ok && y >= 0; --y) {
                ok = std::fwrite(FileRow(bitmap, y, scratch), 1, bitmap.Stride(), out) ==
                     bitmap.Stride();
                if (ok && progress && !progress(height - y, height)) {
                    writeError = "Cannot write " + DisplayPath(path) + ": the write was cancelled";
                    return false;
                }
            }
            if (!ok)
                writeError = "Cannot write " + DisplayPath(path) + ": " + std::strerror(errno);
            return ok;
        },
        error);
}

}  // namespace korvalen
