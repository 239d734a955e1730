#include "geo/MapImageSize.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace korvalen {
namespace {

uint32_t Le(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

bool BmpSize(std::ifstream& in, int& width, int& height) {
    unsigned char h[26] = {};
    if (!in.read(reinterpret_cast<char*>(h), sizeof h))
        return false;
    const uint32_t headerSize = Le(h + 14, 4);
    if (headerSize == 12) {  // core header: 16-bit sizes
        width = static_cast<int>(Le(h + 18, 2));
        height = static_cast<int>(Le(h + 20, 2));
        return true;
    }
    const int32_t w = static_cast<int32_t>(Le(h + 18, 4));
    const int32_t hh = static_cast<int32_t>(Le(h + 22, 4));
    if (w <= 0 || hh == INT32_MIN)
        return false;
    width = w;
    height = std::abs(hh);  // negative: top-down
    return true;
}

// Walks the markers up to the first start of frame.
bool JpegSize(std::ifstream& in, int& width, int& height) {
    in.seekg(2);
    for (int segments = 0; segments < 10000; ++segments) {
        int c = in.get();
        while (c != EOF && c != 0xFF)
            c = in.get();  // tolerate junk between segments
        while (c == 0xFF)
            c = in.get();
        if (c == EOF || c == 0xD9 || c == 0xDA)
            return false;  // end of image or scan before any frame header
        if (c == 0x01 || (c >= 0xD0 && c <= 0xD7))
            continue;  // markers without a length
        unsigned char len[2];
        if (!in.read(reinterpret_cast<char*>(len), 2))
            return false;
        const int length = (len[0] << 8) | len[1];
        if (length < 2)
            return false;
        const bool frame = c >= 0xC0 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC;
        if (frame) {
            unsigned char f[5];
            if (length < 7 || !in.read(reinterpret_cast<char*>(f), 5))
                return false;
            height = (f[1] << 8) | f[2];
            width = (f[3] << 8) | f[4];
            return width > 0 && height > 0;
        }
        in.seekg(length - 2, std::ios::cur);
        if (!in)
            return false;
    }
    return false;
}

}  // namespace

bool ReadDeclaredImageSize(const std::filesystem::path& path, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    unsigned char magic[2] = {};
    if (!in || !in.read(reinterpret_cast<char*>(magic), 2))
        return false;
    in.seekg(0);
    if (magic[0] == 'B' && magic[1] == 'M')
        return BmpSize(in, width, height);
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        return JpegSize(in, width, height);
    return false;
}

}  // namespace korvalen
