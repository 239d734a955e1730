// The display's calibration: the least-squares solver, the biquadratic fit and what follows
// from it (corners, resolution, residuals).
#include "geo/GeoCalibration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geo/LeastSquaresSvd.h"

namespace korvalen {
namespace {

// A smooth, slightly curved map: latitude and longitude as quadratic functions of the pixel,
// so a biquadratic fit through nine points must reproduce it everywhere.
struct CurvedMap {
    double width, height;
    double Lat(double x, double y) const {
        return 48.2 - 0.3 * y / height + 0.01 * x / width + 0.002 * (x / width) * (y / height);
    }
    double Lon(double x, double y) const {
        return 11.4 + 0.5 * x / width - 0.004 * (y / height) * (y / height) +
               0.003 * (x / width) * (x / width);
    }
};

TEST(LeastSquares, RefusesEmptyMismatchedAndNonFiniteSystems) {
    std::array<double, 6> x{1, 1, 1, 1, 1, 1};
    EXPECT_FALSE(SolveLeastSquares({}, {}, x));
    EXPECT_EQ(x, (std::array<double, 6>{}));
    EXPECT_FALSE(SolveLeastSquares({{1, 0, 0, 0, 0, 0}}, {1, 2}, x));
    EXPECT_FALSE(SolveLeastSquares({{1, NAN, 0, 0, 0, 0}}, {1}, x));
    EXPECT_FALSE(SolveLeastSquares({{1, 0, 0, 0, 0, 0}}, {INFINITY}, x));
}

TEST(LeastSquares, ZeroRowsGiveTheZeroSolution) {
    std::array<double, 6> x{};
    EXPECT_TRUE(SolveLeastSquares({{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}, {1, 2}, x));
    EXPECT_EQ(x, (std::array<double, 6>{}));
}

// With four points there are two degrees of freedom left; the solver must pick the solution
// of least norm, x = A^T (A A^T)^-1 b, worked out here by elimination on the 4 x 4 system.
TEST(LeastSquares, FourPointsGiveTheMinimumNormSolution) {
    const std::vector<DesignRow> rows = {
        {1, 0, 0, 0, 0, 0}, {1, 3, 0, 9, 0, 0}, {1, 0, 2, 0, 0, 4}, {1, 3, 2, 9, 6, 4}};
    const std::vector<double> b = {5, 7, 2, 1};
    std::array<double, 6> x{};
    ASSERT_TRUE(SolveLeastSquares(rows, b, x));

    double g[4][5];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            g[i][j] = 0;
            for (int k = 0; k < 6; ++k)
                g[i][j] += rows[i][k] * rows[j][k];
        }
        g[i][4] = b[i];
    }
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (r != c) {
                const double f = g[r][c] / g[c][c];
                for (int k = 0; k < 5; ++k)
                    g[r][k] -= f * g[c][k];
            }
    std::array<double, 6> expected{};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 6; ++k)
            expected[k] += rows[i][k] * g[i][4] / g[i][i];
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(x[k], expected[k], 1e-12) << k;
    for (int i = 0; i < 4; ++i) {
        double value = 0;
        for (int k = 0; k < 6; ++k)
            value += rows[i][k] * x[k];
        EXPECT_NEAR(value, b[i], 1e-12);
    }
}

// The nine points of a 3 x 3 grid determine the six coefficients; the fit is exact at the
// points and, for a map that is itself biquadratic, everywhere. The widths include maps
// beyond 46,340 pixels, where 32-bit squares of the column overflow.
TEST(GeoCalibrationFit, NineGridPointsFitExactlyAtAnyMapSize) {
    for (const auto& [w, h] : {std::pair{1000, 700}, std::pair{50000, 700}, std::pair{50000, 60000},
                               std::pair{65535, 65535}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        const CurvedMap map{double(w), double(h)};
        GeoCalibration cal;
        cal.SetImageSize(w, h);
        for (int gy = 0; gy < 3; ++gy)
            for (int gx = 0; gx < 3; ++gx) {
                const int x = gx * (w / 2), y = gy * (h / 2);
                ASSERT_TRUE(cal.AddCalibPoint(x, y, map.Lat(x, y), map.Lon(x, y)));
            }
        for (int i = 0; i < cal.NumCalibPoints(); ++i) {
            const GeoCalibPoint& p = cal.Points()[static_cast<size_t>(i)];
            EXPECT_NEAR(cal.PixelToLat(p.X, p.Y), p.Lat, 1e-10);
            EXPECT_NEAR(cal.PixelToLon(p.X, p.Y), p.Lon, 1e-10);
            EXPECT_LT(cal.Residual(i).Pixels, 1e-3);
            EXPECT_LT(cal.Residual(i).Metres, 1e-3);
        }
        EXPECT_NEAR(cal.PixelToLat(w * 0.3, h * 0.8), map.Lat(w * 0.3, h * 0.8), 1e-9);
        EXPECT_NEAR(cal.PixelToLon(w * 0.9, h * 0.1), map.Lon(w * 0.9, h * 0.1), 1e-9);
        EXPECT_NEAR(cal.CornerLatLon(ImageCorner::BottomRight).Lat, map.Lat(w, h), 1e-9);
        EXPECT_NEAR(cal.CornerLatLon(ImageCorner::TopRight).Lon, map.Lon(w, 0), 1e-9);
        double x = 0, y = 0;
        cal.LatLonToPixel(map.Lat(w / 2, h), map.Lon(w / 2, h), x, y);
        EXPECT_NEAR(x, w / 2, 0.01 * w / 1000);
        EXPECT_NEAR(y, h, 0.01 * h / 700);
    }
}

// With only the four corners the system is under-determined; the minimum-norm fit still
// passes through all four, and between them gives coordinates that are only approximate
// (the squares, being large numbers, take most of the weight), though inside the corners.
TEST(GeoCalibrationFit, FourCornersFitExactlyAtTheCorners) {
    const CurvedMap map{2000, 1500};
    GeoCalibration cal;
    cal.SetImageSize(2000, 1500);
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{2000, 0}, std::pair{0, 1500}, std::pair{2000, 1500}})
        cal.AddCalibPoint(x, y, map.Lat(x, y), map.Lon(x, y));
    for (const GeoCalibPoint& p : cal.Points()) {
        EXPECT_NEAR(cal.PixelToLat(p.X, p.Y), p.Lat, 1e-9);
        EXPECT_NEAR(cal.PixelToLon(p.X, p.Y), p.Lon, 1e-9);
    }
    EXPECT_GT(cal.PixelToLat(1000, 750), map.Lat(0, 1500));
    EXPECT_LT(cal.PixelToLat(1000, 750), map.Lat(2000, 0));
    EXPECT_GT(cal.PixelToLon(1000, 750), map.Lon(0, 0));
    EXPECT_LT(cal.PixelToLon(1000, 750), map.Lon(2000, 0));
}

TEST(GeoCalibrationFit, CornersAndResolutionOfANorthUpMap) {
    // 0.01 degrees of longitude over 1000 pixels on the equator: 1.11317 m a pixel on a
    // sphere of 6378000 m.
    GeoCalibration cal;
    cal.SetImageSize(1000, 500);
    EXPECT_EQ(cal.Resolution(), 0);
    cal.AddCalibPoint(0, 0, 0.0025, 0);
    cal.AddCalibPoint(1000, 0, 0.0025, 0.01);
    cal.AddCalibPoint(0, 500, -0.0025, 0);
    cal.AddCalibPoint(1000, 500, -0.0025, 0.01);
    EXPECT_NEAR(cal.Corners()[0].Lat, 0.0025, 1e-12);   // corner 1: (0, 0)
    EXPECT_NEAR(cal.Corners()[1].Lat, -0.0025, 1e-12);  // corner 2: (0, H)
    EXPECT_NEAR(cal.Corners()[2].Lon, 0.01, 1e-12);     // corner 3: (W, H)
    EXPECT_NEAR(cal.Corners()[3].Lat, 0.0025, 1e-12);   // corner 4: (W, 0)
    EXPECT_NEAR(cal.Corners()[3].Lon, 0.01, 1e-12);
    EXPECT_NEAR(cal.Resolution(), 6378000 * 0.01 * M_PI / 180 / 1000, 1e-3);
    EXPECT_NEAR(cal.RmsResidual().Pixels, 0, 1e-6);
}

TEST(GeoCalibrationList, HoldsTwoHundredPointsAndChangesTheFirstMatch) {
    GeoCalibration cal;
    cal.SetImageSize(100, 100);
    for (int i = 0; i < GeoCalibration::kMaxPoints; ++i)
        ASSERT_TRUE(cal.AddCalibPoint(i % 100, i / 100, 50, 10));
    EXPECT_FALSE(cal.AddCalibPoint(1, 1, 1, 1));
    EXPECT_EQ(cal.NumCalibPoints(), 200);

    GeoCalibration two;
    two.AddCalibPoint(5, 5, 1, 2);
    two.AddCalibPoint(5, 5, 3, 4);
    EXPECT_FALSE(two.ChangeCalibPoint(6, 5, 7, 7, 9, 9));
    EXPECT_TRUE(two.ChangeCalibPoint(5, 5, 7, 8, 9, 10));
    EXPECT_EQ(two.Points()[0].X, 7);
    EXPECT_EQ(two.Points()[0].Y, 8);
    EXPECT_EQ(two.Points()[0].Lat, 9);
    EXPECT_EQ(two.Points()[1].Lat, 3);

    two.Clear();
    EXPECT_EQ(two.NumCalibPoints(), 0);
    EXPECT_EQ(two.PixelToLat(3, 3), 0);
}

// A point placed 20 pixels off where the other eight say it belongs stands out.
TEST(GeoCalibrationResiduals, AMisplacedPointShowsItsDistance) {
    const CurvedMap map{1000, 1000};
    GeoCalibration cal;
    cal.SetImageSize(1000, 1000);
    const int xs[] = {0, 500, 1000, 0, 1000, 0, 500, 1000, 250, 750};
    const int ys[] = {0, 0, 0, 500, 500, 1000, 1000, 1000, 250, 750};
    for (int i = 0; i < 10; ++i)
        cal.AddCalibPoint(xs[i], ys[i], map.Lat(xs[i], ys[i]), map.Lon(xs[i], ys[i]));
    ASSERT_LT(cal.RmsResidual().Pixels, 0.01);
    cal.ChangeCalibPoint(750, 750, 770, 750, map.Lat(750, 750), map.Lon(750, 750));
    EXPECT_GT(cal.Residual(9).Pixels, 5);
    EXPECT_GT(cal.Residual(9).Metres, 5 * 30);  // 0.5 degrees over 1000 pixels: ~37 m a pixel
    EXPECT_GT(cal.RmsResidual().Pixels, 1);
}

}  // namespace
}  // namespace korvalen
