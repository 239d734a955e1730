// The preview of a join: composition, the overlap frame, the captions with the total
// correlation, the overlap toggle and the ways of closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <functional>

#include "core/Settings.h"
#include "images/PixelConvert.h"
#include "joining/CutJoin.h"
#include "joining/OverlapCorrelation.h"
#include "joining/SearchDisplay.h"
#include "joining/TavixPreview.h"

namespace korvalen {
namespace {

Bitmap NoisePicture(int width, int height, unsigned seed) {
    return ConvertPixelFormat(test::NoisePicture(width, height, seed), PixelFormat::Bits8);
}

constexpr const char* kTotal97 =
    "Total correlation in overlap-area = 97%  / band correlation = 95% (minimum correlation = "
    "90%)";

// The known case: a target of 400 x 600 and a map of 300 x 600 whose first 50 columns are the
// target's last 50, placed at (350, 0). Both are cut from one 8-bit picture.
class PreviewWindow : public ::testing::Test {
protected:
    Bitmap picture = NoisePicture(650, 600, 3);
    Bitmap target = *CopyArea(&picture, {0, 0, 400, 600});
    Bitmap map = *CopyArea(&picture, {350, 0, 650, 600});
    Settings settings;
    PreviewRequest request;

    void SetUp() override {
        settings.language = 0;
        settings.computeTotal = true;
        request.map = &map;
        request.target = &target;
        request.offset = {350, 0};
        request.horizontal = true;
        request.spreading = 1;
        request.bandCorrelation = 95;
        request.minCorrelation = 90;
    }

    // Gives count pixels of the overlap a colour far from the target's there.
    void SpoilOverlap(int count) {
        const uint8_t white = map.NearestIndex({255, 255, 255});
        const uint8_t black = map.NearestIndex({0, 0, 0});
        for (int i = 0; i < count; ++i) {
            const int x = i % 50;
            const int y = i / 50 * 7;
            const uint8_t under = target.Row(y)[350 + x];
            map.Row(y)[x] = std::abs(int{under} - white) > 1 ? white : black;
        }
    }

    static int CountIndex(const Bitmap& bitmap, uint8_t index, Rect area) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                n += bitmap.Row(y)[x] == index ? 1 : 0;
        return n;
    }

    template <typename T>
    static T* Find(QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

// The total itself (50 x 600 agree, divided by 51 x 601) is the engine's; the window shows it.
TEST_F(PreviewWindow, CaptionShowsTheTotalAndTheOverlapIsFramedRedTwoPixelsWide) {
    TfTavixPreview preview(request, settings);
    preview.FormActivate();
    EXPECT_EQ(preview.TotalCorrelation(), 97);
    EXPECT_EQ(Find<QLabel>(preview, "stCaption")->text(), QString::fromLatin1(kTotal97));
    EXPECT_FALSE(preview.OverlapHidden());
    EXPECT_EQ(Find<QToolButton>(preview, "sbOverlap")->text(), QStringLiteral("Hide overlap"));
    const QImage shown = Find<FramedPicture>(preview, "iPreview")->Rendered();
    ASSERT_EQ(shown.size(), QSize(650, 600));
    for (int y : {10, 300, 590})
        for (int x : {349, 350, 399, 400})
            EXPECT_EQ(shown.pixelColor(x, y), QColor(Qt::red)) << x << "," << y;
    EXPECT_EQ(shown.pixelColor(375, 0), QColor(Qt::red));
    // Outside the frame the picture is the map's.
    const Rgb m = map.PixelAt(100, 300);
    EXPECT_EQ(shown.pixelColor(450, 300), QColor(m.r, m.g, m.b));
}

TEST_F(PreviewWindow, WithoutTotalTheBandCaptionAndACleanPictureThenSpaceComputesIt) {
    settings.computeTotal = false;
    SpoilOverlap(120);
    TfTavixPreview preview(request, settings);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    EXPECT_EQ(preview.CaptionText(),
              QStringLiteral("band correlation = 95% (minimum correlation = 90%)"));
    EXPECT_TRUE(preview.OverlapHidden());
    EXPECT_EQ(Find<QToolButton>(preview, "sbOverlap")->text(), QStringLiteral("Show overlap"));
    const uint8_t disaccord =
        preview.Preview().NearestIndex(ColorValueToRgb(settings.disaccordColor));
    const Rect overlap{350, 0, 400, 600};
    const int before = CountIndex(preview.Preview(), disaccord, overlap);

    QTest::keyClick(&preview, Qt::Key_Space);
    EXPECT_FALSE(preview.OverlapHidden());
    EXPECT_EQ(preview.TotalCorrelation(), (30000 - 120) * 100 / (51 * 601));
    EXPECT_TRUE(preview.CaptionText().startsWith(
        QStringLiteral("Total correlation in overlap-area = 97%")));
    EXPECT_EQ(CountIndex(preview.Preview(), disaccord, overlap), before + 120);
    EXPECT_EQ(Find<QToolButton>(preview, "sbOverlap")->text(), QStringLiteral("Hide overlap"));

    QTest::keyClick(&preview, Qt::Key_Space);
    EXPECT_TRUE(preview.OverlapHidden());
    EXPECT_EQ(CountIndex(preview.Preview(), disaccord, overlap), before);
    EXPECT_EQ(Find<QToolButton>(preview, "sbOverlap")->text(), QStringLiteral("Show overlap"));
}

TEST_F(PreviewWindow, EnterAcceptsEscapeAndClosingDoNot) {
    const std::pair<std::function<void(TfTavixPreview&)>, bool> ways[] = {
        {[](TfTavixPreview& p) { QTest::keyClick(&p, Qt::Key_Return); }, true},
        {[](TfTavixPreview& p) { QTest::keyClick(&p, Qt::Key_Escape); }, false},
        {[](TfTavixPreview& p) { p.close(); }, false}};
    for (const auto& [close, accepted] : ways) {
        TfTavixPreview preview(request, settings);
        QTimer::singleShot(0, &preview, [&, close = close] { close(preview); });
        EXPECT_EQ(preview.exec(), accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(preview.Accepted, accepted);
    }
}

TEST_F(PreviewWindow, PopupItemsCarryTheirKeys) {
    TfTavixPreview preview(request, settings);
    preview.FormActivate();
    EXPECT_EQ(Find<QAction>(preview, "pmExecute")->shortcut(), QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(Find<QAction>(preview, "pmClose")->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(Find<QAction>(preview, "pmOverlap")->shortcut(), QKeySequence(Qt::Key_F3));
    Find<QAction>(preview, "pmOverlap")->trigger();
    EXPECT_TRUE(preview.OverlapHidden());
    Find<QAction>(preview, "pmExecute")->trigger();
    EXPECT_TRUE(preview.Accepted);
}

TEST_F(PreviewWindow, WithoutAMapOrTargetItShowsNothingAndCanOnlyBeClosed) {
    Bitmap empty;
    request.target = &empty;
    TfTavixPreview noTarget(request, settings);
    noTarget.FormActivate();
    EXPECT_TRUE(noTarget.Preview().IsEmpty());
    noTarget.sbOKClick();
    EXPECT_FALSE(noTarget.Accepted);

    request.target = &target;
    request.map = nullptr;
    TfTavixPreview preview(request, settings);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    EXPECT_TRUE(preview.Preview().IsEmpty());
    EXPECT_FALSE(Find<QToolButton>(preview, "sbOK")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>(preview, "sbOverlap")->isEnabled());
    QTest::keyClick(&preview, Qt::Key_Return);
    QTest::keyClick(&preview, Qt::Key_Space);
    EXPECT_TRUE(preview.isVisible());
    QTest::keyClick(&preview, Qt::Key_Escape);
    EXPECT_FALSE(preview.isVisible());
    EXPECT_FALSE(preview.Accepted);
}

TEST_F(PreviewWindow, CoversItsCallerWithAMarginAndScrollsToHalfTheOffset) {
    QWidget caller;
    caller.setGeometry(100, 100, 500, 400);
    TfTavixPreview preview(request, settings, &caller);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    QCoreApplication::processEvents();
    EXPECT_EQ(preview.geometry(), QRect(150, 150, 400, 300));
    const QScrollBar* bar = Find<QScrollArea>(preview, "sbPreview")->horizontalScrollBar();
    ASSERT_GE(bar->maximum(), 175);
    EXPECT_EQ(bar->value(), 175);
}

TEST_F(PreviewWindow, VerticalJoinGrowsDownwards) {
    Bitmap tall = *CopyArea(&picture, {0, 0, 300, 400});
    request.map = &tall;
    request.offset = {0, 350};
    request.horizontal = false;
    TfTavixPreview preview(request, settings);
    preview.FormActivate();
    EXPECT_EQ(preview.Preview().Width(), 300);
    EXPECT_EQ(preview.Preview().Height(), 750);
}

}  // namespace
}  // namespace korvalen
