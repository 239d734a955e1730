// "Adjust map" on the active single map and "&Adjust" on the result map.
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/MainWindowFixture.h"
#include "images/MapFiles.h"
#include "images/TavixAdjust.h"

namespace korvalen::test {
namespace {

class AdjustCommands : public MainWindowFixture {
protected:
    // A 2 x 2 matrix whose maps are files in the temporary folder.
    void LoadMatrix() {
        Open();
        NewMatrix(2, 2);
        unsigned seed = 1;
        for (tSingleMap& cell : window->Matrix) {
            const std::string name =
                std::string(1, static_cast<char>('a' + cell.Row - 1)) + std::to_string(cell.Col);
            cell.FilePath = dir / (name + ".bmp");
            WriteMap(cell.FilePath, seed, 60, 40);
            cell.Bitmap = std::make_unique<Bitmap>(MakeTestPicture(60, 40, seed++));
            cell.Name = name;
        }
        window->MapsLoaded = true;
        window->BuildMatrixPicture();
    }

    // Runs the command; while its adjust form is open, `work` acts on it.
    void WithAdjustForm(const std::function<void()>& command,
                        const std::function<void(TfAdjust&)>& work) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TfAdjust*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            seen = true;
            work(*form);
            if (form->isVisible())
                form->bbBreakClick();
        });
        command();
        EXPECT_TRUE(seen);
    }
    static QPushButton* Button(TfAdjust& form, const char* name) {
        return form.findChild<QPushButton*>(QLatin1String(name));
    }
};

TEST_F(AdjustCommands, AMapBelowTheFirstRowComesWithBothNeighbourStrips) {
    LoadMatrix();
    window->SelectCell(window->Matrix.CellIndex(2, 2));
    const Bitmap opening = *window->ActiveMap()->Bitmap;
    dialogs.confirmations = {true};
    dialogs.files = {
        Dialogs::FileAnswer{QString::fromStdString((dir / "B2-turned.bmp").string()), 1}};
    WithAdjustForm([&] { window->bbLoadMapClick(); },
                   [&](TfAdjust& form) {
                       EXPECT_EQ(form.windowTitle(), QStringLiteral("Adjust b2"));
                       ASSERT_TRUE(form.FirstStrip);
                       EXPECT_EQ(form.FirstStripSide, StripSide::Above);
                       // The lower half of the map above, the right half of the map to the left.
                       EXPECT_EQ(form.FirstStrip->Height(), 20);
                       EXPECT_EQ(form.FirstStrip->PixelAt(0, 0),
                                 window->Matrix.At(1, 2)->Bitmap->PixelAt(0, 20));
                       ASSERT_TRUE(form.SecondStrip);
                       EXPECT_EQ(form.SecondStrip->Width(), 30);
                       EXPECT_EQ(form.SecondStrip->PixelAt(0, 0),
                                 window->Matrix.At(2, 1)->Bitmap->PixelAt(30, 0));
                       EXPECT_TRUE(form.SaveAllowed);
                       Button(form, "bbRotate180")->click();
                       Button(form, "bbAccept")->click();
                   });
    const tSingleMap& cell = *window->ActiveMap();
    EXPECT_EQ(cell.Bitmap->PixelAt(59, 39), opening.PixelAt(0, 0));
    EXPECT_TRUE(dialogs.asked.contains(QStringLiteral("confirm: save changed map")));
    EXPECT_EQ(cell.FilePath, dir / "B2-turned.bmp");
    EXPECT_EQ(cell.Name, "b2-turned");
    Bitmap written;
    std::string error;
    ASSERT_TRUE(LoadMapFile(dir / "B2-turned.bmp", written, false, error));
    EXPECT_TRUE(SamePixels(written, *cell.Bitmap));
}

TEST_F(AdjustCommands, BreakLeavesTheMapAndAsksNothing) {
    LoadMatrix();
    window->SelectCell(window->Matrix.CellIndex(1, 2));
    const Bitmap opening = *window->ActiveMap()->Bitmap;
    WithAdjustForm([&] { window->bbLoadMapClick(); },
                   [&](TfAdjust& form) {
                       ASSERT_TRUE(form.FirstStrip);
                       EXPECT_EQ(form.FirstStripSide, StripSide::Left);
                       EXPECT_FALSE(form.SecondStrip);
                       Button(form, "bbRotate180")->click();
                       Button(form, "bbBreak")->click();
                   });
    EXPECT_TRUE(SamePixels(*window->ActiveMap()->Bitmap, opening));
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(window->ActiveMap()->FilePath, dir / "a2.bmp");
}

TEST_F(AdjustCommands, AMapSavedByTheFormIsNotAskedForAgain) {
    LoadMatrix();
    window->SelectCell(0);  // row 1, column 1: no neighbours
    dialogs.files = {Dialogs::FileAnswer{QString::fromStdString((dir / "a1-new.bmp").string()), 1}};
    WithAdjustForm([&] { window->bbLoadMapClick(); },
                   [&](TfAdjust& form) {
                       EXPECT_FALSE(form.FirstStrip);
                       EXPECT_FALSE(form.SecondStrip);
                       Button(form, "bbRotate180")->click();
                       Button(form, "bbSave")->click();
                       Button(form, "bbAccept")->click();
                   });
    EXPECT_FALSE(dialogs.asked.contains(QStringLiteral("confirm: save changed map")));
    EXPECT_EQ(window->ActiveMap()->FilePath, dir / "a1-new.bmp");
    EXPECT_EQ(window->ActiveMap()->Name, "a1-new");
}

TEST_F(AdjustCommands, TheResultMapIsAdjustedWithoutSavingOfItsOwn) {
    Open();
    window->ResultMap = MakeTestPicture(80, 50, 3);
    window->UpdateControls();
    const Bitmap opening = window->ResultMap;
    WithAdjustForm([&] { window->bbAdjustMapClick(); },
                   [&](TfAdjust& form) {
                       EXPECT_EQ(form.windowTitle(), QStringLiteral("Adjust tavixed map"));
                       EXPECT_FALSE(form.SaveAllowed);
                       EXPECT_FALSE(form.FirstStrip);
                       Button(form, "bbRight")->click();  // 90 degrees clockwise
                       EXPECT_FALSE(Button(form, "bbSave")->isEnabled());
                       Button(form, "bbAccept")->click();
                   });
    ASSERT_EQ(window->ResultMap.Width(), 50);
    EXPECT_EQ(window->ResultMap.PixelAt(49, 0), opening.PixelAt(0, 0));
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_TRUE(dialogs.asked.isEmpty());

    // Broken off, the result stays.
    state.ResultUnsaved = false;
    WithAdjustForm([&] { window->bbAdjustMapClick(); },
                   [&](TfAdjust& form) { Button(form, "bbRotate180")->click(); });
    EXPECT_EQ(window->ResultMap.Width(), 50);
    EXPECT_FALSE(state.ResultUnsaved);
}

TEST_F(AdjustCommands, NothingOpensWithoutAMap) {
    Open();
    window->bbAdjustMapClick();  // no result map
    NewMatrix(1, 2);
    window->bbLoadMapClick();  // an empty cell asks for a file, not the form
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace korvalen::test
