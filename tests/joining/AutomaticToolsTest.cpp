// The manual tools opened from the self-search window, from the window through the tool's
// acceptance to the join position the window hands back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "core/Settings.h"
#include "joining/CutJoin.h"
#include "joining/TavixAutomatic.h"
#include "joining/TavixBandArea.h"
#include "joining/TavixJoinMaps.h"
#include "joining/TavixMoveMap.h"
#include "joining/ToolPicture.h"
#include "support/ScriptedDialogs.h"

namespace korvalen {
namespace {

// Expected far from the truth: only the tools find the join.
struct Join : test::CutJoin {
    Join() : CutJoin({-110, -60}) {}
};

Settings ToolSettings() {
    Settings s;
    s.language = 0;
    s.minimumCorrelation = 90;
    s.spreadingTolerance = 1;
    s.overlap = 2;
    s.continueSearch = 2;  // join as soon as the minimum is reached
    s.confirmTavix = false;
    s.previewFirst = false;
    s.immediateStart = true;
    s.tavixAfterJoin = true;
    return s;
}

// Clicks a picture pixel after scrolling it into view.
void ClickPicture(ToolPicture* picture, Point at) {
    auto* box = qobject_cast<QScrollArea*>(picture->parentWidget()->parentWidget());
    ASSERT_NE(box, nullptr);
    box->ensureVisible(at.x, at.y);
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(at.x, at.y));
}

class AutomaticTools : public ::testing::Test {
protected:
    QObject timers;  // pending looks for a tool end with the test
    Settings settings = ToolSettings();
    test::ScriptedDialogs dialogs;
    Join join;
    std::unique_ptr<TfAutomatic> window;
    int toolsSeen = 0;

    // Acts on the tool of type T as soon as it is the modal window; looks again every 10 ms.
    template <typename T>
    void WhenOpen(std::function<void(T&)> act, int retries = 200, int delayMs = 0) {
        QTimer::singleShot(delayMs, &timers, [this, act, retries] {
            auto* tool = qobject_cast<T*>(QApplication::activeModalWidget());
            if (tool && !qobject_cast<TfAutomatic*>(tool)) {
                ++toolsSeen;
                act(*tool);
            } else if (retries > 0) {
                WhenOpen<T>(act, retries - 1, 10);
            }
        });
    }
    TfAutomatic& Run(uint8_t algorithm) {
        join.request.JoinAlgorithm = algorithm;
        window = std::make_unique<TfAutomatic>(join.request, settings, dialogs);
        window->PreviewRunner = [](const PreviewRequest&) { return false; };
        window->resize(1000, 800);  // the tools open 50 pixels inside it
        window->show();
        window->FormActivate();
        return *window;
    }
    // The new map's place in the target that the accepted join implies.
    Point JoinPosition() const { return window->ResultPos - join.request.BandPos; }
};

TEST_F(AutomaticTools, EachAlgorithmOpensItsToolFirst) {
    struct Case {
        uint8_t algorithm;
        bool askJoinPoints;
        const char* tool;  // nullptr: the search starts at once
    };
    const Case cases[] = {{1, true, nullptr},
                          {2, false, "korvalen::TfBandArea"},
                          {3, false, nullptr},
                          {3, true, "korvalen::TfJoinMaps"},
                          {4, false, "korvalen::TfJoinMaps"},
                          {5, false, "korvalen::TfMoveMap"}};
    for (const Case& c : cases) {
        window.reset();
        join.request.AskJoinPoints = c.askJoinPoints;
        QString opened;
        WhenOpen<QDialog>(
            [&opened](QDialog& tool) {
                opened = QString::fromLatin1(tool.metaObject()->className());
                tool.reject();
            },
            0);
        Run(c.algorithm);
        EXPECT_EQ(opened, c.tool ? QString::fromLatin1(c.tool) : QString()) << int{c.algorithm};
        // Given up, the tool leaves the search held after scoring the start position.
        if (c.tool) {
            EXPECT_EQ(window->Search().State().PositionCount, 1) << int{c.algorithm};
            EXPECT_TRUE(window->Search().State().Paused && !window->Closing());
        }
        QApplication::processEvents();  // the look for a tool ends
    }
}

TEST_F(AutomaticTools, SearchBandDefinedByHandFindsTheJoin) {
    WhenOpen<TfBandArea>([](TfBandArea& tool) {
        EXPECT_EQ(tool.BandRect(), (Rect{20, 100, 60, 140}));
        // Band 10 pixels right and 10 larger; the area over the true place of its centre.
        QTest::keyClick(&tool, Qt::Key_End);
        tool.findChild<QSpinBox*>(QStringLiteral("udBandWidth"))->stepUp();
        const Point centre = tool.AreaCentre();
        const Point wanted = Point{30 + 25, 100 + 20} + Join::kNewMapInTarget;
        for (int i = 0; i < std::abs(wanted.x - centre.x); ++i)
            QTest::keyClick(&tool, wanted.x > centre.x ? Qt::Key_Right : Qt::Key_Left,
                            Qt::ShiftModifier);
        for (int i = 0; i < std::abs(wanted.y - centre.y); ++i)
            QTest::keyClick(&tool, wanted.y > centre.y ? Qt::Key_Down : Qt::Key_Up,
                            Qt::ShiftModifier);
        EXPECT_EQ(tool.AreaCentre(), wanted);
        tool.findChild<QAbstractButton*>(QStringLiteral("sbOK"))->click();
    });
    TfAutomatic& w = Run(2);
    EXPECT_EQ(toolsSeen, 1);
    EXPECT_EQ(join.request.BandPos, (Point{30, 100}));
    EXPECT_EQ(join.request.BandWidth, 50);
    EXPECT_EQ(w.Search().Band().Width(), 50);
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_EQ(w.ResultCorrelation, 100);
    EXPECT_EQ(JoinPosition(), Join::kNewMapInTarget);
}

TEST_F(AutomaticTools, JoinPointsLeadTheSearchToTheJoin) {
    WhenOpen<TfJoinMaps>([](TfJoinMaps& tool) {
        const Rect band = tool.Geometry().BandBox();
        // The band's pixel (10, 10), then nearly the same pixel of the target.
        ClickPicture(tool.Picture(), {band.left + 10, band.top + 10});
        ClickPicture(tool.Picture(),
                     Point{20 + 10, 100 + 10} + Join::kNewMapInTarget + Point{4, -3});
    });
    TfAutomatic& w = Run(4);
    EXPECT_EQ(toolsSeen, 1);
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_EQ(JoinPosition(), Join::kNewMapInTarget);
}

TEST_F(AutomaticTools, ManualMoveDecidesTheJoin) {
    WhenOpen<TfMoveMap>([](TfMoveMap& tool) {
        // Nothing found yet: the half starts 3 pixels into the target's neighbour columns.
        EXPECT_EQ(tool.Geometry().CurrentOffset(), (Point{103, 0}));
        for (Qt::Key key : {Qt::Key_End, Qt::Key_End, Qt::Key_End, Qt::Key_End, Qt::Key_Right,
                            Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right,
                            Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_Down, Qt::Key_Down})
            QTest::keyClick(&tool, key);
        EXPECT_EQ(tool.Geometry().CurrentOffset(), (Point{148, 22}));
        tool.sbSurroundClick();  // finds the fit two pixels away
        EXPECT_EQ(tool.Geometry().BestPermille(), 1000);
        tool.findChild<QAbstractButton*>(QStringLiteral("sbOK"))->click();
    });
    TfAutomatic& w = Run(5);
    EXPECT_EQ(toolsSeen, 1);
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_TRUE(w.Closing());
    EXPECT_EQ(w.ResultCorrelation, 100);
    EXPECT_EQ(JoinPosition(), Join::kNewMapInTarget);
}

TEST_F(AutomaticTools, DeclinedToolHoldsTheSearchAndItsButtonOpensItAgain) {
    settings.tavixAfterJoin = false;
    WhenOpen<TfBandArea>([](TfBandArea& tool) {
        tool.findChild<QAbstractButton*>(QStringLiteral("sbAbort"))->click();
    });
    TfAutomatic& w = Run(2);
    ASSERT_EQ(toolsSeen, 1);
    EXPECT_TRUE(w.Search().State().Paused);
    EXPECT_FALSE(w.JoinAccepted);
    auto* join = w.findChild<QToolButton*>(QStringLiteral("sbJoinMaps"));
    ASSERT_FALSE(join->isHidden());

    // While paused, "Join" opens the join points; closing them by the title bar after the two
    // clicks accepts, as the last click left it.
    WhenOpen<TfJoinMaps>([](TfJoinMaps& tool) {
        const Rect band = tool.Geometry().BandBox();
        ClickPicture(tool.Picture(), {band.left, band.top});
        ClickPicture(tool.Picture(), Point{20, 100} + Join::kNewMapInTarget + Point{-5, 6});
        EXPECT_TRUE(tool.isVisible());
        tool.close();
    });
    join->click();
    EXPECT_EQ(toolsSeen, 2);
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_EQ(JoinPosition(), Join::kNewMapInTarget);
}

}  // namespace
}  // namespace korvalen
