#include "earth/TileMapView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "earth/TileDecoder.h"
#include "earth/WebMercator.h"
#include "images/PixelConvert.h"

namespace korvalen {
namespace {

using TileLookup = std::function<std::shared_ptr<const Bitmap>(const TileKey&)>;

int WrapX(int64_t x, int zoom) {
    const int64_t n = int64_t{1} << zoom;
    return static_cast<int>(((x % n) + n) % n);
}

// Samples the tiles at the centre of each output pixel, nearest neighbour: a 24-bit picture
// whose rows and columns are linear in latitude and longitude.
void DrawTiles(int zoom, double north, double west, double latPerPixel, double lonPerPixel,
               const TileLookup& lookup, Bitmap& out) {
    const int w = out.Width(), h = out.Height();
    const int64_t worldTiles = int64_t{1} << zoom;
    std::vector<int> tileX(static_cast<size_t>(w));
    std::vector<double> fracX(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double wx = LonToWorldX(west + (x + 0.5) * lonPerPixel, zoom);
        const double t = std::floor(wx / kTileSize);
        tileX[static_cast<size_t>(x)] = WrapX(static_cast<int64_t>(t), zoom);
        fracX[static_cast<size_t>(x)] = wx / kTileSize - t;
    }
    std::map<TileKey, std::shared_ptr<const Bitmap>> tiles;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = out.Row(y);
        const double lat = north - (y + 0.5) * latPerPixel;
        const double wy = std::abs(lat) < kMercatorMaxLatitude ? LatToWorldY(lat, zoom) : -1;
        const double ty = std::floor(wy / kTileSize);
        if (wy < 0 || ty >= static_cast<double>(worldTiles)) {
            for (int x = 0; x < w; ++x) {
                row[3 * x] = TileMapView::kBackground.b;
                row[3 * x + 1] = TileMapView::kBackground.g;
                row[3 * x + 2] = TileMapView::kBackground.r;
            }
            continue;
        }
        const double fy = wy / kTileSize - ty;
        const Bitmap* tile = nullptr;
        int current = -1;
        for (int x = 0; x < w; ++x) {
            const int tx = tileX[static_cast<size_t>(x)];
            if (tx != current) {
                current = tx;
                const TileKey key{zoom, tx, static_cast<int>(ty)};
                auto it = tiles.find(key);
                if (it == tiles.end())
                    it = tiles.emplace(key, lookup(key)).first;
                tile = it->second.get();
            }
            uint8_t* px = row + 3 * x;
            if (tile == nullptr) {
                px[0] = TileMapView::kBackground.b;
                px[1] = TileMapView::kBackground.g;
                px[2] = TileMapView::kBackground.r;
                continue;
            }
            const int ix = std::min(static_cast<int>(fracX[static_cast<size_t>(x)] * tile->Width()),
                                    tile->Width() - 1);
            const int iy = std::min(static_cast<int>(fy * tile->Height()), tile->Height() - 1);
            std::memcpy(px, tile->Row(iy) + 3 * ix, 3);
        }
    }
}

bool Finish(Bitmap& rendered, Bitmap& bitmap) {
    if (bitmap.Format() == PixelFormat::Bits24)
        bitmap = std::move(rendered);
    else
        bitmap = ConvertPixelFormat(rendered, bitmap.Format());
    return true;
}

}  // namespace

CameraInfo StartCamera(const TileSource& source, const ViewGeometry& geometry) {
    CameraInfo camera;
    if (source.Bounds) {
        const ViewExtents& b = *source.Bounds;
        camera.FocusPointLatitude = (b.North + b.South) / 2;
        camera.FocusPointLongitude = (b.East + b.West) / 2;
        camera.Range = std::clamp(geometry.RangeForLonSpan(b.East - b.West), kMinRange, kMaxRange);
    } else {
        camera.Range = 20000000;
    }
    return camera;
}

TileMapView::TileMapView(std::unique_ptr<TileSource> source, int width, int height)
    : source_(std::move(source)) {
    geometry_.Width = std::max(width, 1);
    geometry_.Height = std::max(height, 1);
    if (source_->Bounds)
        geometry_.ReferenceLatitude = (source_->Bounds->North + source_->Bounds->South) / 2;
    camera_ = StartCamera(*source_, geometry_);
    Plan();
    loader_ = std::thread([this] { LoaderLoop(); });
}

TileMapView::~TileMapView() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    source_->Cancel();  // a tile on its way from a server is not waited for
    wake_.notify_all();
    loader_.join();
}

void TileMapView::Resize(int width, int height) {
    geometry_.Width = std::max(width, 1);
    geometry_.Height = std::max(height, 1);
    Plan();
}

void TileMapView::SetReferenceLatitude(double latitude) {
    if (!std::isfinite(latitude))
        return;
    geometry_.ReferenceLatitude = std::clamp(latitude, -85.0, 85.0);
    Plan();
}

void TileMapView::SetTileArrived(std::function<void()> callback) {
    std::lock_guard lock(mutex_);
    tileArrived_ = std::move(callback);
}

int TileMapView::ZoomFor(double lonPerPixel) const {
    return ZoomForScale(lonPerPixel, source_->MinZoom, source_->MaxZoom);
}

CameraInfo TileMapView::GetCamera(int) {
    return camera_;
}

void TileMapView::SetCamera(const CameraInfo& camera, double) {
    if (!std::isfinite(camera.FocusPointLatitude) || !std::isfinite(camera.FocusPointLongitude) ||
        !std::isfinite(camera.Range))
        throw EarthError("camera position is not a number");
    camera_ = camera;
    camera_.FocusPointLatitude = std::clamp(camera.FocusPointLatitude, -85.0, 85.0);
    if (std::abs(camera.FocusPointLongitude) > 180)
        camera_.FocusPointLongitude = std::remainder(camera.FocusPointLongitude, 360.0);
    camera_.Range = std::clamp(camera.Range, kMinRange, kMaxRange);
    camera_.Tilt = 0;
    camera_.Azimuth = 0;
    Plan();
}

ViewExtents TileMapView::GetViewExtents() {
    return geometry_.Extents(camera_);
}

PointOnTerrain TileMapView::GetPointOnTerrainFromScreenCoords(double x, double y) {
    return geometry_.PointAt(camera_, x, y);
}

void TileMapView::Plan() {
    const ViewExtents e = geometry_.Extents(camera_);
    const int zoom = ZoomFor(geometry_.LonDegreesPerPixel(camera_.Range));
    const double north = std::min(e.North, kMercatorMaxLatitude);
    const double south = std::max(e.South, -kMercatorMaxLatitude);
    std::vector<TileKey> needed;
    if (north > south) {
        const int64_t worldTiles = int64_t{1} << zoom;
        const int64_t x0 = static_cast<int64_t>(std::floor(LonToWorldX(e.West, zoom) / kTileSize));
        const int64_t x1 = static_cast<int64_t>(std::floor(LonToWorldX(e.East, zoom) / kTileSize));
        const int64_t y0 = std::max<int64_t>(
            0, static_cast<int64_t>(std::floor(LatToWorldY(north, zoom) / kTileSize)));
        const int64_t y1 = std::min<int64_t>(
            worldTiles - 1, static_cast<int64_t>(std::floor(LatToWorldY(south, zoom) / kTileSize)));
        // A view wider than the world needs each column once.
        const int64_t columns = std::min(x1 - x0 + 1, worldTiles);
        for (int64_t y = y0; y <= y1; ++y)
            for (int64_t i = 0; i < columns; ++i)
                needed.push_back({zoom, WrapX(x0 + i, zoom), static_cast<int>(y)});
    }
    {
        std::lock_guard lock(mutex_);
        needed_ = std::move(needed);
        queue_.clear();
        for (const TileKey& key : needed_)
            if (!cache_.contains(key))
                queue_.push_back(key);
        progressAt_ = std::chrono::steady_clock::now();
    }
    wake_.notify_all();
}

int TileMapView::StreamingProgressPercentage() {
    std::lock_guard lock(mutex_);
    if (needed_.empty())
        return 100;
    if (std::chrono::steady_clock::now() - progressAt_ > tileTimeout_)
        return 100;  // what has not come by now is drawn as background
    size_t done = 0;
    for (const TileKey& key : needed_)
        done += cache_.contains(key);
    return static_cast<int>(done * 100 / needed_.size());
}

size_t TileMapView::CachedTiles() {
    std::lock_guard lock(mutex_);
    return cache_.size();
}

size_t TileMapView::FailedTiles() {
    std::lock_guard lock(mutex_);
    return failedTiles_;
}

std::string TileMapView::LastTileError() {
    std::lock_guard lock(mutex_);
    return lastTileError_;
}

int TileMapView::IsOnline() {
    std::string message;
    switch (source_->State(message)) {
        case TileSourceState::Ready:
            return 1;
        case TileSourceState::Connecting:
            return 0;
        case TileSourceState::Unreachable:
            break;
    }
    throw EarthError(message);
}

std::shared_ptr<const Bitmap> TileMapView::LoadTile(const TileKey& key) {
    std::vector<uint8_t> data;
    std::string error;
    bool read = false;
    {
        std::lock_guard lock(sourceMutex_);
        read = source_->ReadTile(key.zoom, key.x, key.y, data, error);
    }
    auto bitmap = std::make_shared<Bitmap>();
    if (read && DecodeTile(data, *bitmap, error))
        return bitmap;
    if (!error.empty()) {
        std::lock_guard lock(mutex_);
        ++failedTiles_;
        lastTileError_ = error;
    }
    return nullptr;
}

void TileMapView::LoaderLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        const TileKey key = queue_.front();
        queue_.pop_front();
        if (cache_.contains(key))
            continue;
        lock.unlock();
        std::shared_ptr<const Bitmap> tile = LoadTile(key);
        lock.lock();
        if (tile)
            progressAt_ = std::chrono::steady_clock::now();
        cache_[key] = {std::move(tile), ++useClock_};
        Evict();
        if (tileArrived_) {
            auto callback = tileArrived_;
            lock.unlock();
            callback();
            lock.lock();
        }
    }
}

void TileMapView::Evict() {
    const size_t capacity = needed_.size() + spareTiles_;
    while (cache_.size() > capacity) {
        auto oldest = cache_.end();
        for (auto it = cache_.begin(); it != cache_.end(); ++it) {
            if (std::find(needed_.begin(), needed_.end(), it->first) != needed_.end())
                continue;
            if (oldest == cache_.end() || it->second.lastUse < oldest->second.lastUse)
                oldest = it;
        }
        if (oldest == cache_.end())
            return;
        cache_.erase(oldest);
    }
}

bool TileMapView::Render(Bitmap& bitmap) {
    const ViewExtents e = geometry_.Extents(camera_);
    const double lonPerPixel = geometry_.LonDegreesPerPixel(camera_.Range);
    const TileLookup cached = [this](const TileKey& key) -> std::shared_ptr<const Bitmap> {
        std::lock_guard lock(mutex_);
        auto it = cache_.find(key);
        if (it == cache_.end())
            return nullptr;
        it->second.lastUse = ++useClock_;
        return it->second.bitmap;
    };
    // A 24-bit bitmap of the view's size is drawn into as it is: no second picture per view.
    const bool inPlace = bitmap.Format() == PixelFormat::Bits24 &&
                         bitmap.Width() == geometry_.Width && bitmap.Height() == geometry_.Height;
    Bitmap rendered;
    if (!inPlace)
        rendered = Bitmap(geometry_.Width, geometry_.Height, PixelFormat::Bits24);
    DrawTiles(ZoomFor(lonPerPixel), e.North, e.West, geometry_.LatDegreesPerPixel(camera_.Range),
              lonPerPixel, cached, inPlace ? bitmap : rendered);
    return inPlace || Finish(rendered, bitmap);
}

bool TileMapView::RenderArea(double north, double west, double latPerPixel, double lonPerPixel,
                             Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return false;
    Bitmap rendered(bitmap.Width(), bitmap.Height(), PixelFormat::Bits24);
    DrawTiles(
        ZoomFor(lonPerPixel), north, west, latPerPixel, lonPerPixel,
        [this](const TileKey& key) { return LoadTile(key); }, rendered);
    return Finish(rendered, bitmap);
}

}  // namespace korvalen
