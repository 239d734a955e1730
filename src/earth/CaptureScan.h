#pragma once

#include <vector>

#include "earth/EarthApplication.h"
#include "geo/CalibPoints.h"
#include "images/Bitmap.h"

namespace korvalen {

// What the scan needs from the window that shows the view: its size, a copy of what it
// shows, and a way to let the window breathe and hear its buttons.
class CaptureHost {
public:
    virtual ~CaptureHost() = default;
    virtual int ViewWidth() const = 0;
    virtual int ViewHeight() const = 0;
    // Renders the view into bitmap, whose size and pixel format the caller has set.
    virtual bool CaptureView(Bitmap& bitmap) = 0;
    // Lets pending events run for about ms milliseconds (0: once).
    virtual void Wait(int ms) = 0;
    // "_Break_": ends the scan at its next check.
    virtual bool BreakRequested() = 0;
    // "Break streaming": ends one wait for the view to be drawn.
    virtual bool StreamingBroken() = 0;
    virtual void ResetStreamingBroken() {}
    // Progress for the form; all optional.
    virtual void ShowPosition(int row, int col) {}
    virtual void ShowProgressGrid(int row, int col) {}
    // percent < 0 hides the streaming indicators.
    virtual void ShowStreaming(int percent) {}
};

struct ScanRequest {
    int Rows = 1;
    int Cols = 1;
    int OverlapPercent = 10;
    PixelFormat Format = PixelFormat::Bits24;
    // Pause after the view reports itself drawn, for backends that draw a moment later.
    int SettleMs = 100;
    // How often the streaming percentage is read.
    int PollMs = 20;
};

// Where one capture's top-left corner lies in the result.
struct tScanImage {
    int X = 0;
    int Y = 0;
};

struct ScanOutcome {
    bool Completed = false;
    std::vector<tScanImage> ScanImages;  // in scan order: index (row-1) x Cols + (col-1)
};

// Sizes the result map for the grid; false when it would be larger than a bitmap may be.
bool PrepareResultMap(const ScanRequest& request, int viewWidth, int viewHeight, Bitmap& resultMap,
                      std::string& error);

// Walks the camera over the grid row by row from the view the camera shows now (the first
// image), copies each view into resultMap (already sized by PrepareResultMap) and sets the
// calibration points the captures supply. A cancel keeps what was captured and the points
// reached. Raises EarthError when the globe fails.
ScanOutcome RunCaptureScan(EarthApplication& earth, CaptureHost& host, const ScanRequest& request,
                           Bitmap& resultMap, CalibPoints& points);

// Waits until the view reports itself drawn, the streaming is broken or the scan cancelled;
// shows the percentage when `show` is set. True when drawn.
bool WaitUntilDrawn(EarthApplication& earth, CaptureHost& host, const ScanRequest& request,
                    bool show);

}  // namespace korvalen
