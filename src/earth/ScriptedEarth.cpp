#include "earth/ScriptedEarth.h"

namespace korvalen {

Rgb ScriptedCaptureHost::ColourFor(const CameraInfo&, int captureIndex) {
    return {static_cast<uint8_t>(20 + 20 * (captureIndex % 10)),
            static_cast<uint8_t>(20 + 20 * (captureIndex / 10 % 10)), 77};
}

bool ScriptedCaptureHost::CaptureView(Bitmap& bitmap) {
    bitmap.Fill(ColourFor(earth_.camera, captures));
    ++captures;
    if (cancelAfterCaptures >= 0 && captures >= cancelAfterCaptures)
        cancelled = true;
    return true;
}

}  // namespace korvalen
