// The map display control offscreen: loading, the empty state, drawing the points, panning.
#include "geo/GeoMap.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

class GeoMapControl : public ::testing::Test {
protected:
    test::TempDir dir;
    TGeoMap map;

    GeoMapControl() {
        map.setObjectName(QStringLiteral("gmMap"));
        map.resize(200, 150);
        map.showGraticule = ShowGraticule::sgPoints;
    }

    fs::path WriteJpeg(const std::string& name, int w, int h, unsigned seed = 1) {
        std::string error;
        const fs::path path = dir / name;
        EXPECT_TRUE(WriteJpegFile(path, test::MakeTestPicture(w, h, seed), 90, error)) << error;
        return path;
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, map.mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&map, &event);
    }
};

TEST_F(GeoMapControl, LoadsJpegAndBitmapAndEmptiesForAMissingFile) {
    map.LoadMapImage(WriteJpeg("map.JPG", 300, 200));
    EXPECT_EQ(map.ImageWidth(), 300);
    EXPECT_EQ(map.ImageHeight(), 200);

    std::string error;
    ASSERT_TRUE(WriteBmpFile(dir / "small.bmp", test::MakeTestPicture(40, 30, 2), error));
    map.LoadMapImage(dir / "small.bmp");
    EXPECT_EQ(map.ImageWidth(), 40);

    // Another extension keeps the image under the new name.
    test::WriteBytes(dir / "notes.txt", {'x'});
    map.LoadMapImage(dir / "notes.txt");
    EXPECT_EQ(map.ImageWidth(), 40);
    EXPECT_EQ(map.FileName(), dir / "notes.txt");

    map.LoadMapImage(dir / "gone.jpg");
    EXPECT_EQ(map.ImageWidth(), 0);
    EXPECT_TRUE(map.FileName().empty());
    const QImage frame = map.RenderFrame();
    EXPECT_EQ(frame.pixelColor(100, 10), map.ColorBackGnd);
    EXPECT_EQ(frame.pixelColor(0, 0), map.ColorFrame);  // the simple frame
}

TEST_F(GeoMapControl, ACorruptImageIsRefusedAndTheOldOneStays) {
    map.LoadMapImage(WriteJpeg("good.jpg", 120, 80));
    std::vector<uint8_t> bytes = test::ReadBytes(dir / "good.jpg");
    bytes.resize(bytes.size() / 3);
    test::WriteBytes(dir / "cut.jpg", bytes);
    test::WriteBytes(dir / "empty.bmp", {'B', 'M', 0, 0});
    for (const char* name : {"cut.jpg", "empty.bmp"}) {
        try {
            map.LoadMapImage(dir / name);
            ADD_FAILURE() << name << " was accepted";
        } catch (const ESDLGeoMapError& e) {
            EXPECT_NE(std::string(e.what()).find("Component \"gmMap\""), std::string::npos);
        }
        EXPECT_EQ(map.ImageWidth(), 120);
        EXPECT_EQ(map.FileName(), dir / "good.jpg");
    }
}

TEST_F(GeoMapControl, TheParabolicModelRefusesPoints) {
    map.SetCalibModel(CalibModel::cmParabolicIp);
    try {
        map.AddCalibPoint(1, 1, 1, 1);
        ADD_FAILURE();
    } catch (const ESDLGeoMapError& e) {
        EXPECT_STREQ(e.what(),
                     "Component \"gmMap\": current calibration model does not support this "
                     "version of AddCalibPoint");
    }
}

TEST_F(GeoMapControl, PointsAreMarkedWhereTheyLie) {
    map.LoadMapImage(WriteJpeg("map.jpg", 400, 300));
    map.AddCalibPoint(50, 40, 47.5, 8.5);
    map.SetMagnification(2);
    map.CenterOn(QPoint(50, 40));
    const QPoint c = map.ImageToScreen(QPoint(50, 40));
    const QImage frame = map.RenderFrame();
    EXPECT_EQ(frame.pixelColor(c.x() + 5, c.y()), QColor(Qt::red));   // the cross
    EXPECT_EQ(frame.pixelColor(c.x(), c.y() - 10), QColor(Qt::red));  // the outer diamond
    EXPECT_EQ(frame.pixelColor(c.x() + 9, c.y()), QColor(Qt::white));
    map.showGraticule = ShowGraticule::sgNone;
    EXPECT_NE(map.RenderFrame().pixelColor(c.x() + 9, c.y()), QColor(Qt::white));
}

TEST_F(GeoMapControl, DraggingPansAndStaysInsideTheImage) {
    map.LoadMapImage(WriteJpeg("map.jpg", 1000, 800));
    Mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {100, 100}, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {60, 70}, Qt::LeftButton);
    EXPECT_EQ(map.PanX(), 40);
    EXPECT_EQ(map.PanY(), 30);
    Mouse(QEvent::MouseMove, {199, 149}, Qt::LeftButton);
    EXPECT_EQ(map.PanX(), 0);
    Mouse(QEvent::MouseButtonRelease, {199, 149}, Qt::NoButton);
    // A later move without the button does not pan.
    Mouse(QEvent::MouseMove, {10, 10}, Qt::NoButton);
    EXPECT_EQ(map.PanX(), 0);
    EXPECT_EQ(map.LastMouseImagePos(), QPoint(100, 100));
}

TEST_F(GeoMapControl, TheRubberBandTogglesWithEachPress) {
    map.LoadMapImage(WriteJpeg("map.jpg", 300, 300));
    map.StartRubberBand({20, 20});
    EXPECT_TRUE(map.RubberBandActive());
    EXPECT_EQ(map.GetMouseAction(), MouseAction::maRubberBand);
    Mouse(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    EXPECT_FALSE(map.RubberBandActive());
    Mouse(QEvent::MouseButtonPress, {30, 30}, Qt::LeftButton);
    EXPECT_TRUE(map.RubberBandActive());
    map.SetMouseAction(MouseAction::maPan);
    EXPECT_FALSE(map.RubberBandActive());
}

// Drawing a reduced view builds the pre-scaled levels once; the picture then matches the
// full-size one at the same place.
TEST_F(GeoMapControl, ReducedViewsComeFromThePrescaledLevels) {
    map.LoadMapImage(WriteJpeg("map.jpg", 1000, 700, 4));
    EXPECT_EQ(map.PyramidBuildMs(), 0);
    map.SetMagnification(0.25);
    const QImage quarter = map.RenderFrame();
    EXPECT_GT(map.PyramidBuildMs(), 0);
    EXPECT_NE(quarter.pixelColor(100, 70), map.ColorBackGnd);
    map.SetMagnification(0.05);  // clamped to 0.1: 100 x 70 screen pixels
    EXPECT_DOUBLE_EQ(map.Magnification(), 0.1);
    const QImage tenth = map.RenderFrame();
    EXPECT_NE(tenth.pixelColor(90, 60), map.ColorBackGnd);
    EXPECT_EQ(tenth.pixelColor(150, 100), map.ColorBackGnd);
}

}  // namespace
}  // namespace korvalen
