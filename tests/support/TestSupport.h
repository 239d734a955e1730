#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Runs a shell command; gives its exit code (and its standard output when asked).
int RunCommand(const std::string& command, std::string* output = nullptr);
// True when a program is on the PATH (ImageMagick's convert, cjpeg, ...).
bool HaveProgram(const std::string& name);

// A 24-bit test picture with smooth gradients and sharp edges, the same for a given seed.
Bitmap MakeTestPicture(int width, int height, unsigned seed = 1);

// Same size and the same colour at every pixel.
bool SamePixels(const Bitmap& a, const Bitmap& b);
// The same pixel format and the same pixels.
inline bool SameBitmap(const Bitmap& a, const Bitmap& b) {
    return a.Format() == b.Format() && SamePixels(a, b);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);

}  // namespace korvalen::test
