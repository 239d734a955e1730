// The manual move window, offscreen.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "core/Settings.h"
#include "images/BitmapOps.h"
#include "joining/CutJoin.h"
#include "joining/TavixMoveMap.h"
#include "joining/ToolPicture.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

using test::NoiseWorld;

// A 200 x 150 target and a 120 x 150 half that fits it at offset (170, 0); margin (0, 15).
struct MoveWindow {
    Bitmap world = NoiseWorld(290, 150, 11);
    Bitmap target = *CopyArea(&world, {0, 0, 200, 150});
    Bitmap half = *CopyArea(&world, {170, 0, 290, 150});
    Settings settings;
    std::unique_ptr<TfMoveMap> form;

    explicit MoveWindow(Point start = {170, 0}) {
        form = std::make_unique<TfMoveMap>(nullptr, Point{-1, 0}, half, target, start, 0, settings);
    }
    QAbstractButton* Button(const char* name) {
        return form->findChild<QAbstractButton*>(QLatin1String(name));
    }
    QString Label(const char* name) {
        return form->findChild<QLabel*>(QLatin1String(name))->text();
    }
    ToolPicture* Picture() { return form->Picture(); }
    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    Point Offset() const { return form->Geometry().CurrentOffset(); }
};

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

QRgb Shifted(Rgb c, int add, int floor) {
    auto f = [&](int v) { return std::clamp(v + add, floor, 255); };
    return qRgb(f(c.r), f(c.g), f(c.b)) & 0xFFFFFF;
}

TEST(MoveMapWindow, OpensMeasuredWithTheMovedMapDarker) {
    MoveWindow w;
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("move map to target map"));
    EXPECT_EQ(w.Picture()->PictureSize(), QSize(323, 180));
    EXPECT_EQ(w.Label("lOverlap"), QStringLiteral("100 %"));
    EXPECT_EQ(w.Label("lBestOverlap"), QStringLiteral("100 %"));
    EXPECT_FALSE(w.Button("sbGotoBest")->isEnabled());
    EXPECT_TRUE(w.Button("sbSurround")->isEnabled());
    EXPECT_EQ(w.form->findChild<QSlider*>(QStringLiteral("tbSurround"))->value(), 3);

    const QImage shown = w.Picture()->Render();
    const Rgb onHalf = w.half.PixelAt(60, 40);
    EXPECT_EQ(At(shown, 230, 55), Shifted(onHalf, -32, 0));
    const Rgb onTarget = w.target.PixelAt(50, 40);
    EXPECT_EQ(At(shown, 50, 55), Shifted(onTarget, 0, 32));
    EXPECT_EQ(At(shown, 185, 15), 0xFF0000u);  // the overlap frame's top
}

TEST(MoveMapWindow, KeysAndButtonsMoveAndTheBestIsRemembered) {
    MoveWindow w;
    w.Show();
    QTest::keyClick(w.form.get(), Qt::Key_Right);
    EXPECT_EQ(w.Offset(), (Point{171, 0}));
    EXPECT_NE(w.Label("lOverlap"), QStringLiteral("100 %"));
    EXPECT_EQ(w.Label("lBestOverlap"), QStringLiteral("100 %"));
    EXPECT_TRUE(w.Button("sbGotoBest")->isEnabled());
    EXPECT_FALSE(w.Button("sbSurround")->isEnabled());
    QTest::keyClick(w.form.get(), Qt::Key_End);
    QTest::keyClick(w.form.get(), Qt::Key_PageDown, Qt::ShiftModifier);  // no area: same move
    QTest::keyClick(w.Button("sbAbort"), Qt::Key_Up);
    EXPECT_EQ(w.Offset(), (Point{181, 9}));
    w.Button("SBMBandLeft")->click();
    w.Button("sbBandDown")->click();
    EXPECT_EQ(w.Offset(), (Point{171, 10}));

    w.Button("sbGotoBest")->click();
    EXPECT_EQ(w.Offset(), (Point{170, 0}));
    EXPECT_EQ(w.Label("lOverlap"), QStringLiteral("100 %"));
    EXPECT_TRUE(w.Button("sbSurround")->isEnabled());
}

TEST(MoveMapWindow, AnyOtherKeyShowsTheDisagreeingPixels) {
    MoveWindow w({171, 0});
    w.Show();
    QAbstractButton* overlap = w.Button("sbOverlap");
    EXPECT_EQ(overlap->text(), QStringLiteral("Show overlap"));
    QTest::keyClick(w.form.get(), Qt::Key_Shift);  // a modifier alone is no key
    EXPECT_FALSE(w.form->ShowOverlap());
    QTest::keyClick(w.form.get(), Qt::Key_O);
    EXPECT_TRUE(w.form->ShowOverlap());
    EXPECT_EQ(overlap->text(), QStringLiteral("Hide overlap"));

    // Misses in the disaccord colour ($00FE50FE: red FE, green 50, blue FE), hits as they were.
    const QImage shown = w.Picture()->Render();
    const QRgb disaccord = qRgb(0xFE, 0x50, 0xFE) & 0xFFFFFF;
    int misses = 0;
    int measured = 0;
    for (int y = 16; y < 165; ++y)
        for (int x = 172; x < 200; ++x, ++measured)
            misses += At(shown, x, y) == disaccord;
    EXPECT_GT(misses, 0);
    EXPECT_EQ(w.form->Geometry().OverlapPermille(), (measured - misses) * 1000 / measured);

    QTest::keyClick(w.form.get(), Qt::Key_Space);
    EXPECT_FALSE(w.form->ShowOverlap());
    overlap->click();
    EXPECT_TRUE(w.form->ShowOverlap());
    QTest::keyClick(w.form.get(), Qt::Key_Left);  // moving hides it
    EXPECT_FALSE(w.form->ShowOverlap());
    EXPECT_EQ(w.Label("lOverlap"), QStringLiteral("100 %"));
}

TEST(MoveMapWindow, NoOverlapBeyondTheFarEdge) {
    MoveWindow w({203, 0});
    w.Show();
    EXPECT_EQ(w.Label("lOverlap"), QStringLiteral("0 %"));
    QTest::keyClick(w.form.get(), Qt::Key_O);
    EXPECT_FALSE(w.form->ShowOverlap());
    const QImage shown = w.Picture()->Render();
    EXPECT_NE(At(shown, 201, 15), 0xFF0000u);  // no overlap frame
    w.Button("SBMBandLeft")->click();
    w.Button("SBMBandLeft")->click();
    w.Button("SBMBandLeft")->click();
    EXPECT_EQ(w.Offset(), (Point{173, 0}));
    EXPECT_NE(w.Label("lOverlap"), QStringLiteral("0 %"));
}

TEST(MoveMapWindow, SearchSurroundEndsAtTheBest) {
    MoveWindow w({172, -2});
    w.Show();
    auto* progress = w.form->findChild<QProgressBar*>(QStringLiteral("pbSurround"));
    EXPECT_FALSE(progress->isVisible());
    ASSERT_TRUE(w.Button("sbSurround")->isEnabled());
    w.Button("sbSurround")->click();
    EXPECT_FALSE(w.form->SurroundRunning());
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(progress->value(), 49);
    EXPECT_EQ(progress->maximum(), 49);
    EXPECT_EQ(w.Offset(), (Point{170, 0}));
    EXPECT_EQ(w.Label("lOverlap"), QStringLiteral("100 %"));
    EXPECT_EQ(w.Button("sbSurround")->text(), QStringLiteral("Search surround"));
    EXPECT_TRUE(w.Button("sbOverlap")->isEnabled());

    // Radius 1 from the best stays there.
    w.form->findChild<QSlider*>(QStringLiteral("tbSurround"))->setValue(1);
    w.Button("sbSurround")->click();
    EXPECT_EQ(progress->maximum(), 9);
    EXPECT_EQ(w.Offset(), (Point{170, 0}));
}

TEST(MoveMapWindow, PointToPointWithTheMouse) {
    MoveWindow w({185, 5});
    w.Show();
    ToolPicture* picture = w.Picture();
    w.Button("sbPointToPoint")->click();
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Set 1. point at source map"));
    QTest::mouseMove(picture, QPoint(50, 50));
    EXPECT_EQ(picture->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseMove(picture, QPoint(250, 50));
    EXPECT_EQ(picture->Pointer(), ToolPointer::Crosshair);

    // World (190, 60) lies at (205, 80) on the half and at (190, 75) on the target.
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(205, 80));
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Set point at target map"));
    QTest::mouseMove(picture, QPoint(100, 100));
    EXPECT_EQ(w.form->Geometry().SecondPoint(), (Point{100, 100}));
    EXPECT_EQ(At(picture->Render(), 152, 90), 0xFF0000u);  // on the line
    // A right click goes back to the first point, and another one gives up.
    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Set point at source map"));
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(205, 80));
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(190, 75));
    EXPECT_EQ(w.Offset(), (Point{170, 0}));
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Move map to target map"));
    EXPECT_EQ(w.Label("lOverlap"), QStringLiteral("100 %"));
    EXPECT_EQ(picture->cursor().shape(), Qt::ArrowCursor);

    w.Button("sbPointToPoint")->click();
    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(w.form->Geometry().PointStep(), 0);
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("move map to target map"));
}

TEST(MoveMapWindow, DraggingTheMap) {
    MoveWindow w;
    w.Show();
    ToolPicture* picture = w.Picture();
    QAbstractButton* pointToPoint = w.Button("sbPointToPoint");
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(250, 60));
    EXPECT_FALSE(pointToPoint->isEnabled());
    QTest::mouseMove(picture, QPoint(240, 63));
    QTest::mouseMove(picture, QPoint(245, 63));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(245, 63));
    EXPECT_TRUE(pointToPoint->isEnabled());
    EXPECT_EQ(w.Offset(), (Point{165, 3}));
    // A press on the target starts nothing.
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(20, 60));
    QTest::mouseMove(picture, QPoint(40, 60));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(40, 60));
    EXPECT_EQ(w.Offset(), (Point{165, 3}));
}

// "Best" hands back the best placement, "Actual" the current one; Abort and the title bar
// hand back nothing.
TEST(MoveMapWindow, BestActualAndAbort) {
    struct Case {
        const char* button;  // nullptr: the title bar
        Point start, offset;
        bool accepted;
    };
    const Case cases[] = {{"sbOK", {170, 0}, {170, 0}, true},
                          {"sbActOK", {170, 0}, {160, 0}, true},
                          {"sbAbort", {180, 4}, {180, 4}, false},
                          {nullptr, {170, 0}, {170, 0}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button ? c.button : "title bar");
        MoveWindow w(c.start);
        QTimer::singleShot(0, w.form.get(), [&] {
            if (c.accepted)
                QTest::keyClick(w.form.get(), Qt::Key_Home);
            c.button ? w.Button(c.button)->click() : (void)w.form->close();
        });
        EXPECT_EQ(w.form->exec(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(w.form->Accepted(), c.accepted);
        if (c.button) {
            EXPECT_EQ(w.form->MoveOffset(), c.offset);
        }
    }
}

}  // namespace
}  // namespace korvalen
