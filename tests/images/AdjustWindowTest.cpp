// The adjust form, offscreen, with scripted answers.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "core/ProgramState.h"
#include "images/AdjustPicture.h"
#include "images/BitmapOps.h"
#include "images/MapFiles.h"
#include "images/PixelConvert.h"
#include "images/RotateBitmap.h"
#include "images/TavixAdjust.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr Rgb kCyan{0, 255, 255};

struct AdjustWindow {
    ProgramState state;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<TfAdjust> form;
    Bitmap opening;

    explicit AdjustWindow(Bitmap map = test::MakeTestPicture(200, 100, 5)) : opening(map) {
        form = std::make_unique<TfAdjust>(state, dialogs);
        form->AdjustMap = std::move(map);
        form->MapName = "testmap";
        form->FullMap = false;  // 1:1 pictures keep the clicks easy to follow
    }
    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QPushButton* Button(const char* name) {
        return form->findChild<QPushButton*>(QLatin1String(name));
    }
    QLineEdit* Edit(const char* name) { return form->findChild<QLineEdit*>(QLatin1String(name)); }
    UpDown* Arrows(const char* name) { return form->findChild<UpDown*>(QLatin1String(name)); }
    AdjustPicture* Shown() {
        return form->CommonPicture()->isVisible() ? form->CommonPicture() : form->Picture();
    }
    // A click on a picture pixel of the picture shown.
    void Click(QPoint pixel, Qt::MouseButton button = Qt::LeftButton) {
        AdjustPicture* picture = Shown();
        QPoint at = picture->ToWidget(pixel);
        if (at.isNull())
            at = QPoint(1, 1);  // QTest would click the widget's centre for (0, 0)
        ASSERT_EQ(picture->ToPicture(at), pixel);
        QTest::mouseClick(picture, button, {}, at);
    }
    void Move(QPoint pixel) { emit Shown()->moved(pixel); }
    void Key(int key) { QTest::keyClick(form.get(), static_cast<Qt::Key>(key)); }
    QString Title() const { return form->windowTitle(); }
};

TEST(AdjustWindow, OpensWithItsCaptionAndOnlyTheCommandsThatCanWork) {
    AdjustWindow w;
    w.Show();
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap"));
    EXPECT_EQ(w.Edit("eDegree")->text(), QStringLiteral("90"));
    EXPECT_EQ(w.Edit("eDegree100")->text(), QStringLiteral("00"));
    EXPECT_EQ(w.Edit("eZoom")->text(), QStringLiteral("100"));
    EXPECT_TRUE(w.Edit("eZoom")->isReadOnly());
    for (const char* on : {"bbRight", "bbLeft", "bbRotate180", "bbHorizontal", "bbVertical",
                           "bbCutAny", "bbCutCentered", "bbBreak"})
        EXPECT_TRUE(w.Button(on)->isEnabled()) << on;
    for (const char* off : {"bbTarget", "bbFindAngle", "bbCheckLeft", "bbCheckUpper", "bbAccept",
                            "bbUndoAll", "bbSave"})
        EXPECT_FALSE(w.Button(off)->isEnabled()) << off;
    EXPECT_EQ(w.Button("bbRotate180")->text(), QStringLiteral("Rotate 180 degree"));
    EXPECT_EQ(w.Button("bbHorizontal")->text(), QStringLiteral("Rotate to horizontal line"));
    EXPECT_TRUE(w.Button("bbAccept")->isDefault());
}

TEST(AdjustWindow, NeighbourStripsEnableTheirCommands) {
    struct Case {
        bool first;
        StripSide side;
        bool second;
        bool target, left, upper;
    };
    const Case cases[] = {
        {true, StripSide::Left, false, true, true, false},
        {true, StripSide::Above, false, true, false, true},
        {true, StripSide::Above, true, true, true, true},
    };
    for (const Case& c : cases) {
        AdjustWindow w;
        if (c.first) {
            w.form->FirstStrip = test::MakeTestPicture(100, 100, 9);
            w.form->FirstStripSide = c.side;
        }
        if (c.second)
            w.form->SecondStrip = test::MakeTestPicture(100, 100, 8);
        w.Show();
        EXPECT_EQ(w.Button("bbTarget")->isEnabled(), c.target);
        EXPECT_EQ(w.Button("bbFindAngle")->isEnabled(), c.target);
        EXPECT_EQ(w.Button("bbCheckLeft")->isEnabled(), c.left);
        EXPECT_EQ(w.Button("bbCheckUpper")->isEnabled(), c.upper);
    }
}

TEST(AdjustWindow, AngleFieldsClampAndShowTwoDigitHundredths) {
    AdjustWindow w;
    w.Show();
    // Seven hundredths by the arrows: "07", 90.07 degrees.
    for (int i = 0; i < 7; ++i)
        w.Arrows("udDegree100")->StepUp();
    EXPECT_EQ(w.Edit("eDegree100")->text(), QStringLiteral("07"));
    EXPECT_DOUBLE_EQ(w.form->EnteredAngle(), 90.07);
    w.Arrows("udDegree10")->StepUp();
    EXPECT_EQ(w.Edit("eDegree100")->text(), QStringLiteral("17"));

    struct Entry {
        const char* degree;
        const char* hundredths;
        const char* degreeShown;
        const char* hundredthsShown;
        double angle;
    };
    const Entry entries[] = {
        {"250", "123", "180", "99", 180.99},
        {"-4", "-1", "0", "00", 0.0},
        {"12", "5", "12", "05", 12.05},
        {"x", "y", "12", "05", 12.05},
    };
    for (const Entry& e : entries) {
        w.Edit("eDegree")->setText(QString::fromLatin1(e.degree));
        emit w.Edit("eDegree")->editingFinished();
        w.Edit("eDegree100")->setText(QString::fromLatin1(e.hundredths));
        emit w.Edit("eDegree100")->editingFinished();
        EXPECT_EQ(w.Edit("eDegree")->text(), QString::fromLatin1(e.degreeShown)) << e.degree;
        EXPECT_EQ(w.Edit("eDegree100")->text(), QString::fromLatin1(e.hundredthsShown));
        EXPECT_DOUBLE_EQ(w.form->EnteredAngle(), e.angle) << e.degree << "," << e.hundredths;
    }
    // The arrows stop at their bounds.
    for (int i = 0; i < 200; ++i)
        w.Arrows("udDegree")->StepUp();
    EXPECT_EQ(w.Edit("eDegree")->text(), QStringLiteral("180"));
}

TEST(AdjustWindow, RightAndLeftTurnByTheEnteredAngleAndTheCaptionSumsThem) {
    AdjustWindow w;
    w.Show();
    w.Button("bbRight")->click();  // 90 degrees clockwise
    const Bitmap& map = w.form->AdjustMap;
    ASSERT_EQ(map.Width(), 100);
    ASSERT_EQ(map.Height(), 200);
    // Clockwise: the top-left corner goes to the top right.
    EXPECT_EQ(map.PixelAt(99, 0), w.opening.PixelAt(0, 0));
    EXPECT_EQ(map.PixelAt(0, 0), w.opening.PixelAt(0, 99));
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap (Total rotation angle = 90.00)"));
    EXPECT_TRUE(w.Button("bbAccept")->isEnabled());
    EXPECT_TRUE(w.Button("bbUndoAll")->isEnabled());
    EXPECT_FALSE(w.Button("bbSave")->isEnabled());  // saving was not allowed

    w.Button("bbLeft")->click();
    EXPECT_TRUE(test::SameBitmap(w.form->AdjustMap, w.opening));
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap"));  // a total of 0 is not shown
    w.Button("bbRotate180")->click();
    EXPECT_EQ(w.form->AdjustMap.PixelAt(199, 99), w.opening.PixelAt(0, 0));
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap (Total rotation angle = 180.00)"));
}

TEST(AdjustWindow, ARisingLineTurnsTheMapClockwiseByItsAngle) {
    AdjustWindow w(test::MakeTestPicture(300, 200, 2));
    w.Show();
    w.Button("bbHorizontal")->click();
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kLineFirst);
    EXPECT_EQ(w.Title(), QStringLiteral("Set 1. point of rotate line"));
    // While the mode runs only its own button works.
    EXPECT_TRUE(w.Button("bbHorizontal")->isEnabled());
    for (const char* off : {"bbRight", "bbVertical", "bbCutAny", "bbRotate180"})
        EXPECT_FALSE(w.Button(off)->isEnabled()) << off;
    EXPECT_FALSE(w.Edit("eDegree")->isEnabled());

    w.Click({50, 150});
    EXPECT_EQ(w.Title(), QStringLiteral("Set 2. point of rotate line"));
    w.dialogs.confirmations = {true};
    w.Click({150, 149});
    ASSERT_EQ(w.dialogs.asked.size(), 1);
    EXPECT_EQ(w.dialogs.asked[0],
              QStringLiteral("confirm: rotate to horizontal line with 0.57 degree"));
    EXPECT_NEAR(w.form->TotalRotation(), 0.5729, 1e-3);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap (Total rotation angle = 0.57)"));
    EXPECT_TRUE(
        test::SameBitmap(w.form->AdjustMap, RotateBitmap(w.opening, kCyan, -0.5729386976834859)));
}

TEST(AdjustWindow, AnAlmostStraightLineIsRefusedAndNoAnswerKeepsTheMap) {
    AdjustWindow w(test::MakeTestPicture(400, 200, 2));
    w.Show();
    w.Button("bbVertical")->click();
    w.Click({100, 10});
    w.Click({100, 190});
    EXPECT_EQ(w.dialogs.asked.back(),
              QStringLiteral("message: The angle of this line is close to zero"));
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);

    w.Button("bbVertical")->click();
    w.Click({100, 10});
    w.Click({110, 190});  // answered No
    EXPECT_TRUE(
        w.dialogs.asked.back().startsWith(QStringLiteral("confirm: rotate to vertical line")));
    EXPECT_TRUE(test::SameBitmap(w.form->AdjustMap, w.opening));
    EXPECT_FALSE(w.form->Changed());
}

TEST(AdjustWindow, RightClicksStepBackOrEndAndEscapeOrTheButtonEnds) {
    AdjustWindow w;
    w.Show();
    w.Button("bbCutAny")->click();
    w.Click({10, 10});
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kCutSecond);
    w.Click({10, 10}, Qt::RightButton);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kCutFirst);
    w.Click({10, 10}, Qt::RightButton);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);

    w.Button("bbHorizontal")->click();
    w.Key(Qt::Key_Escape);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);
    EXPECT_TRUE(w.form->isVisible());  // Escape ended the mode, not the form

    w.Button("bbCutCentered")->click();
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap"));
    w.Button("bbCutCentered")->click();  // its own button again
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);
    EXPECT_TRUE(w.Button("bbRight")->isEnabled());

    w.Key(Qt::Key_Escape);  // without a mode it breaks off
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_FALSE(w.form->Accepted());
}

TEST(AdjustWindow, CutsAnyRectangleAfterShowingItAndUndoRestoresTheOpening) {
    AdjustWindow w;
    w.Show();
    w.Button("bbCutAny")->click();
    EXPECT_EQ(w.Title(), QStringLiteral("Set 1. point of cutting rectangle"));
    w.Click({150, 80});
    w.Move({20, 10});
    w.dialogs.confirmations = {true};
    w.Click({20, 10});  // corners in any order
    EXPECT_EQ(w.dialogs.asked.back(), QStringLiteral("confirm: make this cut"));
    ASSERT_EQ(w.form->AdjustMap.Width(), 131);
    ASSERT_EQ(w.form->AdjustMap.Height(), 71);
    EXPECT_EQ(w.form->AdjustMap.PixelAt(0, 0), w.opening.PixelAt(20, 10));
    EXPECT_TRUE(w.form->CutDone());
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap (Resize from 200x100 to 131x71 [47%])"));

    // A turn on top: both totals in the caption.
    w.Button("bbRotate180")->click();
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap (Total rotation angle = 180.00) "
                                        "(Resize from 200x100 to 131x71 [47%])"));
    w.Button("bbUndoAll")->click();
    EXPECT_TRUE(test::SameBitmap(w.form->AdjustMap, w.opening));
    EXPECT_EQ(w.Title(), QStringLiteral("Adjust testmap"));
    EXPECT_EQ(w.form->TotalRotation(), 0);
    EXPECT_FALSE(w.Button("bbAccept")->isEnabled());
    EXPECT_FALSE(w.Button("bbUndoAll")->isEnabled());
}

TEST(AdjustWindow, TheLightenedOutsideIsShownWhileTheCutIsAsked) {
    AdjustWindow w;
    w.Show();
    w.Button("bbCutAny")->click();
    w.Click({50, 20});
    // The question sees the picture: look at it from inside the answer.
    QImage seen;
    struct Peeking : test::ScriptedDialogs {
        std::function<void()> peek;
        bool Confirm(const QString& text) override {
            peek();
            return ScriptedDialogs::Confirm(text);
        }
    };
    Peeking peeking;
    TfAdjust form(w.state, peeking);
    peeking.confirmations = {false};
    peeking.peek = [&] { seen = form.Picture()->Render(); };
    form.AdjustMap = w.opening;
    form.FullMap = false;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.bbCutAnyClick();
    auto* picture = form.Picture();
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->ToWidget({50, 20}));
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->ToWidget({120, 70}));
    ASSERT_FALSE(seen.isNull());
    const auto lightened = [](Rgb c) {
        return qRgb(std::min(255, c.r + 64), std::min(255, c.g + 64), std::min(255, c.b + 64));
    };
    const QPoint outside = picture->ToWidget({10, 90});
    const QPoint inside = picture->ToWidget({80, 40});
    EXPECT_EQ(seen.pixel(outside) & 0xFFFFFF, lightened(w.opening.PixelAt(10, 90)) & 0xFFFFFF);
    const Rgb in = w.opening.PixelAt(80, 40);
    EXPECT_EQ(seen.pixel(inside) & 0xFFFFFF, qRgb(in.r, in.g, in.b) & 0xFFFFFF);
    EXPECT_FALSE(form.CutDone());  // answered No
    EXPECT_TRUE(test::SameBitmap(form.AdjustMap, w.opening));
}

TEST(AdjustWindow, ACentredCutFollowsTheMouseAroundTheCentre) {
    AdjustWindow w;
    w.Show();
    w.Button("bbCutCentered")->click();
    w.dialogs.confirmations = {true};
    w.Move({70, 30});
    w.Click({70, 30});  // 30 and 20 from the centre (100, 50)
    ASSERT_EQ(w.form->AdjustMap.Width(), 61);
    ASSERT_EQ(w.form->AdjustMap.Height(), 41);
    EXPECT_EQ(w.form->AdjustMap.PixelAt(0, 0), w.opening.PixelAt(70, 30));
}

TEST(AdjustWindow, ACaptureCutReachesTheProgramOnlyOnAccept) {
    for (bool accept : {false, true}) {
        AdjustWindow w;
        w.state.GEMode = true;
        w.state.Calibration.Points.PlaceAtFixedPixels(200, 100);
        for (int i = 1; i <= kCalibPointCount; ++i) {
            w.state.Calibration.Points[i].Lon = 10 + w.state.Calibration.Points[i].X / 1000.0;
            w.state.Calibration.Points[i].Lat = 50 - w.state.Calibration.Points[i].Y / 1000.0;
        }
        const CalibPoints before = w.state.Calibration.Points;
        w.Show();
        w.Button("bbCutAny")->click();
        w.dialogs.confirmations = {true};
        w.Click({20, 10});
        w.Click({119, 59});
        ASSERT_TRUE(w.form->CutDone());
        // Nothing reached the program yet.
        EXPECT_EQ(w.state.Calibration.Points[kBottomRight].X, before[kBottomRight].X);
        EXPECT_FALSE(w.state.ResultUnsaved);
        (accept ? w.Button("bbAccept") : w.Button("bbBreak"))->click();
        EXPECT_EQ(w.form->Accepted(), accept);
        EXPECT_EQ(w.state.ResultUnsaved, accept);
        EXPECT_EQ(w.state.Calibration.Pending, accept);
        EXPECT_EQ(w.state.Calibration.Points[kBottomRight].X, accept ? 99 : 200);
        if (accept) {
            EXPECT_NEAR(w.state.Calibration.Points[kBottomRight].Lon, 10.119, 1e-12);
        }
    }
}

// A capture's points turn with the map and reach the program on Accept, waiting to be written.
TEST(AdjustWindow, ACaptureTurnMovesItsPointsOnAccept) {
    AdjustWindow w;
    w.state.GEMode = true;
    w.state.Calibration.Points.PlaceAtFixedPixels(200, 100);
    for (int i = 1; i <= kCalibPointCount; ++i) {
        w.state.Calibration.Points[i].Lon = 10 + w.state.Calibration.Points[i].X / 1000.0;
        w.state.Calibration.Points[i].Lat = 50 - w.state.Calibration.Points[i].Y / 1000.0;
    }
    w.Show();
    w.Button("bbRotate180")->click();
    EXPECT_EQ(w.state.Calibration.Points[kTopLeft].Lon, 10);  // not yet the program's
    w.Button("bbAccept")->click();
    ASSERT_TRUE(w.form->Accepted());
    EXPECT_TRUE(w.state.Calibration.Pending);
    // Upside down: the top-left corner is what was the bottom-right one.
    EXPECT_NEAR(w.state.Calibration.Points[kTopLeft].Lon, 10.2, 1e-12);
    EXPECT_NEAR(w.state.Calibration.Points[kTopLeft].Lat, 49.9, 1e-12);
}

// The map is the neighbour's content turned by 1 degree; two lines set across both bring it
// back.
TEST(AdjustWindow, RotatesToTheTargetMapByTwoLines) {
    Bitmap neighbour(200, 300, PixelFormat::Bits24);
    Bitmap map(300, 300, PixelFormat::Bits24);
    AdjustWindow w(map);
    w.form->FirstStrip = neighbour;
    w.form->FirstStripSide = StripSide::Left;
    w.Show();
    w.Button("bbTarget")->click();
    EXPECT_EQ(w.Title(), QStringLiteral("Set 1. point at source map"));
    ASSERT_TRUE(w.form->CommonPicture()->isVisible());
    // The neighbour at the left, the left half of the map 3 pixels to its right.
    EXPECT_EQ(w.form->CommonPicture()->PictureSize(), QSize(200 + 3 + 150, 300));
    const QPoint map0(203, 0);
    w.Click(QPoint(10, 10));  // on the neighbour: not taken yet
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kSourceFirst);
    // The map's line leans right by 10 over 100 (its top to the left): turn clockwise.
    w.Click(map0 + QPoint(50, 100));
    EXPECT_EQ(w.Title(), QStringLiteral("Set 1. point at target map"));
    w.Click(map0 + QPoint(50, 100));  // on the map again: not taken
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kTargetFirst);
    w.Click({100, 100});
    w.Click(map0 + QPoint(60, 200), Qt::RightButton);  // steps back to the target's point 1
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kTargetFirst);
    w.Click({100, 100});
    w.Click(map0 + QPoint(60, 200));
    EXPECT_EQ(w.Title(), QStringLiteral("Set 2. point at target map"));
    w.dialogs.confirmations = {true};
    w.Click({100, 200});
    EXPECT_EQ(w.dialogs.asked.back(),
              QStringLiteral("confirm: Rotate map to the right with 5.71 degree"));
    EXPECT_NEAR(w.form->TotalRotation(), 5.7106, 1e-3);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);
    EXPECT_FALSE(w.form->CommonPicture()->isVisible());
}

TEST(AdjustWindow, ChecksTheSeamAndMovesTheNeighbourWithTheArrowKeys) {
    AdjustWindow w(test::MakeTestPicture(300, 200, 3));
    w.form->FirstStrip = test::MakeTestPicture(300, 100, 4);
    w.form->FirstStripSide = StripSide::Above;
    w.Show();
    w.Button("bbCheckUpper")->click();
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kSeamSource);
    EXPECT_EQ(w.Title(), QStringLiteral("Set point at source map"));
    // The upper neighbour on top, the upper half of the map below it.
    EXPECT_EQ(w.form->CommonPicture()->PictureSize(), QSize(300, 100 + 3 + 100));
    w.Click({40, 103 + 5});  // map (40, 5)
    w.Click({42, 90});       // strip (42, 90)
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kSeamMove);
    EXPECT_EQ(w.Title(), QStringLiteral("If required, move map with cursor keys"));
    EXPECT_EQ(w.form->SeamOffset(), QPoint(-2, -85));
    w.Key(Qt::Key_Right);
    w.Key(Qt::Key_Right);
    w.Key(Qt::Key_Up);
    EXPECT_EQ(w.form->SeamOffset(), QPoint(0, -86));
    w.Key(Qt::Key_Escape);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);
    // A second check starts where the first ended.
    w.Button("bbCheckUpper")->click();
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kSeamMove);
    w.Click({5, 5}, Qt::RightButton);
    EXPECT_EQ(w.form->CurrentMode(), TfAdjust::kIdle);
    EXPECT_FALSE(w.form->Changed());
}

TEST(AdjustWindow, FindsTheAngleToTheNeighbourAndTurnsOnYes) {
    Bitmap a1, a2;
    std::string error;
    ASSERT_TRUE(LoadMapFile(std::filesystem::path(KORVALEN_DEMO_DIR) / "a1.jpg", a1, false, error));
    ASSERT_TRUE(LoadMapFile(std::filesystem::path(KORVALEN_DEMO_DIR) / "a2.jpg", a2, false, error));
    AdjustWindow w(RotateBitmap(a2, kCyan, -1.2));  // turned clockwise by 1.2 degrees
    w.form->FirstStrip = *CopyArea(&a1, {320, 0, 640, 480});
    w.form->FirstStripSide = StripSide::Left;
    w.Show();
    w.dialogs.confirmations = {true};
    w.Button("bbFindAngle")->click();
    ASSERT_FALSE(w.dialogs.asked.isEmpty());
    const QString question = w.dialogs.asked.back();
    const QString prefix = QStringLiteral("confirm: Rotate map to the left with ");
    ASSERT_TRUE(question.startsWith(prefix)) << question.toStdString();
    EXPECT_NEAR(question.mid(prefix.size()).section(QLatin1Char(' '), 0, 0).toDouble(), 1.2, 0.05);
    EXPECT_NEAR(w.form->TotalRotation(), -1.2, 0.05);
}

TEST(AdjustWindow, SavesTheChangedMapWhenAllowed) {
    test::TempDir dir;
    AdjustWindow w;
    w.form->SaveAllowed = true;
    w.form->FileName = dir.Path() / "map.bmp";
    w.Show();
    EXPECT_FALSE(w.Button("bbSave")->isEnabled());
    w.Button("bbRotate180")->click();
    ASSERT_TRUE(w.Button("bbSave")->isEnabled());
    w.dialogs.files = {
        Dialogs::FileAnswer{QString::fromStdString((dir.Path() / "turned.bmp").string()), 1}};
    w.Button("bbSave")->click();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "turned.bmp"));
    EXPECT_TRUE(w.form->SavedByForm());
    EXPECT_TRUE(w.form->Saved());
    EXPECT_EQ(w.form->FileName, dir.Path() / "turned.bmp");
    ASSERT_EQ(w.dialogs.timedMessages.size(), 1u);
    EXPECT_EQ(w.dialogs.timedMessages[0].intervalMs, 1500);
    EXPECT_TRUE(w.dialogs.timedMessages[0].text.startsWith(QStringLiteral("The map ")));
    Bitmap back;
    std::string error;
    ASSERT_TRUE(LoadMapFile(dir.Path() / "turned.bmp", back, false, error));
    EXPECT_TRUE(test::SameBitmap(back, w.form->AdjustMap));
}

TEST(AdjustWindow, ZoomSizesThePictureAndFullMapFillsTheBox) {
    AdjustWindow w;
    w.form->FullMap = true;
    w.Show();
    auto* full = w.form->findChild<QCheckBox*>(QStringLiteral("cbFullMap"));
    ASSERT_TRUE(full->isChecked());
    EXPECT_EQ(w.form->Picture()->size(),
              w.form->findChild<QScrollArea*>(QStringLiteral("sbMap"))->viewport()->size());
    full->click();
    EXPECT_EQ(w.form->Picture()->size(), QSize(202, 102));
    w.Arrows("udZoom")->StepUp();
    EXPECT_EQ(w.Edit("eZoom")->text(), QStringLiteral("125"));
    EXPECT_EQ(w.form->Picture()->size(), QSize(252, 127));
    // Clicks land on the right pixels when zoomed.
    w.Button("bbCutAny")->click();
    w.dialogs.confirmations = {true};
    w.Click({0, 0});
    w.Click({99, 49});
    EXPECT_EQ(w.form->AdjustMap.Width(), 100);
    EXPECT_EQ(w.form->AdjustMap.Height(), 50);
    for (int i = 0; i < 10; ++i)
        w.Arrows("udZoom")->StepDown();
    EXPECT_EQ(w.Edit("eZoom")->text(), QStringLiteral("25"));
    EXPECT_EQ(w.form->Picture()->size(), QSize(25, 13));
}

}  // namespace
}  // namespace korvalen

namespace korvalen {
namespace {

// Pictures of the form on a demo map, for looking at: run with KORVALEN_SHOTS=folder (under
// Xvfb to see the real window decorations and fonts).
TEST(AdjustWindowShots, OnADemoMap) {
    const QByteArray folder = qgetenv("KORVALEN_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "KORVALEN_SHOTS not set";
    Bitmap a1, a2;
    std::string error;
    ASSERT_TRUE(LoadMapFile(std::filesystem::path(KORVALEN_DEMO_DIR) / "a1.jpg", a1, false, error));
    ASSERT_TRUE(LoadMapFile(std::filesystem::path(KORVALEN_DEMO_DIR) / "a2.jpg", a2, false, error));
    const auto save = [&](QWidget& form, const char* name) {
        QCoreApplication::processEvents();
        form.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name));
    };

    struct Peeking : test::ScriptedDialogs {
        std::function<void()> peek;
        bool Confirm(const QString& text) override {
            if (peek)
                peek();
            return ScriptedDialogs::Confirm(text);
        }
    };
    Peeking dialogs;
    ProgramState state;
    TfAdjust form(state, dialogs);
    form.AdjustMap = a2;
    form.MapName = "a2";
    form.FirstStrip = *CopyArea(&a1, {320, 0, 640, 480});
    form.FirstStripSide = StripSide::Left;
    form.resize(1000, 640);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* degree = form.findChild<QLineEdit*>(QStringLiteral("eDegree"));
    auto* hundredths = form.findChild<QLineEdit*>(QStringLiteral("eDegree100"));
    degree->setText(QStringLiteral("2"));
    hundredths->setText(QStringLiteral("50"));
    form.bbRightClick();
    save(form, "adjust-rotated.png");

    form.bbUndoAllClick();
    form.bbCutAnyClick();
    AdjustPicture* picture = form.Picture();
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->ToWidget({60, 50}));
    emit picture->moved({560, 400});
    save(form, "adjust-cut-rubber.png");
    dialogs.peek = [&] { save(form, "adjust-cut-question.png"); };
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->ToWidget({560, 400}));
    dialogs.peek = nullptr;

    form.bbCheckLeftClick();
    AdjustPicture* common = form.CommonPicture();
    // a2 lies 517 right of and 8 above a1; the strip starts at a1's column 320.
    QTest::mouseClick(common, Qt::LeftButton, {}, common->ToWidget({323 + 50, 200}));
    save(form, "adjust-seam-pick.png");
    QTest::mouseClick(common, Qt::LeftButton, {}, common->ToWidget({50 + 197, 192}));
    save(form, "adjust-seam-check.png");
    EXPECT_EQ(form.CurrentMode(), TfAdjust::kSeamMove);
}

}  // namespace
}  // namespace korvalen
