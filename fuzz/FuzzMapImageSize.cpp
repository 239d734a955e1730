// The size a map file declares: any bytes must give a size or false, reading nothing beyond
// the file. The reader takes a path, so each input goes through a file of this process.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "geo/MapImageSize.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("korvalen-fuzz-size-" + std::to_string(getpid()));
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    int width = 0, height = 0;
    if (korvalen::ReadDeclaredImageSize(file, width, height) && (width <= 0 || height < 0))
        std::abort();
    return 0;
}
