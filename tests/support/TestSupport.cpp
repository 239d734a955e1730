#include "support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace korvalen::test {

TempDir::TempDir() {
    std::random_device rd;
    for (;;) {
        auto candidate =
            std::filesystem::temp_directory_path() / ("korvalen-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        if (output)
            output->append(buffer, n);
    }
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) {
    return RunCommand("command -v '" + name + "' >/dev/null 2>&1") == 0;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!(a.PixelAt(x, y) == b.PixelAt(x, y)))
                return false;
    return true;
}

Bitmap MakeTestPicture(int width, int height, unsigned seed) {
    Bitmap picture(width, height, PixelFormat::Bits24);
    std::mt19937 random(seed);
    const int blobs = 12;
    std::vector<int> bx(blobs), by(blobs), br(blobs);
    for (int i = 0; i < blobs; ++i) {
        bx[i] = static_cast<int>(random() % static_cast<unsigned>(width));
        by[i] = static_cast<int>(random() % static_cast<unsigned>(height));
        br[i] = 3 + static_cast<int>(random() % 20u);
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x) {
            int r = (x * 255) / (width > 1 ? width - 1 : 1);
            int g = (y * 255) / (height > 1 ? height - 1 : 1);
            int b = ((x + y) * 7 + static_cast<int>(seed) * 31) & 255;
            for (int i = 0; i < blobs; ++i) {
                int dx = x - bx[i], dy = y - by[i];
                if (dx * dx + dy * dy < br[i] * br[i]) {
                    r = 255 - r;
                    b = (i * 40) & 255;
                }
            }
            row[3 * x] = static_cast<uint8_t>(b);
            row[3 * x + 1] = static_cast<uint8_t>(g);
            row[3 * x + 2] = static_cast<uint8_t>(r);
        }
    }
    return picture;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace korvalen::test
