// The calibration forms offscreen with scripted dialogs: placing the corners of a demo map,
// deriving and re-placing points, zooming, saving every format and reading it back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>

#include "core/ProgramState.h"
#include "geo/CalibrationReader.h"
#include "geo/GeoMap.h"
#include "geo/TavixGeoMap.h"
#include "geo/TavixShowGeoMap.h"
#include "images/JpegCodec.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace korvalen::test {
namespace {

namespace fs = std::filesystem;

// The demo map a1.jpg is 640 x 480; its corners as a grid pattern would give them.
constexpr int kW = 640, kH = 480;
const std::array<LatLon, 4> kCorners = {LatLon{47.60, 8.40}, LatLon{47.60, 8.60},
                                        LatLon{47.50, 8.40}, LatLon{47.50, 8.60}};

QPoint CornerPixel(int n) {
    const PixelPos p = CalibPoints::FixedPixel(n, kW, kH);
    return {p.X, p.Y};
}

class CalibrationForms : public ::testing::Test {
protected:
    TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    fs::path image = dir / "joined.jpg";

    CalibrationForms() {
        fs::copy_file(fs::path(KORVALEN_DEMO_DIR) / "a1.jpg", image);
        state.settings.language = 0;
    }

    std::unique_ptr<TfGeoMap> OpenGeoMap() {
        auto form = std::make_unique<TfGeoMap>(state, dialogs, true);
        EXPECT_TRUE(form->Open(image, kCorners));
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    // Clicks the image pixel on the map at a magnification where the whole map shows.
    static void ClickPixel(GeoMapFormBase& form, QPoint pixel) {
        if (form.gmMap->Magnification() > 0.5)
            form.SetZoom(0.5);
        const QPoint screen = form.gmMap->ImageToScreen(pixel);
        ASSERT_EQ(form.gmMap->ScreenToImage(screen), pixel);
        // Sent directly: QTest takes the point (0, 0) for "the widget's centre".
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, screen, form.gmMap->mapToGlobal(screen), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(form.gmMap, &event);
        }
    }

    void PlaceCorner(TfGeoMap& form, int n, QPoint pixel) {
        form.tbCalClick(n);
        ASSERT_EQ(form.ActivePoint, n);
        ClickPixel(form, pixel);
        EXPECT_EQ(form.ActivePoint, 0);
    }

    void PlaceAllCorners(TfGeoMap& form) {
        for (int n = 1; n <= 4; ++n)
            PlaceCorner(form, n, CornerPixel(n));
    }

    QStringList Errors() const { return dialogs.asked.filter(QStringLiteral("error: ")); }

    // Nine points of a captured map, all "set".
    void FillCapturedPoints() {
        CalibPoints& points = state.Calibration.Points;
        for (int n = 1; n <= 4; ++n) {
            const PixelPos p = CalibPoints::FixedPixel(n, kW, kH);
            points[n] = {kCorners[n - 1].Lat, kCorners[n - 1].Lon, p.X, p.Y, kPointSet};
        }
        points.DeriveFromCorners();
        for (int n = 5; n <= 9; ++n)
            points[n].State = kPointSet;
    }
};

TEST_F(CalibrationForms, ThreeCornersGiveThreePointsTheFourthAddsFiveAndEnablesSaving) {
    auto form = OpenGeoMap();
    EXPECT_EQ(form->windowTitle(), "Calibrate result map");
    EXPECT_FALSE(form->sbSaveCalibration->isEnabled());
    EXPECT_EQ(form->lvCal->topLevelItem(0)->text(1), QString::fromUtf8("47.60000°"));
    EXPECT_EQ(form->lvCal->topLevelItem(0)->text(3), "");  // not placed yet
    for (int n = 1; n <= 3; ++n)
        PlaceCorner(*form, n, CornerPixel(n));
    EXPECT_EQ(form->gmMap->NumCalibPoints(), 3);
    EXPECT_FALSE(form->Calibrated);
    EXPECT_FALSE(form->sbSaveCalibration->isEnabled());
    PlaceCorner(*form, 4, CornerPixel(4));
    EXPECT_EQ(form->gmMap->NumCalibPoints(), 9);
    EXPECT_TRUE(form->sbSaveCalibration->isEnabled());
    const CalibPoints& p = state.Calibration.Points;
    EXPECT_EQ(p[kCentre].X, 320);
    EXPECT_EQ(p[kCentre].Y, 240);
    EXPECT_DOUBLE_EQ(p[kTopMiddle].Lon, 8.5);
    EXPECT_EQ(form->lvCal->topLevelItem(3)->text(3), "640/480");
    // A linear map is fitted exactly: the display's corners are the grid's.
    EXPECT_NEAR(form->gmMap->Calibration().CornerLatLon(ImageCorner::BottomRight).Lat, 47.5, 1e-9);
    EXPECT_NEAR(form->gmMap->PixelToLon(320, 100), 8.5, 1e-9);
    EXPECT_TRUE(form->lvCal->topLevelItem(0)->text(4).startsWith("0.0 px"));
    EXPECT_TRUE(form->panels[6]->text().startsWith("RMS 0.0 px"));
}

TEST_F(CalibrationForms, ReplacingACornerMovesTheDerivedPointsBuiltFromIt) {
    auto form = OpenGeoMap();
    PlaceAllCorners(*form);
    const CalibPoints before = state.Calibration.Points;
    PlaceCorner(*form, kBottomLeft, QPoint(10, 470));
    const CalibPoints& after = state.Calibration.Points;
    for (int n = 1; n <= 9; ++n) {
        const bool moves = n == 3 || n == 6 || n == 7;
        EXPECT_EQ(after[n].X != before[n].X || after[n].Y != before[n].Y, moves) << n;
    }
    EXPECT_EQ(after[kLeftMiddle].X, 5);  // middle of (0, 0) and (10, 470)
    EXPECT_EQ(after[kLeftMiddle].Y, 235);

    const CalibPoints second = after;
    PlaceCorner(*form, kTopLeft, QPoint(4, 6));
    for (int n = 1; n <= 9; ++n) {
        const bool moves = n == 1 || n == 5 || n == 7 || n == 9;
        EXPECT_EQ(after[n].X != second[n].X || after[n].Y != second[n].Y, moves) << n;
    }
    // The display holds the same nine pixels as the table.
    ASSERT_EQ(form->gmMap->NumCalibPoints(), 9);
    for (int n = 1; n <= 9; ++n) {
        bool found = false;
        for (const GeoCalibPoint& g : form->gmMap->Calibration().Points())
            found |= g.X == after[n].X && g.Y == after[n].Y;
        EXPECT_TRUE(found) << n;
    }
    // Points 1 and 3 are now off the straight grid: their residual shows.
    EXPECT_FALSE(form->lvCal->topLevelItem(0)->text(4).isEmpty());
}

TEST_F(CalibrationForms, PressingTheActiveCornerAgainLeavesPlacing) {
    auto form = OpenGeoMap();
    form->tbCalClick(2);
    EXPECT_TRUE(form->tbCal[1]->isChecked());
    form->tbCalClick(2);
    EXPECT_EQ(form->ActivePoint, 0);
    EXPECT_FALSE(form->tbCal[1]->isChecked());
    ClickPixel(*form, QPoint(100, 100));
    EXPECT_EQ(form->gmMap->NumCalibPoints(), 0);
    EXPECT_EQ(state.Calibration.Points[2].X, kNotPlaced);
}

TEST_F(CalibrationForms, ReplacingStartsTheMarkingBandOnThePoint) {
    auto form = OpenGeoMap();
    PlaceAllCorners(*form);
    form->SetZoom(1);
    form->tbCalClick(3);
    EXPECT_TRUE(form->gmMap->RubberBandActive());
    EXPECT_EQ(form->gmMap->PanX(), 0);
    EXPECT_EQ(form->gmMap->PanY(),
              kH - static_cast<int>(form->gmMap->height()) <= 0 ? 0 : kH - form->gmMap->height());
}

TEST_F(CalibrationForms, ZoomStepsAndLimits) {
    auto form = OpenGeoMap();
    EXPECT_EQ(form->panels[4]->text(), "100%");
    for (int i = 0; i < 8; ++i)
        form->sbZoomPlusClick();
    EXPECT_EQ(form->panels[4]->text(), "400%");
    for (int i = 0; i < 20; ++i)
        form->sbZoomPlusClick();
    EXPECT_EQ(form->panels[4]->text(), "1000%");
    for (int i = 0; i < 40; ++i)
        form->sbZoomMinusClick();
    EXPECT_EQ(form->panels[4]->text(), "10%");
    // The whole map shows: no scroll bars.
    EXPECT_FALSE(form->sbHor->isVisible());
    EXPECT_FALSE(form->sbVer->isVisible());
    form->SetZoom(4);
    EXPECT_TRUE(form->sbHor->isVisible());
    EXPECT_TRUE(form->sbVer->isVisible());
    // Moving a bar centres the view there.
    form->sbHor->setValue(form->sbHor->maximum());
    EXPECT_EQ(form->gmMap->PanX(), form->sbHor->maximum());
}

TEST_F(CalibrationForms, StatusBarShowsThePixelAndOnceCalibratedItsCoordinates) {
    auto form = OpenGeoMap();
    form->SetZoom(0.5);
    QTest::mouseMove(form->gmMap, QPoint(160, 120));
    EXPECT_EQ(form->panels[0]->text(), "X=320");
    EXPECT_EQ(form->panels[1]->text(), "Y=240");
    EXPECT_EQ(form->panels[3]->text(), "");
    PlaceAllCorners(*form);
    QTest::mouseMove(form->gmMap, QPoint(161, 120));
    QTest::mouseMove(form->gmMap, QPoint(160, 120));
    EXPECT_EQ(form->panels[3]->text(), QString::fromUtf8("47.55000°"));
    EXPECT_EQ(form->panels[2]->text(), QString::fromUtf8("8.50000°"));
}

TEST_F(CalibrationForms, EveryHandFormatIsSavedAndReadsBackTheGridCorners) {
    auto form = OpenGeoMap();
    PlaceAllCorners(*form);
    const char* extensions[] = {"map", "cal", "geo", "gmw", "jpr"};
    for (int format = 1; format <= kFormFormatCount; ++format) {
        SCOPED_TRACE(format);
        form->SetFormatIndex(format);
        form->sbSaveCalibrationClick();
        EXPECT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
        const fs::path file =
            dir / (std::string(format == 2 ? "joined_jpg." : "joined.") + extensions[format - 1]);
        ASSERT_TRUE(fs::exists(file));
        CalibrationFileContent content;
        std::string error;
        ASSERT_TRUE(ReadCalibrationFile(file, format, content, error)) << error;
        EXPECT_EQ(content.points.size(), format == 2 ? 3u : 4u);
        if (content.corners) {
            for (int c = 0; c < 4; ++c) {
                const LatLon want = kCorners[c == 2 ? 3 : c == 3 ? 2 : c];  // TL TR BR BL
                EXPECT_NEAR((*content.corners)[c].Lat, want.Lat, 1e-6);
                EXPECT_NEAR((*content.corners)[c].Lon, want.Lon, 1e-6);
            }
        }
    }
    ASSERT_EQ(dialogs.timedMessages.size(), 5u);
    EXPECT_EQ(dialogs.timedMessages[0].intervalMs, 3000);
    EXPECT_TRUE(dialogs.timedMessages[0].text.contains("joined.map has been saved"));
    EXPECT_TRUE(form->CalibrationSaved);
}

TEST_F(CalibrationForms, ASaveThatFailsIsReported) {
    auto form = OpenGeoMap();
    PlaceAllCorners(*form);
    // A directory where the file should go: the save fails, and says so.
    fs::create_directory(dir / "joined.geo");
    form->SetFormatIndex(kGpsTracker);
    form->sbSaveCalibrationClick();
    EXPECT_EQ(Errors().size(), 1);
    EXPECT_FALSE(form->CalibrationSaved);
}

TEST_F(CalibrationForms, ClosingUnsavedAsksAndSavesOnRequest) {
    {
        auto form = OpenGeoMap();
        form->close();
        EXPECT_TRUE(dialogs.selectionsAsked.empty());  // nothing to save
    }
    auto form = OpenGeoMap();
    PlaceAllCorners(*form);
    dialogs.selections.push_back(1);
    form->close();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(dialogs.selectionsAsked[0].caption, "Save this calibration?");
    EXPECT_TRUE(fs::exists(dir / "joined.map"));
}

TEST_F(CalibrationForms, AMapThatCannotBeShownDoesNotOpenTheForm) {
    TfGeoMap form(state, dialogs, true);
    EXPECT_FALSE(form.Open(dir / "none.jpg", kCorners));
    std::vector<uint8_t> bytes = ReadBytes(image);
    bytes.resize(200);
    WriteBytes(dir / "cut.jpg", bytes);
    EXPECT_FALSE(form.Open(dir / "cut.jpg", kCorners));
    WriteBytes(dir / "map.png", {0x89, 'P', 'N', 'G'});
    EXPECT_FALSE(form.Open(dir / "map.png", kCorners));
    ASSERT_EQ(Errors().size(), 3);
    EXPECT_TRUE(Errors()[0].startsWith("error: File not found:"));
    EXPECT_TRUE(Errors()[2].startsWith("error: Not a JPEG or bitmap file:"));
    EXPECT_FALSE(ShowGeoMapCalibration(nullptr, state, dialogs, dir / "cut.jpg", kCorners, true));
}

// A run-length encoded bitmap of 10001 x 10000 pixels that ends at once: tiny on disk, one
// pixel row beyond the display's limit.
std::vector<uint8_t> HugeRleBitmap() {
    std::vector<uint8_t> b;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const uint32_t dataOffset = 14 + 40 + 256 * 4;
    b.push_back('B');
    b.push_back('M');
    put(dataOffset + 2, 4);
    put(0, 4);
    put(dataOffset, 4);
    put(40, 4);
    put(10001, 4);
    put(10000, 4);
    put(1, 2);
    put(8, 2);
    put(1, 4);  // RLE8
    put(2, 4);
    put(0, 4);
    put(0, 4);
    put(256, 4);
    put(0, 4);
    for (int i = 0; i < 256; ++i)
        put(static_cast<uint32_t>(i * 0x010101), 4);
    b.push_back(0);
    b.push_back(1);  // end of bitmap
    return b;
}

TEST_F(CalibrationForms, AMapBeyondTheLimitShowsTheDisplaysMessage) {
    WriteBytes(dir / "huge.bmp", HugeRleBitmap());
    TfShowGeoMap form(state, dialogs);
    EXPECT_FALSE(form.Open(dir / "huge.bmp"));
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_EQ(Errors()[0].toStdString(),
              "error: Component \"gmMap\": Cannot use map image, maximum of 100000000 pixels "
              "exceeded (size of map is 10001 x 10000)");
}

TEST_F(CalibrationForms, CapturedMapShowsItsNinePointsAndSavesAllSevenFormats) {
    FillCapturedPoints();
    state.settings.calibFormat = 7;
    TfShowGeoMap form(state, dialogs);
    ASSERT_TRUE(form.Open(image));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.FormatIndex(), 7);
    EXPECT_EQ(form.gmMap->NumCalibPoints(), 9);
    EXPECT_EQ(state.Calibration.Points[9].State, kPointShown);
    EXPECT_EQ(form.lvCal->topLevelItemCount(), 9);
    EXPECT_EQ(form.lvCal->topLevelItem(8)->text(3), "320/240");
    // The whole map fits the view.
    EXPECT_LE(form.gmMap->Magnification() * kW, form.gmMap->width() + 1);
    EXPECT_LE(form.gmMap->Magnification() * kH, form.gmMap->height() + 1);
    for (int format = 1; format <= kFormatCount; ++format) {
        form.SetFormatIndex(format);
        form.sbSaveCalibrationClick();
    }
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
    ASSERT_EQ(dialogs.timedMessages.size(), 7u);
    EXPECT_EQ(dialogs.timedMessages[0].intervalMs, 5000);
    for (const char* name : {"joined.map", "joined_jpg.cal", "joined.geo", "joined.gmw",
                             "joined.jpr", "joined.jgw", "joined.tab"})
        EXPECT_TRUE(fs::exists(dir / name)) << name;
}

// The display starts empty each time: points handed to it on an earlier opening (now
// "shown") must go on the map again, or a second look at the capture shows none.
TEST_F(CalibrationForms, ACapturedMapOpenedAgainShowsItsPointsAgain) {
    FillCapturedPoints();
    for (int opening = 0; opening < 2; ++opening) {
        TfShowGeoMap form(state, dialogs);
        ASSERT_TRUE(form.Open(image));
        EXPECT_EQ(form.gmMap->NumCalibPoints(), 9) << opening;
    }
}

TEST_F(CalibrationForms, AMisplacedCapturedPointIsShownInRed) {
    FillCapturedPoints();
    // 20 pixels off: a least-squares fit of nine points leaves it about 9 pixels out, its
    // neighbours 2 to 4.
    state.Calibration.Points[kCentre].X += 20;
    TfShowGeoMap form(state, dialogs);
    ASSERT_TRUE(form.Open(image));
    form.show();
    const QTreeWidgetItem* centre = form.lvCal->topLevelItem(8);
    EXPECT_EQ(centre->foreground(0).color(), QColor(Qt::red));
    EXPECT_NE(form.lvCal->topLevelItem(0)->foreground(0).color(), QColor(Qt::red));
    EXPECT_TRUE(form.panels[6]->text().startsWith("RMS"));
}

// An independent reader: GDAL's gdalinfo must find every corner of the map within one pixel,
// from the OziExplorer file of the hand calibration and the MapInfo table of the capture.
TEST_F(CalibrationForms, GdalReadsTheWrittenCornersWithinOnePixel) {
    if (!HaveProgram("gdalinfo"))
        GTEST_SKIP() << "gdalinfo (Debian package gdal-bin) is not installed; "
                        "the calibration files are not checked by GDAL";
    {
        auto form = OpenGeoMap();
        PlaceAllCorners(*form);
        form->SetFormatIndex(kOziExplorer);
        form->sbSaveCalibrationClick();
        form->CalibrationSaved = true;
    }
    FillCapturedPoints();
    {
        TfShowGeoMap form(state, dialogs);
        ASSERT_TRUE(form.Open(image));
        form.SetFormatIndex(kMapInfo);
        form.sbSaveCalibrationClick();
    }
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
    const double pixelLon = (kCorners[1].Lon - kCorners[0].Lon) / kW;
    const double pixelLat = (kCorners[0].Lat - kCorners[2].Lat) / kH;
    // GDAL opens the .map itself; the .tab it finds beside the image.
    for (const fs::path& file : {dir / "joined.map", image}) {
        SCOPED_TRACE(file.string());
        std::string output;
        ASSERT_EQ(RunCommand("gdalinfo -json '" + file.string() + "' 2>/dev/null", &output), 0);
        const QJsonObject info =
            QJsonDocument::fromJson(QByteArray::fromStdString(output)).object();
        const QJsonObject corners = info.value("cornerCoordinates").toObject();
        ASSERT_FALSE(corners.isEmpty()) << output;
        const std::pair<const char*, LatLon> expected[] = {{"upperLeft", kCorners[0]},
                                                           {"upperRight", kCorners[1]},
                                                           {"lowerLeft", kCorners[2]},
                                                           {"lowerRight", kCorners[3]}};
        for (const auto& [name, want] : expected) {
            const QJsonArray lonLat = corners.value(name).toArray();
            ASSERT_EQ(lonLat.size(), 2) << name;
            EXPECT_NEAR(lonLat[0].toDouble(), want.Lon, pixelLon) << name;
            EXPECT_NEAR(lonLat[1].toDouble(), want.Lat, pixelLat) << name;
        }
    }
}

// Pictures of both forms at 10 %, 100 % and 400 % for looking at (and for the manual): only
// when KORVALEN_SCREENSHOT_DIR names a folder; KORVALEN_SCREENSHOT_MAP may name a larger map.
TEST_F(CalibrationForms, ScreenshotsWhenAsked) {
    const QString folder = qEnvironmentVariable("KORVALEN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set KORVALEN_SCREENSHOT_DIR to take pictures of the forms";
    const QString map = qEnvironmentVariable("KORVALEN_SCREENSHOT_MAP");
    if (!map.isEmpty()) {
        fs::remove(image);
        fs::copy_file(map.toStdString(), image);
    }
    Bitmap probe;
    std::string error;
    ASSERT_TRUE(ReadJpegFile(image, probe, error)) << error;
    const int w = probe.Width(), h = probe.Height();
    auto save = [&](QWidget& form, const QString& name) {
        QCoreApplication::processEvents();
        EXPECT_TRUE(form.grab().save(folder + "/" + name));
    };
    {
        TfGeoMap form(state, dialogs, true);
        ASSERT_TRUE(form.Open(image, kCorners));
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        // Three corners placed, the fourth being placed.
        const QPoint corners[] = {{0, 0}, {w, 0}, {0, h}};
        for (int n = 1; n <= 3; ++n) {
            form.tbCalClick(n);
            form.SetZoom(0.1);
            const QPoint screen = form.gmMap->ImageToScreen(corners[n - 1]);
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, screen, form.gmMap->mapToGlobal(screen), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(form.gmMap, &event);
            }
        }
        form.SetZoom(0.1);
        save(form, "geomap-10.png");
        form.SetZoom(1);
        form.tbCalClick(1);
        form.tbCalClick(1);
        form.gmMap->CenterOn(QPoint(w / 3, h / 3));
        form.UpdateScrollBars();
        save(form, "geomap-100.png");
        form.SetZoom(4);
        form.tbCalClick(4);
        save(form, "geomap-400.png");
        form.CalibrationSaved = true;
    }
    FillCapturedPoints();
    for (int n = 1; n <= 9; ++n) {
        const PixelPos p = CalibPoints::FixedPixel(n, w, h);
        state.Calibration.Points[n].X = p.X;
        state.Calibration.Points[n].Y = p.Y;
    }
    TfShowGeoMap form(state, dialogs);
    ASSERT_TRUE(form.Open(image));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.SetZoom(0.1);
    save(form, "showgeomap-10.png");
    form.SetZoom(1);
    form.gmMap->CenterOn(QPoint(w / 2, h / 2));
    form.UpdateScrollBars();
    save(form, "showgeomap-100.png");
    form.SetZoom(4);
    form.gmMap->CenterOn(QPoint(w / 2, h / 2));
    form.UpdateScrollBars();
    save(form, "showgeomap-400.png");
}

}  // namespace
}  // namespace korvalen::test
