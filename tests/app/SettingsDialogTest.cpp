#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/LanguageFlags.h"
#include "app/TavixSettings.h"
#include "core/IniFile.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

QString English(const char* source) {
    return QString::fromStdString(TranslateText(source, 0));
}
QString German(const char* source) {
    return QString::fromStdString(TranslateText(source, 1));
}

// Also records where the folder and colour dialogs were asked to start.
class RecordingDialogs : public test::ScriptedDialogs {
public:
    QStringList folderStarts;
    QList<QColor> colourStarts;

    std::optional<QString> ChooseFolder(const QString& title, const QString& start) override {
        folderStarts << start;
        return ScriptedDialogs::ChooseFolder(title, start);
    }
    std::optional<QColor> ChooseColour(const QColor& initial) override {
        colourStarts << initial;
        return ScriptedDialogs::ChooseColour(initial);
    }
};

class SettingsDialog : public ::testing::Test {
protected:
    ProgramState state;
    RecordingDialogs dialogs;
    std::unique_ptr<TfTavixSettings> dialog;

    TfTavixSettings& Open() {
        if (!dialog)
            dialog = std::make_unique<TfTavixSettings>(state, dialogs, nullptr);
        dialog->ShowSettings();
        return *dialog;
    }

    template <typename T>
    T* Find(const char* name) {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    int Spin(const char* name) { return Find<QSpinBox>(name)->value(); }
    int Item(const char* group) { return TfTavixSettings::ItemIndex(Find<QGroupBox>(group)); }
    void SetItem(const char* group, int index) {
        TfTavixSettings::SetItemIndex(Find<QGroupBox>(group), index);
        ASSERT_EQ(Item(group), index) << group;
    }
    QString CheckedText(const char* group) {
        for (QRadioButton* radio : Find<QGroupBox>(group)->findChildren<QRadioButton*>())
            if (radio->isChecked())
                return radio->text();
        return {};
    }
};

TEST_F(SettingsDialog, FirstStartShowsTheDefaults) {
    Open();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Settings");
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(Find<QTabWidget>("pcSettings")->currentIndex(), TfTavixSettings::PageFiles);
    EXPECT_TRUE(Find<QPushButton>("bbAccept")->isDefault());

    EXPECT_EQ(CheckedText("rgJoiningAlgorithm"),
              English("join_points only on_first horiz./vertically_tavix"));
    EXPECT_EQ(CheckedText("rgMapsSequence"), "Rows");
    EXPECT_EQ(CheckedText("rgOrderOfMapFiles"), "alphabetical order");
    EXPECT_EQ(CheckedText("rgPixelFormat"), "  8 Bits  (256 colors)");
    EXPECT_EQ(CheckedText("rgDistanceUnits"), "Kilometers");
    EXPECT_EQ(CheckedText("rgViewArea"), "Medium (512x512)");
    EXPECT_EQ(CheckedText("rgPlusPixelFormat"), "24 Bits");
    EXPECT_EQ(CheckedText("rgCalibFormat"), "Ozi Explorer 2.2");
    EXPECT_EQ(CheckedText("rgContinueSearch"), "Continue self-search");
    EXPECT_EQ(Find<QComboBox>("cobTargetAreaRatio")->currentText(), "1");
    EXPECT_TRUE(Find<QRadioButton>("rbEnglish")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("eDisaccordColor")->text(), "$00FE50FE");

    // Every control shows its setting: accepting the untouched dialog changes nothing.
    dialog->accept();
    EXPECT_EQ(state.settings, Settings{});
}

TEST_F(SettingsDialog, ValuesAControlCannotShowFallBack) {
    state.settings.viewArea = 7;
    state.settings.tavixedMapPixelIx = 7;
    state.settings.overlap = 11;
    state.settings.calibFormat = 0;
    state.settings.preferredAlgorithm = 9;
    state.settings.preferredOrderOfMapfiles = 0;
    state.settings.continueSearch = 3;
    state.settings.language = 5;
    Open();
    EXPECT_EQ(CheckedText("rgViewArea"), "Medium (512x512)");
    EXPECT_EQ(state.settings.tavixedMapPixelIx, 1);  // corrected in memory, not only shown
    EXPECT_EQ(Item("rgPixelFormat"), 1);
    EXPECT_EQ(Find<QComboBox>("cobTargetAreaRatio")->currentText(), "1");
    EXPECT_EQ(Item("rgCalibFormat"), 0);
    EXPECT_EQ(Item("rgJoiningAlgorithm"), 0);
    EXPECT_EQ(Item("rgOrderOfMapFiles"), 0);
    EXPECT_EQ(Item("rgContinueSearch"), 0);
    EXPECT_TRUE(Find<QRadioButton>("rbEnglish")->isChecked());
    EXPECT_EQ(dialog->DisplayLanguage(), kLanguageEnglish);

    dialog->accept();
    EXPECT_EQ(state.settings.viewArea, 1);
    EXPECT_EQ(state.settings.overlap, 2);
    EXPECT_EQ(state.settings.calibFormat, 1);
    EXPECT_EQ(state.settings.preferredAlgorithm, 1);
    EXPECT_EQ(state.settings.language, 0);

    state.settings.overlap = 0;
    Open();
    EXPECT_EQ(Find<QComboBox>("cobTargetAreaRatio")->currentText(), "1");
}

// Each row: a control, what the user sets it to (a check box is toggled), and the key of the
// settings file that must hold the result.
TEST_F(SettingsDialog, AcceptTakesEveryControl) {
    const struct {
        const char* control;
        const char* set;
        const char* section;
        const char* key;
        const char* stored;
    } rows[] = {
        {"rbGerman", "", "application", "language", "1"},
        {"leSingleMapsDirectory", "/maps/in", "files", "singleMapsDirectory", "/maps/in"},
        {"leTavixedMapsDirectory", "/maps/out", "files", "tavixedMapsDirectory", "/maps/out"},
        {"lePlacemarksDirectory", "/maps/Ortsmarken äöü", "files", "PlacemarksDirectory",
         "/maps/Ortsmarken äöü"},
        {"cbSingleMaps8bit", "", "tavix", "singleMaps8bit", "0"},
        {"rgPixelFormat", "2", "tavix", "tavixedMapPixelIx", "2"},
        {"seDefaultRows", "17", "tavix", "defaultRows", "17"},
        {"seDefaultCols", "23", "tavix", "defaultCols", "23"},
        {"cbViewSingleMaps", "", "tavix", "showSingleMaps", "0"},
        {"seProximity", "16", "tavix", "proximity", "16"},
        {"seCompressionQuality", "33", "tavix", "compressionQuality", "33"},
        {"rgDistanceUnits", "1", "gridpattern", "IsMetric", "0"},
        {"rgMapsSequence", "1", "tavix", "preferredMapfilesSequence", "2"},
        {"rgOrderOfMapFiles", "4", "tavix", "preferredOrderOfMapfiles", "5"},
        {"rgJoiningAlgorithm", "4", "tavix", "preferredAlgorithm", "5"},
        {"seMinimumCorrelation", "77", "tavix", "minimumCorrelation", "77"},
        {"seSpreadingTolerance", "32", "tavix", "spreadingTolerance", "32"},
        {"seSearchBandAcross", "125", "tavix", "SearchBandAcross", "125"},
        {"seSearchBandAlong", "250", "tavix", "SearchBandAlong", "250"},
        {"cobTargetAreaRatio", "9", "tavix", "overlap", "10"},
        {"seHorizontalOverlap", "10000", "tavix", "horizontalOverlap", "10000"},
        {"seVerticalOverlap", "10", "tavix", "verticalOverlap", "10"},
        {"seGridPatternOverlap", "25", "gridpattern", "Overlap", "25"},
        {"cbEstimateOverlap", "", "tavix", "estimateOverlap", "0"},
        {"cbBandOnDetail", "", "tavix", "bandOnDetail", "0"},
        {"rgComparison", "0", "tavix", "comparison", "0"},
        {"rgContinueSearch", "2", "tavix", "continueSearch", "2"},
        {"cbImmediateStart", "", "tavix", "immediateStart", "0"},
        {"cbPauseAfter", "", "tavix", "pauseAfter", "0"},
        {"cbConfirmTavix", "", "tavix", "confirmTavix", "1"},
        {"cbTavixAfterJoin", "", "tavix", "tavixAfterJoin", "0"},
        {"cbComputeTotal", "", "tavix", "computeTotal", "0"},
        {"cbPreviewFirst", "", "tavix", "previewFirst", "0"},
        {"cbAutoStart", "", "plus", "autoStart", "1"},
        {"rgViewArea", "2", "plus", "viewArea", "2"},
        {"leMapImagesDirectory", "/maps/earth", "plus", "mapImagesDirectory", "/maps/earth"},
        {"cbSaveMapImage", "", "plus", "saveMapImage", "0"},
        {"cbSaveCalibration", "", "plus", "saveCalibration", "0"},
        {"sePlusCompressionQuality", "99", "plus", "compressionQuality", "99"},
        {"seCriticalNumOfPixels", "999", "plus", "criticalNumOfPixels", "999"},
        {"rgPlusPixelFormat", "1", "plus", "pixelFormat8Bit", "1"},
        {"seMapImagesOverlap", "45", "plus", "mapImagesOverlap", "45"},
        {"rgCalibFormat", "6", "plus", "calibFormat", "7"},
    };
    Open();
    QSignalSpy accepted(dialog.get(), &TfTavixSettings::settingsAccepted);
    IniFile expected;
    WriteSettings(Settings{}, expected);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.control);
        const QString value = QString::fromUtf8(row.set);
        QWidget* control = Find<QWidget>(row.control);
        if (auto* spin = qobject_cast<QSpinBox*>(control))
            spin->setValue(value.toInt());
        else if (auto* check = qobject_cast<QCheckBox*>(control))
            check->toggle();
        else if (qobject_cast<QGroupBox*>(control))
            SetItem(row.control, value.toInt());
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->setCurrentIndex(value.toInt());
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(value);
        else
            qobject_cast<QRadioButton*>(control)->click();
        expected.WriteString(row.section, row.key, row.stored);
    }
    const auto stored = [this] {
        IniFile ini;
        WriteSettings(state.settings, ini);
        return ini.ToText();
    };
    Find<QPushButton>("bbAccept")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(stored(), expected.ToText());  // and nothing else changed
    EXPECT_EQ(ResultPixelFormat(state.settings), PixelFormat::Bits4);

    // Showing again loads what was accepted, so accepting again is a no-op.
    Open();
    EXPECT_EQ(dialog->DisplayLanguage(), kLanguageGerman);
    EXPECT_EQ(dialog->windowTitle(), German("Settings"));
    dialog->accept();
    EXPECT_EQ(stored(), expected.ToText());
    EXPECT_EQ(accepted.count(), 2);
}

TEST_F(SettingsDialog, AbortAndEscapeKeepOnlyButtonChoices) {
    test::TempDir temp;
    const QString chosen = QString::fromStdString((temp / "chosen").string());
    QDir().mkpath(chosen);
    state.settings.singleMapsDirectory = "/old/single";
    state.settings.mapImagesDirectory = "/old/earth";
    Open();
    QSignalSpy accepted(dialog.get(), &TfTavixSettings::settingsAccepted);
    Find<QSpinBox>("seDefaultRows")->setValue(12);
    Find<QLineEdit>("leMapImagesDirectory")->setText("/typed/only");
    dialogs.folders.push_back(chosen);
    Find<QToolButton>("sbSingleMapsDirectory")->click();
    EXPECT_EQ(state.settings.singleMapsDirectory, chosen.toStdString());  // taken at once
    dialogs.colours.push_back(QColor(1, 2, 3));
    Find<QToolButton>("sbDisaccordColor")->click();

    Find<QPushButton>("bbAbort")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(accepted.count(), 0);
    EXPECT_EQ(state.settings.defaultRows, 4);
    EXPECT_EQ(state.settings.mapImagesDirectory, "/old/earth");
    EXPECT_EQ(state.settings.singleMapsDirectory, chosen.toStdString());
    EXPECT_EQ(state.settings.disaccordColor, 0x030201u);

    // Showing again forgets the aborted edits and shows the folder the button took.
    Open();
    EXPECT_EQ(Spin("seDefaultRows"), 4);
    EXPECT_EQ(Find<QLineEdit>("leSingleMapsDirectory")->text(), chosen);
    EXPECT_EQ(Find<QLineEdit>("leMapImagesDirectory")->text(), "/old/earth");

    Find<QSpinBox>("seProximity")->setValue(0);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(state.settings.proximity, 5);
    EXPECT_EQ(accepted.count(), 0);
}

TEST_F(SettingsDialog, FolderButtonsStartInTheSettingAndIgnoreCase) {
    test::TempDir temp;
    const QString existing = QString::fromStdString((temp / "Maps").string());
    QDir().mkpath(existing);
    state.settings.tavixedMapsDirectory = existing.toStdString();
    state.settings.PlacemarksDirectory = (temp / "gone").string();
    Open();
    auto* field = Find<QLineEdit>("leTavixedMapsDirectory");

    dialogs.folders.push_back(existing.toUpper());  // the same folder written differently
    Find<QToolButton>("sbTavixedMapsDirectory")->click();
    EXPECT_EQ(state.settings.tavixedMapsDirectory, existing.toStdString());
    EXPECT_EQ(field->text(), existing);

    Find<QToolButton>("sbTavixedMapsDirectory")->click();  // cancelled
    EXPECT_EQ(state.settings.tavixedMapsDirectory, existing.toStdString());

    dialogs.folders.push_back("/elsewhere");
    Find<QToolButton>("sbPlacemarksDirectory")->click();
    EXPECT_EQ(state.settings.PlacemarksDirectory, "/elsewhere");
    EXPECT_EQ(Find<QLineEdit>("lePlacemarksDirectory")->text(), "/elsewhere");

    dialogs.folders.push_back("/earth");
    Find<QToolButton>("sbMapImagesDirectory")->click();  // empty setting
    EXPECT_EQ(state.settings.mapImagesDirectory, "/earth");

    ASSERT_EQ(dialogs.folderStarts.size(), 4);
    EXPECT_EQ(dialogs.folderStarts[0], existing);
    EXPECT_EQ(dialogs.folderStarts[2], QDir::currentPath());  // the setting's folder is gone
    EXPECT_EQ(dialogs.folderStarts[3], QDir::currentPath());
    EXPECT_EQ(dialogs.asked[0], "folder: Tavixed maps directory");
}

TEST_F(SettingsDialog, ColourButtonTakesADifferentColourAtOnce) {
    Open();
    auto* field = Find<QLineEdit>("eDisaccordColor");
    EXPECT_TRUE(field->isReadOnly());

    dialogs.colours.push_back(QColor(0x12, 0x34, 0x56));
    Find<QToolButton>("sbDisaccordColor")->click();
    ASSERT_EQ(dialogs.colourStarts.size(), 1);
    EXPECT_EQ(dialogs.colourStarts[0], QColor(0xFE, 0x50, 0xFE));  // 00 BB GG RR
    EXPECT_EQ(state.settings.disaccordColor, 0x00563412u);
    EXPECT_EQ(field->text(), "$00563412");
    EXPECT_TRUE(field->styleSheet().contains("#123456"));

    Find<QToolButton>("sbDisaccordColor")->click();  // cancelled
    EXPECT_EQ(state.settings.disaccordColor, 0x00563412u);
    EXPECT_EQ(dialogs.colourStarts[1], QColor(0x12, 0x34, 0x56));

    dialogs.colours.push_back(QColor(255, 0, 0));
    Find<QToolButton>("sbDisaccordColor")->click();
    EXPECT_EQ(state.settings.disaccordColor, 0x0000FFu);
    EXPECT_EQ(field->text(), QString::fromStdString(ColorToText(0x0000FF)));
}

TEST_F(SettingsDialog, SpinEditsKeepToTheirRanges) {
    Open();
    struct Range {
        const char* name;
        int minimum, maximum, step;
    };
    const Range ranges[] = {
        {"seDefaultRows", 1, 99, 1},
        {"seDefaultCols", 1, 99, 1},
        {"seProximity", 0, 16, 1},
        {"seCompressionQuality", 1, 100, 1},
        {"seMinimumCorrelation", 20, 100, 1},
        {"seSpreadingTolerance", 0, 32, 1},
        {"seSearchBandAcross", 10, 250, 5},
        {"seSearchBandAlong", 10, 250, 5},
        {"seHorizontalOverlap", 10, 10000, 1},
        {"seVerticalOverlap", 10, 10000, 1},
        {"seGridPatternOverlap", 10, 25, 1},
        {"sePlusCompressionQuality", 1, 100, 1},
        {"seCriticalNumOfPixels", 1, 999, 1},
        {"seMapImagesOverlap", 0, 50, 5},
    };
    for (const Range& range : ranges) {
        QSpinBox* spin = Find<QSpinBox>(range.name);
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->minimum(), range.minimum) << range.name;
        EXPECT_EQ(spin->maximum(), range.maximum) << range.name;
        EXPECT_EQ(spin->singleStep(), range.step) << range.name;
    }

    QSpinBox* correlation = Find<QSpinBox>("seMinimumCorrelation");
    EXPECT_TRUE(correlation->font().bold());
    EXPECT_EQ(correlation->palette().color(QPalette::Text), QColor(Qt::red));
    QStringList ratios;
    auto* ratio = Find<QComboBox>("cobTargetAreaRatio");
    for (int i = 0; i < ratio->count(); ++i)
        ratios << ratio->itemText(i);
    EXPECT_EQ(ratios.join(' '), "0,5 1 1,5 2 2,5 3 3,5 4 4,5 5");
}

// Every text the dialog shows, in a fixed order.
QStringList VisibleTexts(QWidget* form) {
    QStringList texts{form->windowTitle()};
    for (QObject* object : form->findChildren<QObject*>()) {
        if (auto* button = qobject_cast<QAbstractButton*>(object))
            texts << button->text();
        if (auto* label = qobject_cast<QLabel*>(object))
            texts << label->text();
        if (auto* group = qobject_cast<QGroupBox*>(object))
            texts << group->title();
        if (auto* tabs = qobject_cast<QTabWidget*>(object))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
    }
    return texts;
}

TEST_F(SettingsDialog, FlagsRetranslateAtOnceAndBack) {
    Open();
    const QStringList english = VisibleTexts(dialog.get());
    auto* tabs = Find<QTabWidget>("pcSettings");
    EXPECT_EQ(tabs->tabText(0), "Files");

    Find<QToolButton>("iGermanFlag")->click();
    EXPECT_TRUE(Find<QRadioButton>("rbGerman")->isChecked());
    EXPECT_EQ(dialog->DisplayLanguage(), kLanguageGerman);
    EXPECT_EQ(dialog->windowTitle(), German("Settings"));
    EXPECT_EQ(tabs->tabText(0), German("Files"));
    EXPECT_EQ(Find<QPushButton>("bbAbort")->text(), German("Abort"));
    EXPECT_EQ(CheckedText("rgJoiningAlgorithm"),
              German("join_points only on_first horiz./vertically_tavix"));
    EXPECT_EQ(state.settings.language, 0);  // taken only by Accept

    // The current language again: nothing is translated (a changed text stays).
    auto* abort = Find<QPushButton>("bbAbort");
    abort->setText("marker");
    Find<QToolButton>("iGermanFlag")->click();
    Find<QRadioButton>("rbGerman")->click();
    EXPECT_EQ(abort->text(), "marker");
    EXPECT_EQ(dialog->DisplayLanguage(), kLanguageGerman);

    Find<QRadioButton>("rbEnglish")->click();
    EXPECT_EQ(dialog->DisplayLanguage(), kLanguageEnglish);
    EXPECT_EQ(VisibleTexts(dialog.get()), english);

    // Aborted in German, shown again with English settings: English again.
    Find<QToolButton>("iGermanFlag")->click();
    dialog->reject();
    Open();
    EXPECT_EQ(VisibleTexts(dialog.get()), english);
    EXPECT_TRUE(Find<QRadioButton>("rbEnglish")->isChecked());
}

TEST_F(SettingsDialog, OpensInTheSettingsLanguageOnTheAskedPage) {
    state.settings.language = kLanguageGerman;
    dialog = std::make_unique<TfTavixSettings>(state, dialogs, nullptr);
    EXPECT_EQ(dialog->windowTitle(), German("Settings"));
    dialog->ShowSettingsPage(TfTavixSettings::PagePlus);
    EXPECT_EQ(Find<QTabWidget>("pcSettings")->currentIndex(), TfTavixSettings::PagePlus);
    EXPECT_TRUE(Find<QRadioButton>("rbGerman")->isChecked());
    EXPECT_EQ(Find<QTabWidget>("pcSettings")->tabText(5), German("Plus"));
}

TEST_F(SettingsDialog, CentredOnTheMainWindow) {
    QWidget mainWindow;
    mainWindow.setGeometry(100, 80, 900, 700);
    mainWindow.show();
    TfTavixSettings centred(state, dialogs, &mainWindow);
    centred.ShowSettings();
    const QPoint offset = centred.frameGeometry().center() - mainWindow.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    EXPECT_TRUE(centred.isWindow());
}

// A text wider than its widget would be cut off.
void ExpectNothingClipped(TfTavixSettings& dialog, const char* situation) {
    auto* tabs = dialog.findChild<QTabWidget*>("pcSettings");
    ASSERT_NE(tabs, nullptr);
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        for (QWidget* widget : tabs->widget(page)->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(&dialog))
                continue;
            if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget) &&
                !qobject_cast<QGroupBox*>(widget))
                continue;
            EXPECT_GE(widget->width(), widget->minimumSizeHint().width())
                << situation << ": " << widget->objectName().toStdString() << " on page " << page;
            EXPECT_GE(widget->height(), widget->minimumSizeHint().height())
                << situation << ": " << widget->objectName().toStdString() << " on page " << page;
        }
    }
}

TEST_F(SettingsDialog, NoTextIsClippedInEitherLanguage) {
    Open();
    ExpectNothingClipped(*dialog, "English");
    // German texts are longer: switching at run time must make room for them.
    Find<QToolButton>("iGermanFlag")->click();
    ExpectNothingClipped(*dialog, "switched to German");

    state.settings.language = kLanguageGerman;
    dialog.reset();
    Open();
    ExpectNothingClipped(*dialog, "opened in German");
}

TEST(LanguageFlags, DrawTheirColours) {
    const QImage german = GermanFlag().toImage();
    ASSERT_EQ(german.size(), kFlagSize);
    EXPECT_EQ(QColor(german.pixel(16, 3)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(german.pixel(16, 10)), QColor(221, 0, 0));
    EXPECT_EQ(QColor(german.pixel(16, 16)), QColor(255, 206, 0));

    const QImage english = LanguageFlag(kLanguageEnglish).toImage();
    ASSERT_EQ(english.size(), kFlagSize);
    EXPECT_GT(QColor(english.pixel(16, 10)).red(), 150);  // the red cross
    EXPECT_NE(LanguageFlag(kLanguageGerman).toImage(), english);
}

}  // namespace
}  // namespace korvalen
