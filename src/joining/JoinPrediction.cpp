#include "joining/JoinPrediction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/Settings.h"
#include "images/MapMatrix.h"

namespace korvalen {
namespace {

// Positions come from earlier joins and may be anything a search handed back; the arithmetic
// runs wide and is clamped once, so that no sum can overflow.
using Wide = int64_t;

int Narrow(Wide value) {
    return static_cast<int>(
        std::clamp<Wide>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

struct MapSize {
    Wide w = 0;
    Wide h = 0;
};

std::optional<MapSize> SizeOf(const tSingleMap* cell) {
    if (cell == nullptr || cell->Bitmap == nullptr || cell->Bitmap->IsEmpty())
        return std::nullopt;
    return MapSize{cell->Bitmap->Width(), cell->Bitmap->Height()};
}

// The band centre along the joining direction: a band that fits twice into the overlap sits
// in its middle, a longer one is pushed in by `pushed`.
Wide CentreAlong(Wide along, Wide overlap, Wide pushed) {
    return 2 * along > overlap ? pushed : overlap / 2;
}

// A grid band is never shorter than this along the joining direction.
constexpr Wide kMinGridBand = 10;

// trunc(side x factor) + extra, as the grid pattern predicts the first overlap.
Wide GridOverlap(Wide side, float factor, int extra) {
    double product = static_cast<double>(side) * static_cast<double>(factor);
    if (!std::isfinite(product))
        product = 0;
    product = std::clamp(product, -1e15, 1e15);
    return static_cast<Wide>(std::trunc(product)) + extra;
}

struct Geometry {
    Wide overlap = 0, along = 0, across = 0, cx = 0, cy = 0;
    Wide placeX = 0, placeY = 0;
};

JoinPrediction Horizontal(const Geometry& g, const MapSize& neighbour) {
    JoinPrediction p;
    p.Placeholder = {Narrow(g.placeX), Narrow(g.placeY)};
    p.Overlap = Narrow(g.overlap);
    p.BandCentre = {Narrow(g.cx), Narrow(g.cy)};
    // The band's centre lies cx into the new map, which starts `overlap` before the
    // neighbour's right edge; in the target area (the neighbour's right half) that is
    // W/2 - overlap + cx. (W/2 - cx would only agree when cx is half the overlap.)
    p.ExpectedPos = {Narrow(neighbour.w / 2 - g.overlap + g.cx - g.along / 2),
                     Narrow(g.cy - g.across / 2)};
    p.BandPos = {Narrow(g.cx - g.along / 2), Narrow(g.cy - g.across / 2)};
    p.JoinDirection = {-1, 0};
    p.TargetRect = {Narrow(neighbour.w / 2), 0, Narrow(neighbour.w), Narrow(neighbour.h)};
    p.BandWidth = Narrow(g.along);
    p.BandHeight = Narrow(g.across);
    return p;
}

JoinPrediction Vertical(const Geometry& g, const MapSize& neighbour) {
    JoinPrediction p;
    p.Placeholder = {Narrow(g.placeX), Narrow(g.placeY)};
    p.Overlap = Narrow(g.overlap);
    p.BandCentre = {Narrow(g.cx), Narrow(g.cy)};
    p.ExpectedPos = {Narrow(g.cx - g.across / 2),
                     Narrow(neighbour.h / 2 - g.overlap + g.cy - g.along / 2)};
    p.BandPos = {Narrow(g.cx - g.across / 2), Narrow(g.cy - g.along / 2)};
    p.JoinDirection = {0, -1};
    p.TargetRect = {0, Narrow(neighbour.h / 2), Narrow(neighbour.w), Narrow(neighbour.h)};
    p.BandWidth = Narrow(g.across);
    p.BandHeight = Narrow(g.along);
    return p;
}

}  // namespace

std::optional<JoinPrediction> PredictJoin(const MapMatrix& matrix, int row, int col,
                                          const Settings& settings) {
    if (matrix.CellIndex(row, col) < 0 || (row == 1 && col == 1))
        return std::nullopt;
    const tSingleMap& cell = *matrix.At(row, col);
    const tSingleMap& neighbour = row == 1 ? *matrix.At(1, col - 1) : *matrix.At(row - 1, col);
    const std::optional<MapSize> newSize = SizeOf(&cell);
    const std::optional<MapSize> size = SizeOf(&neighbour);
    if (!newSize || !size)
        return std::nullopt;

    Geometry g;
    g.along = settings.SearchBandAlong;
    g.across = settings.SearchBandAcross;
    if (row == 1) {
        // After the first join of the row, the overlap the previous join found.
        g.overlap = col == 2 ? settings.horizontalOverlap
                             : size->w - (Wide{neighbour.X} - matrix.At(1, col - 2)->X);
        g.placeX = Wide{neighbour.X} + size->w - g.overlap;
        g.placeY = 0;
        g.cx = CentreAlong(g.along, g.overlap, g.along);
        g.cy = newSize->h / 2;
        return Horizontal(g, *size);
    }

    if (row == 2 && col == 1) {
        g.overlap = settings.verticalOverlap;
    } else if (row == 2) {
        // The overlap found by the left neighbour's own vertical join.
        const tSingleMap& left = *matrix.At(2, col - 1);
        const std::optional<MapSize> leftSize = SizeOf(&left);
        if (!leftSize)
            return std::nullopt;
        g.overlap = leftSize->h - (Wide{left.Y} - matrix.At(1, col - 1)->Y);
    } else {
        g.overlap = size->h - (Wide{neighbour.Y} - matrix.At(row - 2, col)->Y);
    }
    g.placeX = 0;
    g.placeY = Wide{neighbour.Y} + size->h - g.overlap;
    g.cx = newSize->w / 2;
    g.cy = CentreAlong(g.along, g.overlap, g.along);
    return Vertical(g, *size);
}

std::optional<JoinPrediction> PredictGridJoin(const MapMatrix& matrix, int row, int col,
                                              GridJoinValues& grid) {
    if (matrix.CellIndex(row, col) < 0 || (row == 1 && col == 1))
        return std::nullopt;
    const tSingleMap& cell = *matrix.At(row, col);
    const tSingleMap& neighbour = row == 1 ? *matrix.At(1, col - 1) : *matrix.At(row - 1, col);
    const std::optional<MapSize> newSize = SizeOf(&cell);
    const std::optional<MapSize> size = SizeOf(&neighbour);
    if (!newSize || !size)
        return std::nullopt;

    Geometry g;
    Wide nominal = 0;  // a first join: the overlap the pattern's percentage gives
    if (row == 1) {
        grid.GridFirstJoin = col == 2;
        if (col == 2) {
            nominal = GridOverlap(size->w, grid.GridOverlapFactor, 0);
            grid.ExpectedOverlap = Narrow(nominal + grid.GridOverlapExtra / 2);
            grid.ExpectedCrossShift = 0;
        } else if (col == 3) {
            const tSingleMap& first = *matrix.At(1, 1);
            grid.ExpectedOverlap = Narrow(size->w - (Wide{neighbour.X} - first.X));
            grid.ExpectedCrossShift = Narrow(Wide{first.Y} - neighbour.Y);
        }
    } else {
        grid.GridFirstJoin = row == 2 && col == 1;
        if (row == 2 && col == 1) {
            nominal = GridOverlap(size->h, grid.GridOverlapFactor, 0);
            grid.ExpectedOverlap = Narrow(nominal + grid.GridOverlapExtra / 2);
            grid.ExpectedCrossShift = 0;
        } else if (row == 2 && col == 2) {
            const tSingleMap& above = *matrix.At(1, 1);
            const tSingleMap& below = *matrix.At(2, 1);
            const std::optional<MapSize> belowSize = SizeOf(&below);
            if (!belowSize)
                return std::nullopt;
            grid.ExpectedOverlap = Narrow(belowSize->h - (Wide{below.Y} - above.Y));
            grid.ExpectedCrossShift = Narrow(Wide{above.X} - below.X);
        }
    }

    g.along = g.across = Wide{grid.GridBandBase} * (grid.GridFirstJoin ? 2 : 1);
    g.overlap = grid.ExpectedOverlap;
    // The band must lie inside the overlap, or it holds nothing the neighbour shows: it is
    // centred in the overlap (the pattern's for a first join, whose expected overlap lies
    // half the extra further) and no longer than three quarters of it, so that a true
    // overlap a little smaller still keeps it over the neighbour.
    const Wide inside = grid.GridFirstJoin ? nominal : g.overlap;
    g.along = std::clamp<Wide>(inside * 3 / 4, kMinGridBand, std::max<Wide>(g.along, kMinGridBand));
    const Wide centre = std::max<Wide>(inside / 2, g.along / 2);
    if (row == 1) {
        g.placeX = Wide{neighbour.X} + size->w - g.overlap;
        g.placeY = Wide{neighbour.Y} - grid.ExpectedCrossShift;
        g.cx = centre;
        g.cy = newSize->h / 2;
        return Horizontal(g, *size);
    }
    g.placeX = Wide{neighbour.X} - grid.ExpectedCrossShift;
    g.placeY = Wide{neighbour.Y} + size->h - g.overlap;
    g.cx = newSize->w / 3;  // a third of the width here, not the ordinary half
    g.cy = centre;
    return Vertical(g, *size);
}

}  // namespace korvalen
