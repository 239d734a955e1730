#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/FormTranslation.h"
#include "core/Translator.h"

namespace korvalen {
namespace {

QString German(const char* source) {
    return QString::fromStdString(TranslateText(source, 1));
}
QString English(const char* source) {
    return QString::fromStdString(TranslateText(source, 0));
}

TEST(FormTranslation, GermanAndBackGivesTheDesignedEnglish) {
    QWidget form;
    form.setObjectName("fRoundTrip");
    form.setWindowTitle("Settings");
    auto* button = new QPushButton("Tavix_maps", &form);
    button->setToolTip("Load all maps");
    auto* check = new QCheckBox("View single_maps", &form);
    auto* group = new QGroupBox("Pixel_format of_tavixed_map", &form);
    auto* radio = new QRadioButton("Rows", group);
    auto* label = new QLabel("Map_image_name", &form);
    auto* spin = new QSpinBox(&form);
    spin->setSuffix("rows");
    auto* tabs = new QTabWidget(&form);
    tabs->addTab(new QWidget, "Files");
    tabs->addTab(new QWidget, "Defaults");
    auto* menu = new QMenu("&File", &form);
    QAction* action = menu->addAction("Convert Bmp_to_Jpeg");

    TranslateForm(&form, kLanguageGerman);
    EXPECT_EQ(form.windowTitle(), German("Settings"));
    EXPECT_EQ(button->text(), German("Tavix_maps"));
    EXPECT_EQ(button->toolTip(), German("Load all maps"));
    EXPECT_EQ(check->text(), German("View single_maps"));
    EXPECT_EQ(group->title(), German("Pixel_format of_tavixed_map"));
    EXPECT_EQ(radio->text(), German("Rows"));
    EXPECT_EQ(label->text(), German("Map_image_name"));
    EXPECT_EQ(tabs->tabText(1), German("Defaults"));
    EXPECT_EQ(menu->title(), German("&File"));
    EXPECT_EQ(action->text(), German("Convert Bmp_to_Jpeg"));
    EXPECT_EQ(spin->suffix(), "rows");  // spin boxes keep their texts

    // A widget created between the two translations must not disturb the others' records.
    new QLabel("Overview", group);
    TranslateForm(&form, kLanguageEnglish);
    EXPECT_EQ(form.windowTitle(), "Settings");
    EXPECT_EQ(button->text(), "Tavix maps");
    EXPECT_EQ(button->toolTip(), "Load all maps");
    EXPECT_EQ(check->text(), "View single maps");
    EXPECT_EQ(group->title(), English("Pixel_format of_tavixed_map"));
    EXPECT_EQ(radio->text(), "Rows");
    EXPECT_EQ(label->text(), "Map image name");
    EXPECT_EQ(tabs->tabText(0), "Files");
    EXPECT_EQ(menu->title(), "&File");
    EXPECT_EQ(action->text(), "Convert Bmp to Jpeg");

    TranslateForm(&form, kLanguageGerman);
    EXPECT_EQ(label->text(), German("Map_image_name"));
}

}  // namespace
}  // namespace korvalen
