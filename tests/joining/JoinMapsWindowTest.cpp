// The join points window, offscreen.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/Settings.h"
#include "joining/TavixJoinMaps.h"
#include "joining/ToolPicture.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

// A 50 x 50 band beside a 400 x 600 target: the band box is (403, 275)-(453, 325).
struct JoinWindow {
    Bitmap target = test::MakeTestPicture(400, 600, 5);
    Bitmap band = test::MakeTestPicture(50, 50, 6);
    Settings settings;
    std::unique_ptr<TfJoinMaps> form;

    explicit JoinWindow(bool closeAfterJoin, Point direction = {-1, 0}) {
        settings.tavixAfterJoin = closeAfterJoin;
        form = std::make_unique<TfJoinMaps>(nullptr, direction, band, target, settings);
    }
    QAbstractButton* Button(const char* name) {
        return form->findChild<QAbstractButton*>(QLatin1String(name));
    }
    ToolPicture* Picture() { return form->Picture(); }
    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Picture(), button, {}, at);
    }
};

QRgb At(const QImage& image, QPoint p) {
    return image.pixel(p) & 0xFFFFFF;
}

constexpr QRgb kRed = 0xFF0000;

TEST(JoinMapsWindow, TwoClicksPlaceTheBandAndAcceptEnables) {
    JoinWindow w(false);
    w.Show();
    EXPECT_EQ(w.form->windowTitle(),
              QStringLiteral("move point on search band to same point on target map"));
    EXPECT_EQ(w.Picture()->PictureSize(), QSize(456, 600));
    QAbstractButton* ok = w.Button("bbOK");
    EXPECT_FALSE(ok->isEnabled());

    // Cursors: crosshair over the band, not allowed elsewhere.
    QTest::mouseMove(w.Picture(), QPoint(100, 100));
    EXPECT_EQ(w.Picture()->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseMove(w.Picture(), QPoint(410, 300));
    EXPECT_EQ(w.Picture()->Pointer(), ToolPointer::Crosshair);
    EXPECT_EQ(w.Picture()->cursor().shape(), Qt::BitmapCursor);  // the program's own

    w.Click(QPoint(410, 300));
    EXPECT_EQ(w.form->Geometry().AllowedBox(), (PixelBox{7, 25, 357, 575}));
    EXPECT_FALSE(ok->isEnabled());
    // The rubber line follows the mouse over the target.
    QTest::mouseMove(w.Picture(), QPoint(150, 90));
    EXPECT_EQ(w.Picture()->Pointer(), ToolPointer::Crosshair);
    const QImage withLine = w.Picture()->Render();
    EXPECT_EQ(At(withLine, QPoint(280, 195)), kRed);  // halfway from (410, 300) to (150, 90)
    QTest::mouseMove(w.Picture(), QPoint(380, 90));
    EXPECT_EQ(w.Picture()->cursor().shape(), Qt::ForbiddenCursor);

    w.Click(QPoint(380, 90));  // outside the allowed box: nothing
    EXPECT_TRUE(w.form->Geometry().FirstPointSet());
    w.Click(QPoint(200, 100));
    EXPECT_EQ(w.form->BandPosition(), (Point{193, 75}));
    EXPECT_TRUE(w.form->Accepted());
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_TRUE(w.form->isVisible());  // tavixAfterJoin off: only enabled

    // The band is drawn where it was put, framed red; the line is gone.
    const QImage placed = w.Picture()->Render();
    const Rgb b = w.band.PixelAt(20, 20);
    EXPECT_EQ(At(placed, QPoint(213, 95)), qRgb(b.r, b.g, b.b) & 0xFFFFFF);
    EXPECT_EQ(At(placed, QPoint(193, 100)), kRed);
    const Rgb t = w.target.PixelAt(280, 195);
    EXPECT_EQ(At(placed, QPoint(280, 195)), qRgb(t.r, t.g, t.b) & 0xFFFFFF);

    ok->click();
    EXPECT_EQ(w.form->result(), QDialog::Accepted);
    EXPECT_TRUE(w.form->Accepted());
}

TEST(JoinMapsWindow, RightClickDiscardsTheFirstPoint) {
    JoinWindow w(false);
    w.Show();
    w.Click(QPoint(410, 300));
    w.Click(QPoint(200, 100), Qt::RightButton);
    EXPECT_FALSE(w.form->Geometry().FirstPointSet());
    w.Click(QPoint(200, 100));
    EXPECT_FALSE(w.form->Accepted());
    EXPECT_FALSE(w.Button("bbOK")->isEnabled());
    // Placed, then discarded: Accept is off again.
    w.Click(QPoint(410, 300));
    w.Click(QPoint(200, 100));
    ASSERT_TRUE(w.form->Accepted());
    w.Click(QPoint(5, 5), Qt::RightButton);
    EXPECT_FALSE(w.form->Accepted());
    EXPECT_FALSE(w.Button("bbOK")->isEnabled());
    QTest::keyClick(w.form.get(), Qt::Key_Return);  // the disabled default button
    EXPECT_TRUE(w.form->isVisible());
}

TEST(JoinMapsWindow, TavixAfterJoinClosesOnTheSecondClick) {
    JoinWindow w(true);
    QTimer::singleShot(0, w.form.get(), [&] {
        w.Click(QPoint(452, 324));
        w.Click(QPoint(399, 599));  // the band flush with the target's far corner
    });
    EXPECT_EQ(w.form->exec(), QDialog::Accepted);
    EXPECT_TRUE(w.form->Accepted());
    EXPECT_EQ(w.form->BandPosition(), (Point{350, 550}));
}

// Cancel declines a placed band, the title bar keeps it as the last click left it.
TEST(JoinMapsWindow, CancelAndTheTitleBar) {
    const std::pair<std::function<void(JoinWindow&)>, bool> ways[] = {
        {[](JoinWindow& w) { w.Button("bbBreak")->click(); }, false},
        {[](JoinWindow& w) { w.form->close(); }, true}};
    for (const auto& [close, accepted] : ways) {
        JoinWindow w(false);
        QTimer::singleShot(0, w.form.get(), [&, close = close] {
            w.Click(QPoint(410, 300));
            w.Click(QPoint(200, 100));
            close(w);
        });
        const int result = w.form->exec();
        EXPECT_EQ(w.form->Accepted(), accepted);
        if (!accepted) {
            EXPECT_EQ(result, QDialog::Rejected);
        }
    }
    JoinWindow w(false);
    QTimer::singleShot(0, w.form.get(), [&] { QTest::keyClick(w.form.get(), Qt::Key_Escape); });
    EXPECT_EQ(w.form->exec(), QDialog::Rejected);
}

TEST(JoinMapsWindow, ScrolledTowardTheBand) {
    JoinWindow horizontal(false);
    horizontal.form->resize(300, 300);
    horizontal.Show();
    auto* box = horizontal.form->findChild<QScrollArea*>(QStringLiteral("sbMap"));
    ASSERT_GT(box->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(box->horizontalScrollBar()->value(), box->horizontalScrollBar()->maximum());
    EXPECT_NEAR(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum() / 2, 1);

    JoinWindow vertical(false, {0, -1});
    EXPECT_EQ(vertical.form->Geometry().BandBox(), (Rect{175, 603, 225, 653}));
    vertical.form->resize(300, 300);
    vertical.Show();
    box = vertical.form->findChild<QScrollArea*>(QStringLiteral("sbMap"));
    EXPECT_EQ(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
}

}  // namespace
}  // namespace korvalen
