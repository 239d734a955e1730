// The geometry of the manual joining tools, without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "images/BitmapOps.h"
#include "images/PixelConvert.h"
#include "joining/BandAreaGeometry.h"
#include "joining/CutJoin.h"
#include "joining/JoinPointsGeometry.h"
#include "joining/MoveMapGeometry.h"

namespace korvalen {
namespace {

// ---------------------------------------------------------------- search band definition

BandAreaInput HorizontalBandInput() {
    BandAreaInput in;
    in.horizontal = true;
    in.targetWidth = 400;
    in.targetHeight = 600;
    in.halfWidth = 300;
    in.halfHeight = 600;
    in.bandRect = {100, 200, 150, 250};  // 50 x 50
    in.areaCentre = {300, 300};
    in.overlap = 2;
    return in;
}

TEST(BandAreaGeometry, CompositePlacesTheHalfBesideTheTargetWithAGap) {
    const BandAreaGeometry horizontal(HorizontalBandInput());
    EXPECT_EQ(horizontal.CompositeWidth(), 703);
    EXPECT_EQ(horizontal.CompositeHeight(), 600);
    EXPECT_EQ(horizontal.NewOffset(), (Point{403, 0}));
    EXPECT_EQ(horizontal.BandBox(), (PixelBox{503, 200, 552, 249}));
    EXPECT_EQ(horizontal.BandRect(), (Rect{100, 200, 150, 250}));

    BandAreaInput in = HorizontalBandInput();
    in.horizontal = false;
    in.halfWidth = 500;
    in.halfHeight = 200;
    const BandAreaGeometry vertical(in);
    EXPECT_EQ(vertical.NewOffset(), (Point{0, 603}));
    EXPECT_EQ(vertical.CompositeWidth(), 500);
    EXPECT_EQ(vertical.CompositeHeight(), 803);
    // The band was below the upper half's bottom: it is moved up onto the half.
    EXPECT_EQ(vertical.BandBox(), (PixelBox{100, 753, 149, 802}));
    EXPECT_EQ(vertical.BandRect(), (Rect{100, 150, 150, 200}));
}

TEST(BandAreaGeometry, AreaFollowsTheBandSizeAndStaysInsideTheTarget) {
    BandAreaGeometry g(HorizontalBandInput());
    // 50 x 50 band: 49 in right - left terms, hw = 24, ex = 24 + 24 = 48.
    EXPECT_EQ(g.AreaBox(), (Rect{252, 252, 348, 348}));
    EXPECT_EQ(g.AreaBox().Width(), 96);
    EXPECT_EQ(g.CentreBox(), (Rect{276, 276, 324, 324}));

    // Pulled back inside at every edge.
    g.MoveArea(-1000, -1000);
    EXPECT_EQ(g.AreaCentre(), (Point{48, 48}));
    g.MoveArea(5000, 5000);
    EXPECT_EQ(g.AreaCentre(), (Point{352, 552}));
    EXPECT_EQ(g.AreaBox().right, 400);
    EXPECT_EQ(g.AreaBox().bottom, 600);

    BandAreaInput wide = HorizontalBandInput();
    wide.overlap = 6;  // ex = 72 + 24 = 96
    const BandAreaGeometry w(wide);
    EXPECT_EQ(w.AreaBox().Width(), 192);

    // A larger band widens the area; the centre moves in when the area would leave the target.
    g.MoveArea(1000, 0);
    ASSERT_TRUE(g.ResizeBand({1, 0}, 50, 0));  // 100 wide: hw = 49, ex = 98
    EXPECT_EQ(g.AreaCentre().x, 400 - 98);
    EXPECT_EQ(g.AreaBox().Width(), 196);
}

TEST(BandAreaGeometry, MoveTagsDecodeToTheirSteps) {
    struct Row {
        int tag;
        MoveStep step;
    };
    const Row rows[] = {
        {-100, {false, -1, 0}},  {100, {false, 1, 0}},     {-1, {false, 0, -1}},
        {1, {false, 0, 1}},      {-1000, {false, -10, 0}}, {1000, {false, 10, 0}},
        {-10, {false, 0, -10}},  {10, {false, 0, 10}},     {99900, {true, -1, 0}},
        {100100, {true, 1, 0}},  {99999, {true, 0, -1}},   {100001, {true, 0, 1}},
        {99000, {true, -10, 0}}, {101000, {true, 10, 0}},  {99990, {true, 0, -10}},
        {100010, {true, 0, 10}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DecodeMoveTag(row.tag), row.step) << row.tag;

    const MoveKey keys[] = {MoveKey::Left, MoveKey::Right, MoveKey::Up,     MoveKey::Down,
                            MoveKey::Home, MoveKey::End,   MoveKey::PageUp, MoveKey::PageDown};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(MoveTagForKey(keys[i], false), rows[i].tag);
        EXPECT_EQ(MoveTagForKey(keys[i], true), rows[i + 8].tag);
    }
}

TEST(BandAreaGeometry, EndMovesTheBandAndShiftEndTheArea) {
    BandAreaGeometry g(HorizontalBandInput());
    const PixelBox band = g.BandBox();
    const Point centre = g.AreaCentre();
    g.ApplyMoveTag(MoveTagForKey(MoveKey::End, false));
    EXPECT_EQ(g.BandBox().left, band.left + 10);
    EXPECT_EQ(g.AreaCentre(), centre);
    g.ApplyMoveTag(MoveTagForKey(MoveKey::End, true));
    EXPECT_EQ(g.AreaCentre().x, centre.x + 10);
    EXPECT_EQ(g.BandBox().left, band.left + 10);
    g.ApplyMoveTag(MoveTagForKey(MoveKey::PageUp, true));
    g.ApplyMoveTag(MoveTagForKey(MoveKey::Up, false));
    EXPECT_EQ(g.AreaCentre().y, centre.y - 10);
    EXPECT_EQ(g.BandBox().top, band.top - 1);
}

TEST(BandAreaGeometry, BandStaysOnTheNewHalf) {
    BandAreaGeometry g(HorizontalBandInput());
    g.MoveBand(5000, 0);  // past the composite's right edge: touching it
    EXPECT_EQ(g.BandBox().right, g.CompositeWidth() - 1);
    EXPECT_EQ(g.BandBox().Width(), 50);
    g.MoveBand(-5000, -5000);  // not into the gap or the target
    EXPECT_EQ(g.BandBox().left, 403);
    EXPECT_EQ(g.BandBox().top, 0);
    EXPECT_EQ(g.BandRect(), (Rect{0, 0, 50, 50}));

    // Resizing past an edge moves only that edge.
    ASSERT_TRUE(g.ResizeBand({-1, 0}, -5, 0));
    EXPECT_EQ(g.BandBox().left, 403);
    EXPECT_EQ(g.BandBox().right, 452);

    // A band given larger than the half shrinks to it.
    BandAreaInput in = HorizontalBandInput();
    in.halfWidth = 30;
    in.bandRect = {0, 0, 50, 50};
    const BandAreaGeometry narrow(in);
    EXPECT_EQ(narrow.BandBox().left, 403);
    EXPECT_EQ(narrow.BandBox().right, 432);
}

TEST(BandAreaGeometry, ResizesBelowTenOrAboveFiveHundredAreRefused) {
    BandAreaInput in = HorizontalBandInput();
    in.halfWidth = 900;
    in.halfHeight = 900;
    in.targetHeight = 900;
    BandAreaGeometry g(in);
    const PixelBox before = g.BandBox();
    EXPECT_FALSE(g.ResizeBand({1, 0}, -41, 0));  // 9 wide
    EXPECT_EQ(g.BandBox(), before);
    EXPECT_TRUE(g.ResizeBand({1, 0}, -40, 0));  // 10 wide
    EXPECT_EQ(g.BandBox().Width(), 10);
    EXPECT_TRUE(g.ResizeBand({1, 0}, 490, 0));  // 500
    EXPECT_FALSE(g.ResizeBand({1, 0}, 1, 0));   // 501
    EXPECT_EQ(g.BandBox().Width(), 500);
    // The left edge: moving it right narrows the band.
    EXPECT_FALSE(g.ResizeBand({-1, 0}, 491, 0));
    EXPECT_TRUE(g.ResizeBand({-1, 0}, 490, 0));
    EXPECT_EQ(g.BandBox().Width(), 10);
    EXPECT_EQ(g.BandBox().right, before.left + 499);
    // Corners move both edges; a refused side refuses the whole step.
    EXPECT_FALSE(g.ResizeBand({1, 1}, 10, -45));
    EXPECT_EQ(g.BandBox().Height(), 50);
    EXPECT_TRUE(g.ResizeBand({-1, -1}, -10, -10));
    EXPECT_EQ(g.BandBox().Width(), 20);
    EXPECT_EQ(g.BandBox().Height(), 60);

    // The up-downs set the right and bottom edges from the left and top.
    g.SetBandWidth(120);
    g.SetBandHeight(70);
    EXPECT_EQ(g.BandBox().Width(), 120);
    EXPECT_EQ(g.BandBox().Height(), 70);
    g.SetBandWidth(5000);
    EXPECT_EQ(g.BandBox().Width(), 500);
}

TEST(BandAreaGeometry, EdgesAreFoundOverTheirWholeLines) {
    const BandAreaGeometry g(HorizontalBandInput());  // band (503, 200)-(552, 249)
    EXPECT_EQ(g.EdgeHitTest({501, 220}), (Point{-1, 0}));
    EXPECT_EQ(g.EdgeHitTest({505, 220}), (Point{-1, 0}));
    EXPECT_EQ(g.EdgeHitTest({506, 220}), (Point{0, 0}));
    EXPECT_EQ(g.EdgeHitTest({554, 251}), (Point{1, 1}));
    EXPECT_EQ(g.EdgeHitTest({503, 249}), (Point{-1, 1}));
    // Far from the band but on the line of its left edge.
    EXPECT_EQ(g.EdgeHitTest({503, 10}), (Point{-1, 0}));

    EXPECT_EQ(g.PointerAt({503, 220}), ToolPointer::SizeWE);
    EXPECT_EQ(g.PointerAt({520, 200}), ToolPointer::SizeNS);
    EXPECT_EQ(g.PointerAt({503, 200}), ToolPointer::SizeNWSE);
    EXPECT_EQ(g.PointerAt({552, 249}), ToolPointer::SizeNWSE);
    EXPECT_EQ(g.PointerAt({552, 200}), ToolPointer::SizeNESW);
    EXPECT_EQ(g.PointerAt({503, 249}), ToolPointer::SizeNESW);
    EXPECT_EQ(g.PointerAt({520, 220}), ToolPointer::SizeAll);  // in the band
    EXPECT_EQ(g.PointerAt({300, 300}), ToolPointer::SizeAll);  // in the area
    EXPECT_EQ(g.PointerAt({100, 100}), ToolPointer::Arrow);
}

TEST(BandAreaGeometry, DragsMoveResizeOrShiftTheArea) {
    BandAreaGeometry g(HorizontalBandInput());
    using Drag = BandAreaGeometry::Drag;

    EXPECT_EQ(g.Press({520, 220}), Drag::Band);
    EXPECT_FALSE(g.DragTo({520, 220}));
    EXPECT_TRUE(g.DragTo({530, 215}));
    EXPECT_EQ(g.BandBox(), (PixelBox{513, 195, 562, 244}));
    g.Release();
    EXPECT_FALSE(g.DragTo({600, 300}));

    EXPECT_EQ(g.Press({562, 220}), Drag::Resize);  // right edge
    EXPECT_TRUE(g.DragTo({572, 230}));
    EXPECT_EQ(g.BandBox(), (PixelBox{513, 195, 572, 244}));
    // Refused steps are lost: the edge does not catch up later.
    EXPECT_FALSE(g.DragTo({572 + 600, 230}));
    EXPECT_TRUE(g.DragTo({572 + 601, 230}));
    EXPECT_EQ(g.BandBox().right, 573);
    g.Release();

    const Point centre = g.AreaCentre();
    EXPECT_EQ(g.Press({centre.x + 30, centre.y + 30}), Drag::Area);
    EXPECT_TRUE(g.DragTo({centre.x + 10, centre.y + 40}));
    EXPECT_EQ(g.AreaCentre(), (centre + Point{-20, 10}));
    g.Release();

    EXPECT_EQ(g.Press({10, 10}), Drag::None);
    EXPECT_FALSE(g.DragTo({20, 20}));
}

// ---------------------------------------------------------------- join points

TEST(JoinPointsGeometry, TwoClicksPlaceTheBand) {
    JoinPointsGeometry g(true, 400, 600, 50, 50);
    EXPECT_EQ(g.BandBox(), (Rect{403, 275, 453, 325}));
    EXPECT_EQ(g.CompositeWidth(), 456);
    EXPECT_EQ(g.CompositeHeight(), 600);

    using Click = JoinPointsGeometry::Click;
    EXPECT_EQ(g.Press({100, 100}), Click::Ignored);  // not on the band
    EXPECT_EQ(g.PointerAt({100, 100}), ToolPointer::Forbidden);
    EXPECT_EQ(g.PointerAt({410, 300}), ToolPointer::Crosshair);

    EXPECT_EQ(g.Press({410, 300}), Click::FirstPoint);
    EXPECT_EQ(g.PointOffset(), (Point{7, 25}));
    EXPECT_EQ(g.AllowedBox(), (PixelBox{7, 25, 357, 575}));
    EXPECT_FALSE(g.Accepted());
    EXPECT_EQ(g.PointerAt({410, 300}), ToolPointer::Forbidden);
    EXPECT_EQ(g.PointerAt({200, 100}), ToolPointer::Crosshair);

    // The rubber line follows inside the allowed box only.
    EXPECT_TRUE(g.MoveTo({150, 90}));
    EXPECT_EQ(g.SecondPoint(), (Point{150, 90}));
    EXPECT_FALSE(g.MoveTo({3, 90}));
    EXPECT_EQ(g.SecondPoint(), (Point{150, 90}));

    // Outside the allowed box nothing happens; the first point stays.
    EXPECT_EQ(g.Press({380, 100}), Click::Ignored);
    EXPECT_TRUE(g.FirstPointSet());

    EXPECT_EQ(g.Press({200, 100}), Click::BandPlaced);
    EXPECT_EQ(g.BandPosition(), (Point{193, 75}));
    EXPECT_TRUE(g.Accepted());
    EXPECT_FALSE(g.FirstPointSet());
}

TEST(JoinPointsGeometry, FarEdgesOfTheAllowedBoxPutTheBandFlushWithTheTarget) {
    JoinPointsGeometry g(true, 400, 600, 50, 50);
    ASSERT_EQ(g.Press({403, 275}), JoinPointsGeometry::Click::FirstPoint);
    ASSERT_EQ(g.Press({350, 550}), JoinPointsGeometry::Click::BandPlaced);
    EXPECT_EQ(g.BandPosition(), (Point{350, 550}));
    ASSERT_EQ(g.Press({452, 324}), JoinPointsGeometry::Click::FirstPoint);
    EXPECT_EQ(g.Press({48, 48}), JoinPointsGeometry::Click::Ignored);  // band at (-1, -1)
    EXPECT_EQ(g.Press({49, 49}), JoinPointsGeometry::Click::BandPlaced);
    EXPECT_EQ(g.BandPosition(), (Point{0, 0}));
}

TEST(JoinPointsGeometry, RightClickDiscardsTheFirstPoint) {
    JoinPointsGeometry g(true, 400, 600, 50, 50);
    g.Press({410, 300});
    g.RightPress();
    EXPECT_FALSE(g.FirstPointSet());
    EXPECT_FALSE(g.Accepted());
    // A click on the target now does nothing; one on the band starts again.
    EXPECT_EQ(g.Press({200, 100}), JoinPointsGeometry::Click::Ignored);
    EXPECT_EQ(g.Press({420, 280}), JoinPointsGeometry::Click::FirstPoint);
    EXPECT_EQ(g.PointOffset(), (Point{17, 5}));
    g.Press({200, 100});
    EXPECT_TRUE(g.Accepted());
    g.RightPress();
    EXPECT_FALSE(g.Accepted());
}

TEST(JoinPointsGeometry, VerticalJoinAndOversizedBand) {
    const JoinPointsGeometry vertical(false, 600, 400, 80, 40);
    EXPECT_EQ(vertical.BandBox(), (Rect{260, 403, 340, 443}));
    EXPECT_EQ(vertical.CompositeWidth(), 600);
    EXPECT_EQ(vertical.CompositeHeight(), 446);

    // A band taller than the target: nowhere allowed, and no negative box.
    JoinPointsGeometry tall(true, 100, 40, 30, 60);
    EXPECT_EQ(tall.BandBox().top, 0);
    EXPECT_EQ(tall.CompositeHeight(), 60);
    ASSERT_EQ(tall.Press({110, 10}), JoinPointsGeometry::Click::FirstPoint);
    for (int y = -5; y < 70; y += 5)
        EXPECT_EQ(tall.Press({50, y}), JoinPointsGeometry::Click::Ignored) << y;
}

// ---------------------------------------------------------------- manual move

using test::Cut;
using test::NoiseWorld;

// A 400 x 600 target and a 300 x 600 half that fits it 350 pixels to the right.
struct MoveFixture {
    Bitmap world = NoiseWorld(650, 600, 7);
    Bitmap target = Cut(world, {0, 0, 400, 600});
    Bitmap half = Cut(world, {350, 0, 650, 600});
};

TEST(MoveMapGeometry, BoxesAndTheFortyNineMeasuredColumns) {
    MoveFixture f;
    MoveMapGeometry g(true, f.target, f.half, {350, 0}, 0);
    EXPECT_EQ(g.Margin(), (Point{0, 60}));
    EXPECT_EQ(g.CompositeWidth(), 400 + 3 + 300);
    EXPECT_EQ(g.CompositeHeight(), 720);
    EXPECT_EQ(g.TargetBox(), (Rect{0, 60, 400, 660}));
    EXPECT_EQ(g.NewBox(), (Rect{350, 60, 650, 660}));
    EXPECT_EQ(g.OverlapBox(), (Rect{350, 60, 400, 660}));
    EXPECT_TRUE(g.HasOverlap());
    EXPECT_EQ(g.MeasuredBox().Width(), 49);
    EXPECT_EQ(g.MeasuredBox().Height(), 599);
    // Activation measured the true fit.
    EXPECT_EQ(g.OverlapPermille(), 1000);
    EXPECT_EQ(g.BestPermille(), 1000);
    EXPECT_EQ(g.CurrentOffset(), (Point{350, 0}));

    const MoveMapGeometry vertical(false, Cut(f.world, {0, 0, 300, 200}),
                                   Cut(f.world, {0, 150, 300, 300}), {0, 150}, 0);
    EXPECT_EQ(vertical.Margin(), (Point{30, 0}));
    EXPECT_EQ(vertical.CompositeWidth(), 360);
    EXPECT_EQ(vertical.CompositeHeight(), 203 + 150);
    EXPECT_EQ(vertical.OverlapBox(), (Rect{30, 150, 330, 200}));
    EXPECT_EQ(vertical.OverlapPermille(), 1000);
}

TEST(MoveMapGeometry, AnOverlapWiderThanTheHalfIsMeasuredWhereBothLie) {
    MoveFixture f;
    const Bitmap narrow = Cut(f.world, {200, 0, 300, 600});
    const MoveMapGeometry g(true, f.target, narrow, {200, 0}, 0);
    EXPECT_EQ(g.OverlapBox(), (Rect{200, 60, 300, 660}));
    EXPECT_EQ(g.OverlapPermille(), 1000);
}

TEST(MoveMapGeometry, CountsRedAgreementInPerMilleAndMarksTheMisses) {
    // Black target; the half black but for a few red pixels.
    Bitmap target(40, 30, PixelFormat::Bits8);
    target.Fill({0, 0, 0});
    Bitmap half(20, 30, PixelFormat::Bits24);
    half.Fill({0, 0, 0});
    half.SetPixel(5, 10, {255, 0, 0});
    half.SetPixel(6, 10, {255, 0, 0});
    half.SetPixel(0, 20, {255, 0, 0});    // first column of the overlap box: not measured
    half.SetPixel(15, 5, {255, 0, 0});    // beyond the target: not in the box
    half.SetPixel(2, 12, {0, 255, 255});  // red 0 like the target: a hit
    MoveMapGeometry g(true, target, half, {30, 0}, 0);
    // Overlap box (30, 3)-(40, 33); measured 9 x 29 = 261 pixels, 2 misses.
    ASSERT_EQ(g.MeasuredBox(), (Rect{31, 4, 40, 33}));
    EXPECT_EQ(g.OverlapPermille(), 259 * 1000 / 261);

    std::vector<uint8_t> mismatch;
    ASSERT_TRUE(g.Measure(&mismatch));
    ASSERT_EQ(mismatch.size(), 261u);
    std::set<std::pair<int, int>> misses;
    for (size_t i = 0; i < mismatch.size(); ++i)
        if (mismatch[i] != 0)
            misses.insert({31 + static_cast<int>(i % 9), 4 + static_cast<int>(i / 9)});
    const std::set<std::pair<int, int>> expected{{35, 13}, {36, 13}};
    EXPECT_EQ(misses, expected);

    // Spreading 255 accepts any red.
    const MoveMapGeometry loose(true, target, half, {30, 0}, 255);
    EXPECT_EQ(loose.OverlapPermille(), 1000);

    // Moved up, the half leaves the target's bottom rows: only the rows of both are measured.
    g.MoveBy(0, -3);
    ASSERT_TRUE(g.Measure(&mismatch));
    EXPECT_EQ(g.OverlapBox(), (Rect{30, 3, 40, 30}));
    EXPECT_EQ(g.MeasuredBox(), (Rect{31, 4, 40, 30}));
    EXPECT_EQ(mismatch.size(), 9u * 26u);
    EXPECT_EQ(std::count(mismatch.begin(), mismatch.end(), 1), 2);
}

TEST(MoveMapGeometry, DifferentPixelFormatsOfTheSamePictureAgree) {
    MoveFixture f;
    const Bitmap half24 = ConvertPixelFormat(f.half, PixelFormat::Bits24);
    const MoveMapGeometry g(true, f.target, half24, {350, 0}, 0);
    EXPECT_EQ(g.OverlapPermille(), 1000);
}

TEST(MoveMapGeometry, NoOverlapBeyondTheFarEdgeUntilMovedOntoTheTarget) {
    MoveFixture f;
    MoveMapGeometry g(true, f.target, f.half, {403, 0}, 0);
    EXPECT_FALSE(g.HasOverlap());
    EXPECT_FALSE(g.Measure());
    EXPECT_EQ(g.OverlapPermille(), 0);
    EXPECT_EQ(g.BestPermille(), 0);
    g.MoveBy(-1, 0);  // left 402: 402 + 2 is not below 400
    EXPECT_FALSE(g.HasOverlap());
    g.MoveBy(-53, 0);  // 349
    EXPECT_TRUE(g.HasOverlap());
    EXPECT_TRUE(g.Measure());
    EXPECT_GT(g.OverlapPermille(), 0);
    EXPECT_LT(g.OverlapPermille(), 500);
    g.MoveBy(1, 0);
    g.Measure();
    EXPECT_EQ(g.OverlapPermille(), 1000);
    // Moving it far below the target leaves nothing to measure; the labels keep their values.
    g.MoveBy(0, 2000);
    EXPECT_FALSE(g.HasOverlap());
    EXPECT_FALSE(g.Measure());
    EXPECT_EQ(g.OverlapPermille(), 1000);
}

TEST(MoveMapGeometry, BestPlacementIsRemembered) {
    MoveFixture f;
    MoveMapGeometry g(true, f.target, f.half, {340, 4}, 0);
    const int start = g.OverlapPermille();
    EXPECT_EQ(g.BestPermille(), start);
    EXPECT_FALSE(g.BestResultEnabled());
    EXPECT_TRUE(g.SurroundEnabled());
    g.MoveBy(10, -4);
    g.Measure();
    EXPECT_EQ(g.BestPermille(), 1000);
    EXPECT_EQ(g.BestOffset(), (Point{350, 0}));
    g.MoveBy(3, 3);
    g.Measure();
    EXPECT_TRUE(g.BestResultEnabled());
    EXPECT_FALSE(g.SurroundEnabled());
    EXPECT_EQ(g.CurrentOffset(), (Point{353, 3}));
    g.GoToBest();
    g.Measure();
    EXPECT_EQ(g.CurrentOffset(), (Point{350, 0}));
    EXPECT_FALSE(g.BestResultEnabled());
}

TEST(MoveMapGeometry, SurroundMeasuresFortyEightOffsetsAndFindsTheBest) {
    EXPECT_EQ(MoveMapGeometry::SurroundOffsets(3).size(), 48u);
    EXPECT_EQ(MoveMapGeometry::SurroundOffsets(1).front(), (Point{-1, -1}));
    EXPECT_EQ(MoveMapGeometry::SurroundOffsets(1).back(), (Point{1, 1}));

    MoveFixture f;
    MoveMapGeometry g(true, f.target, f.half, {352, -2}, 0);  // the fit is at (-2, +2)
    std::vector<int> progress;
    const int measured = g.SearchSurround(3, [&](int done, int total) {
        EXPECT_EQ(total, 49);
        progress.push_back(done);
        return true;
    });
    EXPECT_EQ(measured, 48);
    ASSERT_EQ(progress.size(), 49u);
    EXPECT_EQ(progress.back(), 49);
    EXPECT_EQ(g.CurrentOffset(), (Point{355, 1}));  // the last offset
    g.GoToBest();
    EXPECT_EQ(g.CurrentOffset(), (Point{350, 0}));

    // Started on the best, it ends there again.
    g.Measure();
    g.SearchSurround(2, nullptr);
    g.GoToBest();
    EXPECT_EQ(g.CurrentOffset(), (Point{350, 0}));

    // Stopped after the fifth step.
    MoveMapGeometry stopped(true, f.target, f.half, {352, -2}, 0);
    EXPECT_EQ(stopped.SearchSurround(3, [](int done, int) { return done < 5; }), 5);
}

TEST(MoveMapGeometry, PointToPointMovesByTheFeaturesVector) {
    MoveFixture f;
    MoveMapGeometry g(true, f.target, f.half, {380, 0}, 0);
    using Click = MoveMapGeometry::PointClick;
    g.StartPointToPoint();
    EXPECT_EQ(g.PointerAt({100, 100}), ToolPointer::Forbidden);
    EXPECT_EQ(g.PointerAt({500, 100}), ToolPointer::Crosshair);
    EXPECT_EQ(g.PointPress({100, 100}), Click::Ignored);  // not on the new half
    // The feature at world (390, 300) lies at composite (420, 360) on the half and at
    // (390, 360) on the target: 30 pixels apart.
    EXPECT_EQ(g.PointPress({420, 360}), Click::FirstPoint);
    EXPECT_EQ(g.PointStep(), 2);
    EXPECT_TRUE(g.PointFollow({300, 200}));
    EXPECT_EQ(g.SecondPoint(), (Point{300, 200}));
    EXPECT_EQ(g.PointerAt({500, 100}), ToolPointer::Forbidden);
    EXPECT_EQ(g.PointerAt({300, 100}), ToolPointer::Crosshair);
    EXPECT_EQ(g.PointPress({390, 360}), Click::MapMoved);
    EXPECT_EQ(g.CurrentOffset(), (Point{350, 0}));  // moved by exactly (-30, 0)
    EXPECT_EQ(g.PointStep(), 0);
    g.Measure();
    EXPECT_EQ(g.OverlapPermille(), 1000);
}

TEST(MoveMapGeometry, RightButtonStepsBackAndDragsFollowTheMouse) {
    MoveFixture f;
    MoveMapGeometry g(true, f.target, f.half, {350, 0}, 0);
    g.StartPointToPoint();
    g.PointPress({450, 100});
    g.PointFollow({200, 300});
    g.PointBack();
    EXPECT_EQ(g.PointStep(), 1);
    EXPECT_EQ(g.SecondPoint(), g.FirstPoint());
    g.PointBack();
    EXPECT_EQ(g.PointStep(), 0);
    g.PointBack();
    EXPECT_EQ(g.PointStep(), 0);

    EXPECT_FALSE(g.BeginDrag({100, 100}));  // on the target only
    ASSERT_TRUE(g.BeginDrag({450, 100}));
    EXPECT_TRUE(g.DragTo({440, 103}));
    EXPECT_EQ(g.CurrentOffset(), (Point{340, 3}));
    g.EndDrag();
    EXPECT_FALSE(g.DragTo({400, 100}));

    // A drag cannot take the half off the composite.
    ASSERT_TRUE(g.BeginDrag({450, 100}));
    g.DragTo({-100000, -100000});
    EXPECT_EQ(g.NewBox().right, 1);
    EXPECT_EQ(g.NewBox().bottom, 1);
    g.DragTo({100000, 100000});
    EXPECT_EQ(g.NewBox().left, g.CompositeWidth() - 1);
    EXPECT_FALSE(g.Measure());

    // No drag while point-to-point runs.
    g.EndDrag();
    g.StartPointToPoint();
    EXPECT_FALSE(g.BeginDrag({g.NewBox().left, g.NewBox().top}));
}

TEST(MoveMapGeometry, EmptyPicturesNeverMeasure) {
    const Bitmap empty;
    MoveMapGeometry g(true, empty, empty, {0, 0}, 1);
    EXPECT_FALSE(g.HasOverlap());
    EXPECT_FALSE(g.Measure());
    g.MoveBy(-5, -5);
    EXPECT_FALSE(g.Measure());
    EXPECT_EQ(g.SearchSurround(1, nullptr), 8);
}

}  // namespace
}  // namespace korvalen
