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
    bool Checked(const char* name) { return Find<QCheckBox>(name)->isChecked(); }
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

    EXPECT_EQ(Spin("seDefaultRows"), 4);
    EXPECT_EQ(Spin("seDefaultCols"), 3);
    EXPECT_EQ(Spin("seMinimumCorrelation"), 90);
    EXPECT_EQ(Spin("seSpreadingTolerance"), 8);
    EXPECT_TRUE(Find<QCheckBox>("cbEstimateOverlap")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("cbBandOnDetail")->isChecked());
    EXPECT_EQ(Spin("seSearchBandAcross"), 50);
    EXPECT_EQ(Spin("seSearchBandAlong"), 50);
    EXPECT_EQ(Find<QComboBox>("cobTargetAreaRatio")->currentText(), "1");
    EXPECT_EQ(Spin("seHorizontalOverlap"), 100);
    EXPECT_EQ(Spin("seVerticalOverlap"), 100);
    EXPECT_EQ(Spin("seProximity"), 5);
    EXPECT_EQ(Spin("seCompressionQuality"), 70);
    EXPECT_EQ(Spin("sePlusCompressionQuality"), 70);
    EXPECT_EQ(Spin("seGridPatternOverlap"), 10);
    EXPECT_EQ(Spin("seCriticalNumOfPixels"), 10);
    EXPECT_EQ(Spin("seMapImagesOverlap"), 10);

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
    EXPECT_TRUE(Find<QRadioButton>("rbEnglish")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("eDisaccordColor")->text(), "$00FE50FE");

    EXPECT_TRUE(Checked("cbViewSingleMaps"));
    EXPECT_TRUE(Checked("cbSingleMaps8bit"));
    const Settings defaults;
    EXPECT_EQ(Checked("cbImmediateStart"), defaults.immediateStart);
    EXPECT_EQ(Checked("cbPauseAfter"), defaults.pauseAfter);
    EXPECT_EQ(Checked("cbConfirmTavix"), defaults.confirmTavix);
    EXPECT_EQ(Checked("cbTavixAfterJoin"), defaults.tavixAfterJoin);
    EXPECT_EQ(Checked("cbComputeTotal"), defaults.computeTotal);
    EXPECT_EQ(Checked("cbPreviewFirst"), defaults.previewFirst);
    EXPECT_EQ(Checked("cbAutoStart"), defaults.autoStart);
    EXPECT_EQ(Checked("cbSaveMapImage"), defaults.saveMapImage);
    EXPECT_EQ(Checked("cbSaveCalibration"), defaults.saveCalibration);

    // Accepting the untouched dialog changes nothing.
    dialog->accept();
    EXPECT_EQ(state.settings, defaults);
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

TEST_F(SettingsDialog, AcceptTakesEveryControl) {
    Open();
    QSignalSpy accepted(dialog.get(), &TfTavixSettings::settingsAccepted);
    Settings expected = state.settings;
    auto spin = [&](const char* name, int value, auto& member) {
        Find<QSpinBox>(name)->setValue(value);
        member = static_cast<std::remove_reference_t<decltype(member)>>(value);
    };
    auto check = [&](const char* name, bool& member) {
        Find<QCheckBox>(name)->setChecked(!member);
        member = !member;
    };
    auto edit = [&](const char* name, const char* text, std::string& member) {
        Find<QLineEdit>(name)->setText(QString::fromUtf8(text));
        member = text;
    };

    Find<QRadioButton>("rbGerman")->click();
    expected.language = 1;
    edit("leSingleMapsDirectory", "/maps/in", expected.singleMapsDirectory);
    edit("leTavixedMapsDirectory", "/maps/out", expected.tavixedMapsDirectory);
    edit("lePlacemarksDirectory", "/maps/Ortsmarken äöü", expected.PlacemarksDirectory);
    check("cbSingleMaps8bit", expected.singleMaps8bit);
    SetItem("rgPixelFormat", 2);
    expected.tavixedMapPixelIx = 2;

    spin("seDefaultRows", 17, expected.defaultRows);
    spin("seDefaultCols", 23, expected.defaultCols);
    check("cbViewSingleMaps", expected.showSingleMaps);
    spin("seProximity", 16, expected.proximity);
    spin("seCompressionQuality", 33, expected.compressionQuality);
    SetItem("rgDistanceUnits", 1);
    expected.IsMetric = false;

    SetItem("rgMapsSequence", 1);
    expected.preferredMapfilesSequence = 2;
    SetItem("rgOrderOfMapFiles", 4);
    expected.preferredOrderOfMapfiles = 5;
    SetItem("rgJoiningAlgorithm", 4);
    expected.preferredAlgorithm = 5;

    spin("seMinimumCorrelation", 77, expected.minimumCorrelation);
    spin("seSpreadingTolerance", 32, expected.spreadingTolerance);
    spin("seSearchBandAcross", 125, expected.SearchBandAcross);
    spin("seSearchBandAlong", 250, expected.SearchBandAlong);
    Find<QComboBox>("cobTargetAreaRatio")->setCurrentIndex(9);
    expected.overlap = 10;
    spin("seHorizontalOverlap", 10000, expected.horizontalOverlap);
    spin("seVerticalOverlap", 10, expected.verticalOverlap);
    spin("seGridPatternOverlap", 25, expected.Overlap);
    check("cbEstimateOverlap", expected.estimateOverlap);
    check("cbBandOnDetail", expected.bandOnDetail);
    SetItem("rgComparison", 0);
    expected.comparison = 0;

    SetItem("rgContinueSearch", 2);
    expected.continueSearch = 2;
    check("cbImmediateStart", expected.immediateStart);
    check("cbPauseAfter", expected.pauseAfter);
    check("cbConfirmTavix", expected.confirmTavix);
    check("cbTavixAfterJoin", expected.tavixAfterJoin);
    check("cbComputeTotal", expected.computeTotal);
    check("cbPreviewFirst", expected.previewFirst);

    check("cbAutoStart", expected.autoStart);
    SetItem("rgViewArea", 2);
    expected.viewArea = 2;
    edit("leMapImagesDirectory", "/maps/earth", expected.mapImagesDirectory);
    check("cbSaveMapImage", expected.saveMapImage);
    check("cbSaveCalibration", expected.saveCalibration);
    spin("sePlusCompressionQuality", 99, expected.plusCompressionQuality);
    spin("seCriticalNumOfPixels", 999, expected.criticalNumOfPixels);
    SetItem("rgPlusPixelFormat", 1);
    expected.pixelFormat8Bit = true;
    spin("seMapImagesOverlap", 45, expected.mapImagesOverlap);
    SetItem("rgCalibFormat", 6);
    expected.calibFormat = 7;

    Find<QPushButton>("bbAccept")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(accepted.count(), 1);

    const Settings& got = state.settings;
#define EXPECT_MEMBER(m) EXPECT_EQ(got.m, expected.m) << #m
    EXPECT_MEMBER(language);
    EXPECT_MEMBER(singleMapsDirectory);
    EXPECT_MEMBER(tavixedMapsDirectory);
    EXPECT_MEMBER(PlacemarksDirectory);
    EXPECT_MEMBER(continueSearch);
    EXPECT_MEMBER(estimateOverlap);
    EXPECT_MEMBER(bandOnDetail);
    EXPECT_MEMBER(comparison);
    EXPECT_MEMBER(immediateStart);
    EXPECT_MEMBER(pauseAfter);
    EXPECT_MEMBER(showSingleMaps);
    EXPECT_MEMBER(singleMaps8bit);
    EXPECT_MEMBER(tavixedMapPixelIx);
    EXPECT_MEMBER(confirmTavix);
    EXPECT_MEMBER(tavixAfterJoin);
    EXPECT_MEMBER(previewFirst);
    EXPECT_MEMBER(computeTotal);
    EXPECT_MEMBER(minimumCorrelation);
    EXPECT_MEMBER(spreadingTolerance);
    EXPECT_MEMBER(overlap);
    EXPECT_MEMBER(SearchBandAcross);
    EXPECT_MEMBER(SearchBandAlong);
    EXPECT_MEMBER(horizontalOverlap);
    EXPECT_MEMBER(verticalOverlap);
    EXPECT_MEMBER(proximity);
    EXPECT_MEMBER(defaultRows);
    EXPECT_MEMBER(defaultCols);
    EXPECT_MEMBER(preferredAlgorithm);
    EXPECT_MEMBER(preferredMapfilesSequence);
    EXPECT_MEMBER(preferredOrderOfMapfiles);
    EXPECT_MEMBER(compressionQuality);
    EXPECT_MEMBER(disaccordColor);
    EXPECT_MEMBER(IsMetric);
    EXPECT_MEMBER(Overlap);
    EXPECT_MEMBER(autoStart);
    EXPECT_MEMBER(viewArea);
    EXPECT_MEMBER(mapImagesDirectory);
    EXPECT_MEMBER(saveMapImage);
    EXPECT_MEMBER(plusCompressionQuality);
    EXPECT_MEMBER(criticalNumOfPixels);
    EXPECT_MEMBER(mapImagesOverlap);
    EXPECT_MEMBER(pixelFormat8Bit);
    EXPECT_MEMBER(saveCalibration);
    EXPECT_MEMBER(calibFormat);
#undef EXPECT_MEMBER
    EXPECT_EQ(got, expected);  // also the window members nobody should have touched
    EXPECT_EQ(ResultPixelFormat(got), PixelFormat::Bits4);

    // Showing again loads what was accepted, so accepting again is a no-op.
    Open();
    EXPECT_EQ(dialog->DisplayLanguage(), kLanguageGerman);
    EXPECT_EQ(dialog->windowTitle(), German("Settings"));
    dialog->accept();
    EXPECT_EQ(state.settings, expected);
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
        spin->setValue(range.maximum + 1);
        EXPECT_EQ(spin->value(), range.maximum) << range.name;
        spin->setValue(range.minimum - 1);
        EXPECT_EQ(spin->value(), range.minimum) << range.name;
    }

    // Typing a number beyond the range is refused digit by digit.
    QSpinBox* proximity = Find<QSpinBox>("seProximity");
    proximity->setValue(5);
    proximity->selectAll();
    QTest::keyClicks(proximity, "99");
    EXPECT_LE(proximity->value(), 16);
    dialog->accept();
    EXPECT_LE(state.settings.proximity, 16);

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
    const QColor centre = english.pixel(16, 10);
    EXPECT_GT(centre.red(), 150);  // the red cross
    EXPECT_LT(centre.blue(), 80);
    const QColor field = english.pixel(12, 2);
    EXPECT_GT(field.blue(), field.red());  // a blue field beside the diagonal
    EXPECT_NE(LanguageFlag(kLanguageGerman).toImage(), english);
}

}  // namespace
}  // namespace korvalen
