// The points file of korvalen-cli calibrate: any bytes must parse or fail cleanly, and every
// table built from what parses must write every calibration format without fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geo/CalibPointsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<korvalen::CalibPointInput> inputs;
    std::string error;
    if (!korvalen::ParseCalibPointsText(text, inputs, error))
        return 0;
    korvalen::CalibPoints points;
    korvalen::BuildCalibPoints(inputs, 1000, 800, points, error);
    std::vector<korvalen::CalibPointInput> bounds;
    korvalen::ParseBounds(text, bounds, error);
    return 0;
}
