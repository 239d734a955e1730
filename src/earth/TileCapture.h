#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "earth/CaptureScan.h"
#include "earth/TileMapView.h"

namespace korvalen {

// The scan's host for a map view without a window (the command line, tests, benchmarks):
// waits by sleeping and copies the view by drawing it.
class TileCaptureHost : public CaptureHost {
public:
    explicit TileCaptureHost(TileMapView& view) : view_(view) {}
    int ViewWidth() const override { return view_.Width(); }
    int ViewHeight() const override { return view_.Height(); }
    bool CaptureView(Bitmap& bitmap) override { return view_.Render(bitmap); }
    void Wait(int ms) override;
    bool BreakRequested() override { return false; }
    bool StreamingBroken() override { return false; }

private:
    TileMapView& view_;
};

// Frames an area as "Map" does, for a capture of rows x cols views: the camera is put at
// the altitude whose grid covers the whole area, with the grid's north-west corner on the
// area's, and then on the first image. Gives the extents of the first image.
struct CaptureFrame {
    double MapAltitude = 0;
    double ImageAltitude = 0;
};
CaptureFrame FrameArea(EarthApplication& earth, const ViewGeometry& geometry,
                       const ViewExtents& area, int rows, int cols, int overlapPercent);

// The whole capture as the command line runs it: frame, size the result, scan. False with a
// message when the map would be too large or the view failed.
struct CaptureJob {
    ViewExtents Area;
    int Rows = 1, Cols = 1, OverlapPercent = 10;
    PixelFormat Format = PixelFormat::Bits24;
    int SettleMs = 0;
};
// Tiles that could not be read while the views were taken (the view draws them as
// background), and why the last one failed.
struct CaptureReport {
    size_t FailedTiles = 0;
    std::string LastTileError;
};
bool RunTileCapture(TileMapView& view, const CaptureJob& job, Bitmap& result, CalibPoints& points,
                    std::string& error, CaptureReport* report = nullptr);

// Waits until the view's source can deliver (a tile server has answered once, or tiles of
// the view were found in its cache). False with a message when it cannot be reached for
// any tile of the view, or gives no answer within the limit.
bool WaitForTileSource(TileMapView& view, std::chrono::milliseconds limit, std::string& error);

}  // namespace korvalen
