#include "app/TavixSelection.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "core/Translator.h"

namespace korvalen {
namespace {

const QColor kSkyBlue(166, 202, 240);
constexpr int kBlankStrip = 19;

void PaintPanel(QWidget* panel) {
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, kSkyBlue);
    panel->setPalette(palette);
}

}  // namespace

TfSelection::TfSelection(int language, QWidget* parent) : QDialog(parent), language_(language) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setObjectName(QStringLiteral("fSelection"));
    pStatement = new QWidget(this);
    PaintPanel(pStatement);
    lStatement = new QLabel(pStatement);
    lStatement->setWordWrap(true);
    lStatement->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    pButtons = new QWidget(this);
    PaintPanel(pButtons);
}

void TfSelection::BuildLayout() {
    if (built_)
        return;
    built_ = true;
    const int n = static_cast<int>(Options.size());
    const int s = FontSize;
    int longest = 0;
    for (const QString& option : Options)
        longest = std::max(longest, static_cast<int>(option.size()));
    int w = longest * s * 3 / 4 + 20;
    w = std::max(w, static_cast<int>(DialogCaption.size()) * s);
    DialogWidth = w;
    setWindowTitle(DialogCaption);

    QFont font = this->font();
    font.setPointSize(s);
    font.setBold(false);
    font.setItalic(false);

    int statementHeight = 0;
    if (!Statement.isEmpty()) {
        const int perLine = std::max(1, (w * 4 / 3) / s);
        const int lines = static_cast<int>(Statement.size()) / perLine + 1;
        statementHeight = kBlankStrip + lines * s * 2;
        pStatement->setGeometry(0, 0, w, statementHeight);
        lStatement->setFont(font);
        lStatement->setText(Statement);
        lStatement->setGeometry(0, kBlankStrip, w, lines * s * 2);
        pStatement->show();
    } else {
        pStatement->hide();
    }
    const int buttonsHeight = (n + 1) * 40 + 20;
    pButtons->setGeometry(0, statementHeight, w, buttonsHeight);
    setFixedSize(w, buttonsHeight + statementHeight);

    CanClose = false;
    auto addButton = [&](const QString& text, int top, int number) {
        auto* button = new QPushButton(text, pButtons);
        button->setGeometry(10, top, w - 20, 30);
        button->show();  // built while the dialog is being shown: not shown with it
        button->setFont(font);
        button->setAutoDefault(false);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, number] { Choose(number); });
        buttons_.append(button);
    };
    for (int i = 0; i < n; ++i)
        addButton(QStringLiteral("&%1  %2").arg(i + 1).arg(Options[i]), i * 40 + 10, i + 1);
    addButton(QString::fromStdString(TranslateText("&0 Break [Esc]", language_)), n * 40 + 20, 0);

    QPushButton* focused = OptionButton(DefaultChoice);
    (focused ? focused : buttons_.last())->setFocus();

    if (Centre.x() > 0)
        move(Centre.x() - width() / 2, Centre.y() - height() / 2);
}

QPushButton* TfSelection::OptionButton(int number) const {
    if (number == 0)
        return buttons_.isEmpty() ? nullptr : buttons_.last();
    if (number < 0 || number >= buttons_.size())
        return nullptr;
    return buttons_[number - 1];
}

void TfSelection::showEvent(QShowEvent* event) {
    BuildLayout();
    QDialog::showEvent(event);
    if (QPushButton* focused = OptionButton(DefaultChoice))
        focused->setFocus();
    else if (!buttons_.isEmpty())
        buttons_.last()->setFocus();
}

void TfSelection::Choose(int number) {
    Choice = number;
    CanClose = true;
    done(number == 0 ? QDialog::Rejected : QDialog::Accepted);
}

void TfSelection::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() == 1 && text[0].isDigit()) {
        const int digit = text[0].digitValue();
        if (digit == 0)
            Choose(0);
        else if (digit <= Options.size())
            Choose(digit);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        Choose(0);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfSelection::eventFilter(QObject* watched, QEvent* event) {
    // The buttons would swallow digits as accelerators-less keys; the dialog handles them.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->text().size() == 1 && key->text()[0].isDigit()) {
            keyPressEvent(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfSelection::closeEvent(QCloseEvent* event) {
    if (CanClose)
        event->accept();
    else
        event->ignore();
}

void TfSelection::reject() {
    Choose(0);
}

int SelectOption(const QString& caption, const QString& statement, const QStringList& options,
                 int fontSize, QPoint centre, int defaultChoice, int language, QWidget* parent) {
    if (options.isEmpty())
        return 0;
    TfSelection dialog(language, parent);
    dialog.DialogCaption = caption;
    dialog.Statement = statement;
    dialog.Options = options;
    dialog.FontSize = fontSize;
    dialog.Centre = centre;
    dialog.DefaultChoice = defaultChoice;
    dialog.exec();
    return dialog.Choice;
}

}  // namespace korvalen
