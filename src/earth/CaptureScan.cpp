#include "earth/CaptureScan.h"

#include <algorithm>
#include <string>

#include "earth/CapturePlan.h"
#include "images/BitmapOps.h"

namespace korvalen {
namespace {

struct ScanGeometry {
    int W = 0, H = 0;
    double StepLon = 0, StepLat = 0;
};

// The camera steps by exactly the pixels the images are placed apart, so that the nine
// points and the pixels agree however many images the grid has.
ScanGeometry Geometry(EarthApplication& earth, CaptureHost& host, const ScanRequest& request) {
    ScanGeometry g;
    g.W = host.ViewWidth();
    g.H = host.ViewHeight();
    const ViewExtents extents = earth.GetViewExtents();
    const int stepX = g.W - OverlapPixels(g.W, request.OverlapPercent);
    const int stepY = g.H - OverlapPixels(g.H, request.OverlapPercent);
    g.StepLon = (extents.East - extents.West) * stepX / g.W;
    g.StepLat = (extents.North - extents.South) * stepY / g.H;
    return g;
}

void MoveCamera(EarthApplication& earth, CaptureHost& host, const ScanRequest& request,
                const ScanGeometry& g, int dCol, int dRow) {
    CameraInfo camera = earth.GetCamera(0);
    if (dCol != 0)
        camera.FocusPointLongitude += dCol * g.StepLon;
    if (dRow != 0)
        camera.FocusPointLatitude -= dRow * g.StepLat;
    camera.Tilt = 0;
    camera.Azimuth = 0;
    earth.SetCamera(camera, 1.0);
    WaitUntilDrawn(earth, host, request, true);
}

PointOnTerrain PixelToGeo(EarthApplication& earth, const ScanGeometry& g, PixelPos p) {
    const double sx = (p.X - g.W / 2.0) * 2.0 / g.W;
    const double sy = (g.H / 2.0 - p.Y) * 2.0 / g.H;
    return earth.GetPointOnTerrainFromScreenCoords(sx, sy);
}

}  // namespace

bool PrepareResultMap(const ScanRequest& request, int viewWidth, int viewHeight, Bitmap& resultMap,
                      std::string& error) {
    if (viewWidth <= 0 || viewHeight <= 0 || request.Rows < 1 || request.Cols < 1) {
        error = "The view has no size";
        return false;
    }
    const int64_t width =
        int64_t{viewWidth - OverlapPixels(viewWidth, request.OverlapPercent)} * (request.Cols - 1) +
        viewWidth;
    const int64_t height = int64_t{viewHeight - OverlapPixels(viewHeight, request.OverlapPercent)} *
                               (request.Rows - 1) +
                           viewHeight;
    if (width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
        static_cast<uint64_t>(Bitmap::StrideFor(static_cast<int>(width), request.Format)) *
                static_cast<uint64_t>(height) >
            Bitmap::kMaxBytes) {
        error = "The map of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is too large";
        return false;
    }
    try {
        resultMap = Bitmap(static_cast<int>(width), static_cast<int>(height), request.Format);
    } catch (const std::exception&) {
        error = "Not enough memory for a map of " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels";
        return false;
    }
    return true;
}

bool WaitUntilDrawn(EarthApplication& earth, CaptureHost& host, const ScanRequest& request,
                    bool show) {
    host.ResetStreamingBroken();
    bool drawn = false;
    for (;;) {
        const int percent = earth.StreamingProgressPercentage();
        if (show)
            host.ShowStreaming(percent);
        if (percent > 99) {
            drawn = true;
            break;
        }
        host.Wait(0);
        if (host.StreamingBroken() || host.BreakRequested())
            break;
        host.Wait(request.PollMs);
    }
    if (show)
        host.ShowStreaming(-1);
    if (drawn && request.SettleMs > 0)
        host.Wait(request.SettleMs);
    return drawn;
}

ScanOutcome RunCaptureScan(EarthApplication& earth, CaptureHost& host, const ScanRequest& request,
                           Bitmap& resultMap, CalibPoints& points) {
    ScanOutcome outcome;
    const ScanGeometry g = Geometry(earth, host, request);
    const int overlapX = OverlapPixels(g.W, request.OverlapPercent);
    const int overlapY = OverlapPixels(g.H, request.OverlapPercent);
    bool cancelled = false;
    Bitmap view;
    for (int row = 1; row <= request.Rows && !cancelled; ++row) {
        for (int col = 1; col <= request.Cols; ++col) {
            host.ShowPosition(row, col);
            host.Wait(0);
            if ((cancelled = host.BreakRequested()))
                break;
            host.ShowProgressGrid(row, col);
            if (row > 1 || col > 1) {
                if (col >= 2)
                    MoveCamera(earth, host, request, g, 1, 0);
                else
                    MoveCamera(earth, host, request, g, 1 - request.Cols, 1);
            }
            host.Wait(0);
            if ((cancelled = host.BreakRequested()))
                break;

            tScanImage image;
            if (col > 1) {
                const tScanImage& left = outcome.ScanImages.back();
                image = {left.X + g.W - overlapX, left.Y};
            } else if (row > 1) {
                const tScanImage& above =
                    outcome.ScanImages[outcome.ScanImages.size() - request.Cols];
                image = {above.X, above.Y + g.H - overlapY};
            }
            outcome.ScanImages.push_back(image);

            // The first view was set before the scan; it too must be drawn before its copy.
            WaitUntilDrawn(earth, host, request, false);
            // One picture for every view, given back as it is to be drawn into.
            if (view.Width() != g.W || view.Height() != g.H || view.Format() != request.Format)
                view = Bitmap(g.W, g.H, request.Format);
            if (host.CaptureView(view))
                DrawBitmapAt(&view, &resultMap, image.X, image.Y);

            const PointKinds kinds = CalibrationKinds(row, col, request.Rows, request.Cols);
            for (int k = 1; k <= kCalibPointCount; ++k) {
                if (kinds[k] == 0)
                    continue;
                const PixelPos p = KindPixel(kinds[k], g.W, g.H);
                const PointOnTerrain geo = PixelToGeo(earth, g, p);
                tCalibPoint& point = points[k];
                point.Lat = geo.Latitude;
                point.Lon = geo.Longitude;
                point.X = p.X + image.X;
                point.Y = p.Y + image.Y;
                point.State = kPointSet;
            }
        }
    }
    outcome.Completed = !cancelled;
    return outcome;
}

}  // namespace korvalen
