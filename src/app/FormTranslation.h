#pragma once

class QWidget;

namespace korvalen {

// Translates every text of a form into the language: the window title, then each button,
// check box, radio button, label, group box, tab, menu and menu item, and the columns of
// list views, each through the translation store so that the form can later be translated
// back. Other widgets (edits, spin boxes, combo boxes) keep their texts.
void TranslateForm(QWidget* form, int language);

}  // namespace korvalen
