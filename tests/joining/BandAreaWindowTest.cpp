// The search band definition window, offscreen.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/Settings.h"
#include "joining/TavixBandArea.h"
#include "joining/ToolPicture.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

// A 400 x 600 target beside a 300 x 600 half; band 50 x 50 at (100, 200) of the new map.
struct BandWindow {
    Bitmap target = test::MakeTestPicture(400, 600, 3);
    Bitmap half = test::MakeTestPicture(300, 600, 4);
    Settings settings;
    std::unique_ptr<TfBandArea> form;

    explicit BandWindow(QWidget* caller = nullptr, Point direction = {-1, 0}) {
        form = std::make_unique<TfBandArea>(caller, direction, half, target,
                                            Rect{100, 200, 150, 250}, Point{300, 300}, settings);
    }
    TfBandArea& operator*() { return *form; }
    QAbstractButton* Button(const char* name) {
        return form->findChild<QAbstractButton*>(QLatin1String(name));
    }
    QSpinBox* UpDown(const char* name) { return form->findChild<QSpinBox*>(QLatin1String(name)); }
    ToolPicture* Picture() { return form->Picture(); }
    void Show() {
        form->resize(1000, 700);  // the whole picture in view
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
};

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

TEST(BandAreaWindow, ShowsTheCompositeWithBandAndAreaFrames) {
    BandWindow w;
    EXPECT_EQ(w.Picture()->PictureSize(), QSize(703, 600));
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Move and resize search band / target area"));
    EXPECT_EQ(w.UpDown("udBandWidth")->value(), 50);
    EXPECT_EQ(w.UpDown("udBandHeight")->value(), 50);

    const QImage shown = w.Picture()->Render();
    EXPECT_EQ(At(shown, 401, 10), QColor(0xA6, 0xCA, 0xF0).rgb() & 0xFFFFFF);  // the gap
    const Rgb t = w.target.PixelAt(10, 10);
    EXPECT_EQ(At(shown, 10, 10), qRgb(t.r, t.g, t.b) & 0xFFFFFF);
    const Rgb h = w.half.PixelAt(5, 10);
    EXPECT_EQ(At(shown, 408, 10), qRgb(h.r, h.g, h.b) & 0xFFFFFF);
    // The band's frame on its left edge, the area's and the centre box's in magenta.
    EXPECT_EQ(At(shown, 503, 220), qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(At(shown, 252, 300), qRgb(255, 0, 255) & 0xFFFFFF);
    EXPECT_EQ(At(shown, 276, 300), qRgb(255, 0, 255) & 0xFFFFFF);
}

TEST(BandAreaWindow, KeysMoveTheBandAndWithModifiersTheArea) {
    BandWindow w;
    w.Show();
    const PixelBox band = w.form->Geometry().BandBox();
    const Point centre = w.form->AreaCentre();

    QTest::keyClick(w.form.get(), Qt::Key_End);
    EXPECT_EQ(w.form->Geometry().BandBox().left, band.left + 10);
    QTest::keyClick(w.form.get(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(w.form->AreaCentre().x, centre.x + 10);
    QTest::keyClick(w.form.get(), Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(w.form.get(), Qt::Key_PageDown, Qt::AltModifier);
    EXPECT_EQ(w.form->AreaCentre(), (centre + Point{9, 10}));
    // Keys reach the form from its controls too, and do not step the up-downs.
    QTest::keyClick(w.UpDown("udBandWidth"), Qt::Key_Up);
    QTest::keyClick(w.Button("sbOK"), Qt::Key_PageDown);
    EXPECT_EQ(w.form->Geometry().BandBox().top, band.top - 1 + 10);
    EXPECT_EQ(w.UpDown("udBandWidth")->value(), 50);
    EXPECT_EQ(w.form->BandRect(), (Rect{110, 209, 160, 259}));
}

// The tags and their steps are the geometry's (its own test holds the table); the buttons
// carry them through.
TEST(BandAreaWindow, MoveButtonsMoveTheBandOrTheArea) {
    BandWindow w;
    const Point centre = w.form->AreaCentre();
    w.Button("SBMAreaRight")->click();
    w.Button("sbAreaUp")->click();
    EXPECT_EQ(w.form->AreaCentre(), (centre + Point{10, -1}));
    w.Button("SBMBandLeft")->click();
    EXPECT_EQ(w.form->BandRect().left, 90);
}

TEST(BandAreaWindow, MouseDragsResizeAndShowTheirCursors) {
    BandWindow w;
    w.Show();
    ToolPicture* picture = w.Picture();
    // Band (503, 200)-(552, 249) in the composite.
    QTest::mouseMove(picture, QPoint(552, 220));
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(picture, QPoint(552, 249));
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(picture, QPoint(552, 200));
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeBDiagCursor);
    QTest::mouseMove(picture, QPoint(520, 249));
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeVerCursor);
    QTest::mouseMove(picture, QPoint(520, 220));
    EXPECT_EQ(picture->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(picture, QPoint(100, 100));
    EXPECT_EQ(picture->cursor().shape(), Qt::ArrowCursor);

    // Widen by the right edge: the up-down follows.
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(552, 220));
    QTest::mouseMove(picture, QPoint(582, 220));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(582, 220));
    EXPECT_EQ(w.UpDown("udBandWidth")->value(), 80);
    // Narrower than 10 is refused.
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(582, 220));
    QTest::mouseMove(picture, QPoint(510, 220));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(510, 220));
    EXPECT_EQ(w.UpDown("udBandWidth")->value(), 80);

    // Drag the band past the right edge: it stops touching it.
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(530, 225));
    QTest::mouseMove(picture, QPoint(700, 225));
    QTest::mouseMove(picture, QPoint(702, 225));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(702, 225));
    EXPECT_EQ(w.form->Geometry().BandBox().right, 702);
    EXPECT_EQ(w.form->BandRect(), (Rect{220, 200, 300, 250}));

    // Drag the area.
    const Point centre = w.form->AreaCentre();
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(centre.x + 10, centre.y + 30));
    QTest::mouseMove(picture, QPoint(centre.x - 20, centre.y + 30));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(centre.x - 20, centre.y + 30));
    EXPECT_EQ(w.form->AreaCentre(), (centre + Point{-30, 0}));
}

TEST(BandAreaWindow, UpDownsSizeTheBandFromItsLeftAndTop) {
    BandWindow w;
    QSpinBox* width = w.UpDown("udBandWidth");
    QSpinBox* height = w.UpDown("udBandHeight");
    width->stepUp();
    height->stepDown();
    EXPECT_EQ(w.form->BandRect(), (Rect{100, 200, 160, 240}));
    // The area grows with the band: 60 wide gives hw = 29, ex = 58.
    EXPECT_EQ(w.form->Geometry().AreaBox().Width(), 116);
    height->setValue(5);
    EXPECT_EQ(height->value(), 10);
    EXPECT_EQ(w.form->BandRect().bottom, 210);
}

TEST(BandAreaWindow, AcceptAbortAndClosing) {
    QWidget caller;
    caller.setGeometry(100, 80, 1000, 800);
    BandWindow placed(&caller);
    EXPECT_EQ(placed.form->geometry(), QRect(150, 130, 900, 700));
    EXPECT_TRUE(placed.form->Accepted());  // before any choice
    QTimer::singleShot(0, placed.form.get(), [&] {
        QTest::keyClick(placed.form.get(), Qt::Key_Home);
        placed.Button("sbOK")->click();
    });
    EXPECT_EQ(placed.form->exec(), QDialog::Accepted);
    EXPECT_TRUE(placed.form->Accepted());
    EXPECT_EQ(placed.form->BandRect(), (Rect{90, 200, 140, 250}));
    // Abort and Escape decline; the title bar is no "Abort".
    const std::pair<std::function<void(BandWindow&)>, bool> ways[] = {
        {[](BandWindow& w) { w.Button("sbAbort")->click(); }, false},
        {[](BandWindow& w) { QTest::keyClick(w.form.get(), Qt::Key_Escape); }, false},
        {[](BandWindow& w) { w.form->close(); }, true}};
    for (const auto& [close, accepted] : ways) {
        BandWindow w;
        QTimer::singleShot(0, w.form.get(), [&, close = close] { close(w); });
        w.form->exec();
        EXPECT_EQ(w.form->Accepted(), accepted);
    }
}

TEST(BandAreaWindow, VerticalJoinPutsTheHalfBelow) {
    BandWindow w(nullptr, {0, -1});
    // Half 300 x 600 below a 400 x 600 target.
    EXPECT_EQ(w.Picture()->PictureSize(), QSize(400, 1203));
    EXPECT_EQ(w.form->Geometry().BandBox().top, 803);
    QTest::keyClick(w.form.get(), Qt::Key_PageUp);
    EXPECT_EQ(w.form->BandRect().top, 190);
}

}  // namespace
}  // namespace korvalen
