#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "earth/EarthApplication.h"
#include "earth/TileSource.h"
#include "earth/ViewGeometry.h"
#include "images/Bitmap.h"

namespace korvalen {

struct TileKey {
    int zoom = 0, x = 0, y = 0;
    auto operator<=>(const TileKey&) const = default;
};

// The map view that stands in for the globe: a camera over web map tiles, drawn straight
// down, north up, linear in latitude and longitude. Tiles are read and decoded on a loader
// thread of its own; the streaming percentage is the share of the view's tiles that are
// there (a tile that is missing, bad or late counts as done and is drawn as background).
class TileMapView : public EarthApplication {
public:
    TileMapView(std::unique_ptr<TileSource> source, int width, int height);
    ~TileMapView() override;
    TileMapView(const TileMapView&) = delete;
    TileMapView& operator=(const TileMapView&) = delete;

    const TileSource& Source() const { return *source_; }
    int Width() const { return geometry_.Width; }
    int Height() const { return geometry_.Height; }
    const ViewGeometry& Geometry() const { return geometry_; }
    void Resize(int width, int height);
    // Fixes the longitude scale for the latitude given (a capture's area, or where the user
    // zoomed in on a source that does not say where its tiles are).
    void SetReferenceLatitude(double latitude);
    // How long the view may go without a tile arriving before what is missing counts as done.
    void SetTileTimeout(std::chrono::milliseconds timeout) { tileTimeout_ = timeout; }
    // Tiles kept beyond those the view needs, so that panning back and forth does not
    // reload; a scan that only moves on needs none.
    void SetSpareTiles(size_t count) {
        std::lock_guard lock(mutex_);
        spareTiles_ = count;
    }
    // Called on the loader thread whenever a tile arrives (the window repaints).
    void SetTileArrived(std::function<void()> callback);

    // Draws the view as it is now into bitmap (its size is the view's; pixel format kept).
    bool Render(Bitmap& bitmap);
    // Draws any area at any scale straight from the source, on the calling thread.
    bool RenderArea(double north, double west, double latPerPixel, double lonPerPixel,
                    Bitmap& bitmap);
    // The zoom level the view draws from at a scale.
    int ZoomFor(double lonPerPixel) const;
    // Tiles held decoded now (memory use).
    size_t CachedTiles();
    // Tiles that could not be read or decoded (missing ones do not count), and the last reason.
    size_t FailedTiles();
    std::string LastTileError();

    int VersionMajor() override { return 5; }
    int VersionMinor() override { return 0; }
    int VersionBuild() override { return 0; }
    int VersionAppType() override { return 5; }
    int IsInitialized() override { return 1; }
    // A tile server not reached yet keeps the view "offline"; one that failed raises.
    int IsOnline() override;
    uintptr_t GetMainHwnd() override { return 1; }
    uintptr_t GetRenderHwnd() override { return 2; }
    CameraInfo GetCamera(int considerTerrain) override;
    void SetCamera(const CameraInfo& camera, double speed) override;
    ViewExtents GetViewExtents() override;
    PointOnTerrain GetPointOnTerrainFromScreenCoords(double x, double y) override;
    int StreamingProgressPercentage() override;
    EarthFeature* GetFeatureByName(const std::string&) override { return nullptr; }

    static constexpr Rgb kBackground{224, 224, 224};

private:
    struct Entry {
        std::shared_ptr<const Bitmap> bitmap;  // null: missing or bad
        uint64_t lastUse = 0;
    };
    void Plan();  // the tiles the current camera needs; queues the missing ones
    void LoaderLoop();
    std::shared_ptr<const Bitmap> LoadTile(const TileKey& key);
    void Evict();

    std::unique_ptr<TileSource> source_;
    std::mutex sourceMutex_;
    ViewGeometry geometry_;
    CameraInfo camera_;
    std::chrono::milliseconds tileTimeout_{5000};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<TileKey, Entry> cache_;
    std::vector<TileKey> needed_;
    std::deque<TileKey> queue_;
    // When the view was planned or a tile with pixels last came.
    std::chrono::steady_clock::time_point progressAt_;
    size_t spareTiles_ = 8;
    size_t failedTiles_ = 0;
    std::string lastTileError_;
    uint64_t useClock_ = 0;
    bool stopping_ = false;
    std::function<void()> tileArrived_;
    std::thread loader_;
};

// The centre of a source's bounds, or a sensible start when it has none.
CameraInfo StartCamera(const TileSource& source, const ViewGeometry& geometry);

}  // namespace korvalen
