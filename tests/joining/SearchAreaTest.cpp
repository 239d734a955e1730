#include "joining/SearchArea.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <vector>

namespace korvalen {
namespace {

std::vector<Point> RingOrder(Point centre, int r, const PositionRange& range) {
    std::array<RingSide, 4> sides;
    const int count = RingSides(centre, r, range, sides);
    std::vector<Point> order;
    for (int i = 0; i < count; ++i) {
        Point p = sides[i].first;
        for (int k = 0; k < sides[i].count; ++k, p = p + sides[i].step)
            order.push_back(p);
    }
    return order;
}

TEST(SearchFactors, OrdinaryFromTheSettingGridAlongTheJoin) {
    struct Row {
        int overlap;
        bool grid, first, horizontal;
        SearchFactors expected;
    };
    const Row rows[] = {
        {2, false, false, true, {2, 2}},    {1, false, true, false, {1, 1}},
        {10, false, false, true, {10, 10}}, {0, false, false, true, {1, 1}},
        {11, false, false, true, {10, 10}}, {2, true, true, true, {4, 1}},
        {2, true, false, true, {1, 1}},     {7, true, true, false, {1, 4}},
        {7, true, false, false, {1, 1}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(FactorsFor(r.overlap, r.grid, r.first, r.horizontal), r.expected)
            << r.overlap << " grid " << r.grid << " first " << r.first;
    }
}

// The area reaches (band / 2) x factor / 2 beyond the band on each side and is moved inside the
// target, taking the expected position along; an area larger than the target starts at 0.
TEST(FitSearchArea, AreasAreCentredAndMovedInsideTheTarget) {
    struct Row {
        Point expected, band;
        SearchFactors factors;
        Point target;
        Rect area;
        PositionRange centres;
        Point fitted;
    };
    const Row rows[] = {
        {{100, 100}, {50, 50}, {2, 2}, {400, 400}, {75, 75, 175, 175}, {100, 100, 150, 150}, {}},
        // hw = 25, hh = 10: reach x = 25 * 5 / 2 + 25 = 87, reach y = 10 * 1 / 2 + 10 = 15.
        {{200, 100}, {51, 21}, {5, 1}, {900, 900}, {138, 95, 312, 125}, {163, 105, 287, 115}, {}},
        // Centred 10 pixels from the left edge the area reaches 30 pixels beyond it.
        {{-10, 100}, {40, 40}, {2, 2}, {300, 300}, {0, 80, 80, 160}, {20, 100, 60, 140}, {20, 100}},
        {{-50, -50}, {40, 40}, {2, 2}, {60, 30}, {0, 0, 80, 80}, {20, 20, 60, 60}, {20, 20}},
        {{10, 5}, {40, 40}, {2, 2}, {60, 30}, {0, 0, 80, 80}, {20, 20, 60, 60}, {20, 20}},
        {{200, 200}, {40, 40}, {2, 2}, {60, 30}, {0, 0, 80, 80}, {20, 20, 60, 60}, {20, 20}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "expected " << r.expected.x << "," << r.expected.y);
        const SearchGeometry g =
            FitSearchArea(r.expected, r.band.x, r.band.y, r.factors, r.target.x, r.target.y);
        EXPECT_EQ(g.area, r.area);
        EXPECT_EQ(g.centres, r.centres);
        // {}: inside the target the expected position stays.
        EXPECT_EQ(g.expectedPos, r.fitted == Point{} ? r.expected : r.fitted);
        EXPECT_EQ(g.totalPositions, r.centres.Count());
    }
    const SearchGeometry far = FitSearchArea({270, 285}, 40, 40, {2, 2}, 300, 320);
    EXPECT_EQ(far.area, (Rect{220, 240, 300, 320}));
    EXPECT_EQ(far.expectedPos, (Point{240, 260}));
}

TEST(FitSearchArea, HostileValuesStayBounded) {
    const SearchGeometry g = FitSearchArea({INT32_MIN, INT32_MAX}, 1, 1, {100, -3}, 10, 10);
    EXPECT_EQ(g.area.left, 0);
    EXPECT_LE(g.area.bottom, 10);
    EXPECT_EQ(g.totalPositions, 1);
    const SearchGeometry empty = FitSearchArea({0, 0}, 0, 0, {1, 1}, 0, 0);
    EXPECT_EQ(empty.totalPositions, 1);
}

TEST(RingWalk, FiveByFiveRangeAroundItsMiddle) {
    const PositionRange range{0, 0, 4, 4};
    const Point c{2, 2};
    const std::vector<Point> ring1 = {{1, 1}, {2, 1}, {3, 1}, {3, 2},
                                      {3, 3}, {2, 3}, {1, 3}, {1, 2}};
    EXPECT_EQ(RingOrder(c, 1, range), ring1);
    const std::vector<Point> ring2 = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1},
                                      {4, 2}, {4, 3}, {4, 4}, {3, 4}, {2, 4}, {1, 4},
                                      {0, 4}, {0, 3}, {0, 2}, {0, 1}};
    EXPECT_EQ(RingOrder(c, 2, range), ring2);
    std::array<RingSide, 4> sides;
    EXPECT_EQ(RingSides(c, 3, range, sides), 0);  // exhausted
}

// A centre off the middle walks only the sides inside the range; a side whose next side is
// outside keeps its clipped end, which still lies on the ring.
TEST(RingWalk, ClippedRingsWalkOnlyTheSidesInsideAndKeepTheirEnds) {
    const PositionRange range{0, 0, 4, 4};
    const std::vector<Point> ring2 = {{3, 0}, {3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {0, 3}};
    EXPECT_EQ(RingOrder({1, 1}, 2, range), ring2);
    std::array<RingSide, 4> sides;
    EXPECT_EQ(RingSides({1, 1}, 4, range, sides), 0);
}

// Every centre of the range is scored exactly once, whatever the range's shape and wherever the
// walk starts in it: square and non-square ranges of the search area, and ranges walked from a
// centre off their middle.
TEST(RingWalk, EveryCentreOfTheRangeIsWalkedExactlyOnce) {
    struct Case {
        PositionRange range;
        Point centre;
    };
    std::vector<Case> cases;
    for (auto [w, h, factor] :
         {std::array{50, 50, 2}, std::array{51, 51, 3}, std::array{4, 4, 2}, std::array{20, 20, 10},
          std::array{50, 120, 2}, std::array{120, 50, 3}, std::array{10, 200, 1}}) {
        const SearchGeometry g = FitSearchArea({300, 300}, w, h, {factor, factor}, 2000, 2000);
        cases.push_back({g.centres, g.expectedPos + Point{w / 2, h / 2}});
    }
    cases.push_back({{0, 0, 4, 4}, {1, 1}});
    cases.push_back({{0, 0, 9, 2}, {8, 1}});
    cases.push_back({{0, 0, 2, 30}, {0, 0}});
    cases.push_back({{-5, 3, 40, 12}, {30, 11}});
    cases.push_back({{7, 7, 7, 7}, {7, 7}});
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.range.left << "," << c.range.top << ".."
                                          << c.range.right << "," << c.range.bottom);
        std::map<std::pair<int, int>, int> seen;
        seen[{c.centre.x, c.centre.y}] = 1;
        for (int r = 1;; ++r) {
            std::array<RingSide, 4> sides;
            if (RingSides(c.centre, r, c.range, sides) == 0)
                break;
            for (Point p : RingOrder(c.centre, r, c.range)) {
                EXPECT_TRUE(c.range.Contains(p));
                EXPECT_EQ(std::max(std::abs(p.x - c.centre.x), std::abs(p.y - c.centre.y)), r);
                ++seen[{p.x, p.y}];
            }
        }
        EXPECT_EQ(static_cast<int64_t>(seen.size()), c.range.Count());
        for (const auto& [p, n] : seen)
            EXPECT_EQ(n, 1) << p.first << "," << p.second;
    }
}

}  // namespace
}  // namespace korvalen
