#include "earth/TileCapture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "earth/CapturePlan.h"

namespace korvalen {

void TileCaptureHost::Wait(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

CaptureFrame FrameArea(EarthApplication& earth, const ViewGeometry& geometry,
                       const ViewExtents& area, int rows, int cols, int overlapPercent) {
    // One image must cover 1/(cells) of the area in each direction, the overlap included;
    // the framing view is max(rows, cols) images wide.
    const int w = geometry.Width, h = geometry.Height;
    const double spanX = ResultPixels(w, cols, overlapPercent) / static_cast<double>(w);
    const double spanY = ResultPixels(h, rows, overlapPercent) / static_cast<double>(h);
    const double imageLon = (area.East - area.West) / spanX;
    const double imageLat = (area.North - area.South) / spanY;
    // The longitude span of one image at a range, from the view's fixed scale.
    const double lonPerRange = geometry.LonDegreesPerPixel(1) * w;
    const double latPerRange = geometry.LatDegreesPerPixel(1) * h;
    double imageRange = std::max(imageLon / lonPerRange, imageLat / latPerRange);
    const int n = std::max(rows, cols);
    CaptureFrame frame;
    frame.ImageAltitude = std::max(std::ceil(imageRange), kMinRange);
    frame.MapAltitude = frame.ImageAltitude * n;
    const double halfLon = lonPerRange * frame.ImageAltitude / 2;
    const double halfLat = latPerRange * frame.ImageAltitude / 2;
    MoveEarthCamera(earth, area.North - halfLat, area.West + halfLon, frame.ImageAltitude);
    return frame;
}

bool WaitForTileSource(TileMapView& view, std::chrono::milliseconds limit, std::string& error) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        try {
            if (view.IsOnline() > 0)
                return true;
        } catch (const EarthError& e) {
            // The view's own tiles may still come from the cache.
            if (view.StreamingProgressPercentage() >= 100) {
                try {
                    if (view.IsOnline() > 0)
                        return true;
                } catch (const EarthError&) {
                }
                error = std::string("The tile source cannot be reached: ") + e.what();
                return false;
            }
        }
        if (std::chrono::steady_clock::now() - start > limit) {
            error = "The tile source " + view.Source().Description + " gives no answer";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool RunTileCapture(TileMapView& view, const CaptureJob& job, Bitmap& result, CalibPoints& points,
                    std::string& error, CaptureReport* report) {
    ScanRequest request;
    request.Rows = job.Rows;
    request.Cols = job.Cols;
    request.OverlapPercent = job.OverlapPercent;
    request.Format = job.Format;
    request.SettleMs = job.SettleMs;
    request.PollMs = 5;
    if (!PrepareResultMap(request, view.Width(), view.Height(), result, error))
        return false;
    view.SetSpareTiles(0);  // the scan never goes back to a view it has left
    // The area's own latitude fixes the longitude scale: its pixels come out square.
    view.SetReferenceLatitude((job.Area.North + job.Area.South) / 2);
    FrameArea(view, view.Geometry(), job.Area, job.Rows, job.Cols, job.OverlapPercent);
    // A server that cannot be reached would give a map of nothing but background.
    if (!WaitForTileSource(view, std::chrono::minutes(1), error)) {
        result = Bitmap();
        return false;
    }
    const size_t failedBefore = view.FailedTiles();
    TileCaptureHost host(view);
    try {
        RunCaptureScan(view, host, request, result, points);
    } catch (const EarthError& e) {
        error = e.what();
        return false;
    }
    if (report) {
        report->FailedTiles = view.FailedTiles() - failedBefore;
        report->LastTileError = report->FailedTiles > 0 ? view.LastTileError() : std::string();
    }
    return true;
}

}  // namespace korvalen
