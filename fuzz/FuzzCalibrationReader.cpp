// Reading a calibration file back: the first byte chooses the format (1 to 7), the rest is
// the file. Any bytes must parse or fail cleanly, and what parses must stay within bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "geo/CalibrationReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int format = 1 + data[0] % korvalen::kFormatCount;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    korvalen::CalibrationFileContent content;
    std::string error;
    if (korvalen::ParseCalibrationText(text, format, content, error)) {
        if (content.points.size() > 200)
            std::abort();
    } else if (error.empty()) {
        std::abort();  // every refusal says why
    }
    return 0;
}
