#include "app/FormTranslation.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVariant>

#include "core/Translator.h"

namespace korvalen {
namespace {

constexpr const char* kIndexProperty = "korvalenComponentIndex";
constexpr const char* kNextIndexProperty = "korvalenNextComponentIndex";

// Each object keeps the index it was given the first time its form was translated, so that
// widgets created later (pictures, dynamic buttons) never shift the others' records.
int ComponentIndex(QWidget* form, QObject* object) {
    QVariant index = object->property(kIndexProperty);
    if (index.isValid())
        return index.toInt();
    const int next = form->property(kNextIndexProperty).toInt();
    form->setProperty(kNextIndexProperty, next + 1);
    object->setProperty(kIndexProperty, next);
    return next;
}

class FormTranslator {
public:
    FormTranslator(QWidget* form, int language)
        : form_(form),
          name_(form->objectName().isEmpty() ? form->metaObject()->className()
                                             : form->objectName().toStdString()),
          language_(language) {}

    QString Text(int component, int sub, const QString& current) const {
        return QString::fromStdString(
            TranslateCached(name_, component, sub, language_, current.toStdString()));
    }

    void Translate(QObject* object) {
        const int index = ComponentIndex(form_, object);
        if (auto* radio = qobject_cast<QRadioButton*>(object)) {
            radio->setText(Text(index, 0, radio->text()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
            button->setText(Text(index, 0, button->text()));
            if (!button->toolTip().isEmpty() || HasRecord(index, 1))
                button->setToolTip(Text(index, 1, button->toolTip()));
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            if (label->pixmap().isNull())
                label->setText(Text(index, 0, label->text()));
        } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
            group->setTitle(Text(index, 0, group->title()));
        } else if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
            for (int i = 0; i < tabs->count(); ++i)
                tabs->setTabText(i, Text(index, i + 1, tabs->tabText(i)));
        } else if (auto* menu = qobject_cast<QMenu*>(object)) {
            menu->setTitle(Text(index, 0, menu->title()));
        } else if (auto* action = qobject_cast<QAction*>(object)) {
            if (!action->isSeparator() && !action->menu())
                action->setText(Text(index, 0, action->text()));
        } else if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
            QTreeWidgetItem* header = tree->headerItem();
            for (int column = 0; column < tree->columnCount(); ++column)
                header->setText(column, Text(index, column, header->text(column)));
        }
    }

private:
    bool HasRecord(int component, int sub) const {
        return TranslationCache::Instance().Untranslated(name_, component, sub) != nullptr;
    }

    QWidget* form_;
    std::string name_;
    int language_;
};

// Windows the form owns (a modeless dialog, an open message box) translate themselves under
// their own name; menus are windows too but belong to the form.
bool InsideOtherWindow(const QWidget* form, const QObject* object) {
    for (const QObject* o = object; o && o != form; o = o->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(o);
        if (widget && widget->isWindow() && !qobject_cast<const QMenu*>(widget))
            return true;
    }
    return false;
}

}  // namespace

void TranslateForm(QWidget* form, int language) {
    FormTranslator translator(form, language);
    form->setWindowTitle(translator.Text(-1, 0, form->windowTitle()));
    const QList<QObject*> objects = form->findChildren<QObject*>();
    for (QObject* object : objects)
        if (!InsideOtherWindow(form, object))
            translator.Translate(object);
}

}  // namespace korvalen
