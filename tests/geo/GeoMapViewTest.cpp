// The display's view: magnification, panning, screen and image pixels, the size limit.
#include "geo/GeoMapView.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvalen {
namespace {

TEST(RoundHalfEvenToInt, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, int> cases[] = {{0.5, 0},  {1.5, 2},          {2.5, 2},
                                            {-0.5, 0}, {-1.5, -2},        {2.49, 2},
                                            {2.51, 3}, {1e30, INT32_MAX}, {NAN, 0}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(RoundHalfEvenToInt(value), expected) << value;
}

TEST(GeoMapImageSize, ExactlyOneHundredMegapixelsIsTheLimit) {
    EXPECT_EQ(GeoMapImageSizeError("gmMap", 10000, 10000), "");
    EXPECT_EQ(GeoMapImageSizeError("gmMap", 100000000, 1), "");
    EXPECT_EQ(GeoMapImageSizeError("gmMap", 100000001, 1),
              "Component \"gmMap\": Cannot use map image, maximum of 100000000 pixels exceeded "
              "(size of map is 100000001 x 1)");
    // 65536 x 65536 is 0 in 32 bits; it must be refused all the same.
    EXPECT_NE(GeoMapImageSizeError("gmMap", 65536, 65536), "");
    EXPECT_NE(GeoMapImageSizeError("gmMap", 46341, 46341), "");
}

TEST(GeoMapViewZoom, MagnificationIsClampedAndKeepsTheTopLeft) {
    GeoMapView view;
    view.SetImageSize(5000, 5000);
    view.SetViewSize(400, 300);
    view.SetPan(100, 200);
    const std::pair<double, double> cases[] = {{0.05, 0.1}, {20, 10}, {1.5, 1.5}, {0.1, 0.1}};
    for (const auto& [asked, held] : cases) {
        view.SetMagnification(asked);
        EXPECT_DOUBLE_EQ(view.Magnification(), held);
        EXPECT_EQ(view.PanX(), 100);
        EXPECT_EQ(view.PanY(), 200);
    }
    view.SetMagnification(NAN);
    EXPECT_DOUBLE_EQ(view.Magnification(), 0.1);
}

TEST(GeoMapViewConversions, ScreenAndImagePixels) {
    GeoMapView view;
    view.SetImageSize(5000, 5000);
    view.SetViewSize(400, 300);
    view.SetMagnification(2);
    view.SetPan(10, 20);
    EXPECT_EQ(view.ScreenToImage({5, 3}), (PixelPos{12, 22}));  // 2.5 -> 2, 1.5 -> 2
    EXPECT_EQ(view.ScreenToImage({7, 0}), (PixelPos{14, 20}));  // 3.5 -> 4
    EXPECT_EQ(view.ImageToScreen({12, 22}), (PixelPos{4, 4}));
    view.SetMagnification(0.25);
    EXPECT_EQ(view.ImageToScreen({12, 20}), (PixelPos{0, 0}));  // 0.5 -> 0
    EXPECT_EQ(view.ImageToScreen({16, 26}), (PixelPos{2, 2}));  // 1.5 -> 2
}

TEST(GeoMapViewCentre, CentresAndConfinesToTheImage) {
    GeoMapView view;
    view.SetImageSize(1000, 800);
    view.SetViewSize(200, 100);
    view.CenterOn({0, 0});
    EXPECT_EQ(view.PanX(), 0);
    EXPECT_EQ(view.PanY(), 0);
    view.CenterOn({500, 400});
    EXPECT_EQ(view.PanX(), 400);
    EXPECT_EQ(view.PanY(), 350);
    view.CenterOn({1000, 800});
    EXPECT_EQ(view.PanX(), 800);
    EXPECT_EQ(view.PanY(), 700);
    view.SetMagnification(0.1);  // the whole image fits: the view stays at the top-left
    view.CenterOn({1000, 800});
    EXPECT_EQ(view.PanX(), 0);
    EXPECT_EQ(view.PanY(), 0);
    view.ConfinePanToMapImage = false;
    view.SetMagnification(1);
    view.CenterOn({1000, 800});
    EXPECT_EQ(view.PanX(), 900);
    EXPECT_EQ(view.PanY(), 750);
}

TEST(GeoMapViewPan, DraggingMovesByTheMouseDistanceOverTheMagnification) {
    GeoMapView view;
    view.SetImageSize(1000, 1000);
    view.SetViewSize(100, 100);
    view.SetMagnification(2);
    view.SetPan(300, 300);
    view.DragMove({50, 50});  // records the start only
    EXPECT_EQ(view.PanX(), 300);
    view.DragMove({30, 70});
    EXPECT_EQ(view.PanX(), 310);
    EXPECT_EQ(view.PanY(), 290);
    view.DragMove({50, 50}, PanAxes::Horizontal);
    EXPECT_EQ(view.PanX(), 300);
    EXPECT_EQ(view.PanY(), 290);
    view.DragMove({2000, 2000});  // far beyond the image's top-left: confined
    EXPECT_EQ(view.PanX(), 0);
    EXPECT_EQ(view.PanY(), 0);
    view.DragMove({-5000, -5000});
    EXPECT_EQ(view.PanX(), 950);
    EXPECT_EQ(view.PanY(), 950);
    view.EndDrag();
    EXPECT_FALSE(view.Dragging());
}

}  // namespace
}  // namespace korvalen
