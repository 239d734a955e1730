#pragma once

#include <gtest/gtest.h>
#include <QAction>
#include <QCoreApplication>
#include <QSpinBox>
#include <QTest>
#include <memory>
#include <string>

#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace korvalen::test {

// A main window on a settings file of its own, with scripted dialogs.
class MainWindowFixture : public ::testing::Test {
protected:
    TempDir dir;
    ProgramState state;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfTavixMain> window;

    std::filesystem::path SettingsPath() const { return dir / "korvalen.ini"; }

    void WriteSettings(const std::string& text) {
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        WriteBytes(SettingsPath(), bytes);
    }

    // Creates the window (English unless the settings say otherwise), shows it and lets the
    // activation run, so the texts are translated as the user sees them.
    TfTavixMain& Open(bool writeEnglish = true) {
        if (writeEnglish && !std::filesystem::exists(SettingsPath()))
            WriteSettings("[application]\r\nlanguage=0\r\n");
        state.settingsFile = SettingsPath();
        window = std::make_unique<TfTavixMain>(state, dialogs);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        Settle();
        return *window;
    }

    // Lets queued work (the activation) run.
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    template <typename T>
    T* Find(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* Action(const char* name) const { return Find<QAction>(name); }

    // A new matrix of the given size, as the user makes it.
    void NewMatrix(int rows, int cols) {
        Find<QSpinBox>("seNumRows")->setValue(rows);
        Find<QSpinBox>("seNumCols")->setValue(cols);
        window->bbNewMatrixClick();
    }

    // Writes a test map; the content follows from the seed.
    static void WriteMap(const std::filesystem::path& path, unsigned seed, int width = 40,
                         int height = 30) {
        const Bitmap picture = MakeTestPicture(width, height, seed);
        std::string error;
        const std::string ext = path.extension().string();
        const bool ok = ext == ".bmp" ? WriteBmpFile(path, picture, error)
                                      : WriteJpegFile(path, picture, 90, error);
        ASSERT_TRUE(ok) << error;
    }

    // The names of the cells, row by row ("-" for a cell without a name).
    std::string CellNames() const {
        std::string names;
        for (const tSingleMap& cell : window->Matrix) {
            if (!names.empty())
                names += cell.Col == 1 ? " / " : " ";
            names += cell.Name.empty() ? "-" : cell.Name;
        }
        return names;
    }
};

}  // namespace korvalen::test
