// The self-search window while positions stop early: the counters say "at most" for a position
// left as soon as it could not beat the best, and the chart marks such positions apart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "core/Settings.h"
#include "joining/CutJoin.h"
#include "joining/SearchDisplay.h"
#include "joining/TavixAutomatic.h"
#include "support/ScriptedDialogs.h"

namespace korvalen {
namespace {

// The band of the new map fits the target exactly a pixel right of and above the expected
// position, so the best (all 1600 hits) is found in the first ring and every later position
// stops early.
TEST(AutomaticWindowBound, CountersAndChartShowWhatIsKnownOfPositionsLeftEarly) {
    test::CutJoin join({-1, 1});
    Settings settings;
    settings.language = 0;
    settings.minimumCorrelation = 90;
    settings.continueSearch = 0;  // walks the whole area whatever it finds
    settings.confirmTavix = false;
    settings.previewFirst = false;
    test::ScriptedDialogs dialogs;
    TfAutomatic window(join.request, settings, dialogs);
    window.Search().SetBreatheInterval(std::chrono::milliseconds(0));
    // Held well after the best was found: a timer of no interval runs at every breath.
    int breaths = 0;
    QTimer atBreath;
    atBreath.setInterval(0);
    QObject::connect(&atBreath, &QTimer::timeout, [&] {
        if (++breaths == 200)
            window.findChild<QToolButton*>(QStringLiteral("sbPause"))->click();
    });
    atBreath.start();
    window.show();
    window.FormActivate();
    const SearchState& s = window.Search().State();
    ASSERT_TRUE(s.Paused);
    ASSERT_EQ(s.MaxHits, 1600);
    ASSERT_TRUE(s.HitsBounded);
    window.RefreshDisplay();
    const QString hits = window.findChild<QLabel*>(QStringLiteral("stHits"))->text();
    EXPECT_EQ(hits, QStringLiteral("\u2264 ") + QString::number(s.Hits)) << hits.toStdString();
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("stCorrelation"))
                    ->text()
                    .startsWith(QStringLiteral("\u2264 ")));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("stHitsMax"))->text(),
              QStringLiteral("1600"));
    const Rgb below = SelfSearch::ChartColour(SelfSearch::kChartBelowBest);
    const QImage chart = window.ChartImage();
    int marked = 0;
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x)
            marked += chart.pixelColor(x, y) == QColor(below.r, below.g, below.b);
    EXPECT_GT(marked, 0);
}

// Reduced blocks keep showing their highest correlation: a position only known to be below the
// best ranks under every correlation, and above an unscored one.
TEST(AutomaticWindowBound, ChartBlocksRankBelowBestUnderCorrelations) {
    const uint8_t below = SelfSearch::kChartBelowBest, unscored = SelfSearch::kChartUnscored;
    const std::vector<uint8_t> chart{below, 0,     below,    unscored,  // 2 x 2 blocks
                                     below, below, unscored, unscored};
    ChartRenderer renderer;
    QImage image;
    renderer.Render(chart, 4, 2, QSize(2, 1), image);
    ASSERT_EQ(renderer.BlockSize(), 2);
    ASSERT_EQ(image.size(), QSize(2, 1));
    const Rgb c = SelfSearch::ChartColour(below);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0xEE, 0xEE, 0xEE));  // correlation 0 wins
    EXPECT_EQ(image.pixelColor(1, 0), QColor(c.r, c.g, c.b));
    renderer.Render(chart, 4, 2, QSize(4, 2), image);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(c.r, c.g, c.b));
    EXPECT_EQ(image.pixelColor(3, 0), QColor(Qt::white));
}

}  // namespace
}  // namespace korvalen
