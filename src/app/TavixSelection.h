#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QStringList>

class QLabel;
class QPushButton;
class QWidget;

namespace korvalen {

// The selection dialog: a short list of choices as numbered buttons and a break button.
// Keys 1..9 choose an option, 0 and Esc the break button; it will not close otherwise.
class TfSelection : public QDialog {
    Q_OBJECT
public:
    explicit TfSelection(int language, QWidget* parent = nullptr);

    bool CanClose = true;
    int Choice = 0;
    int DefaultChoice = 1;
    int FontSize = 10;
    QString DialogCaption;
    QString Statement;
    QStringList Options;
    QPoint Centre;
    int DialogWidth = 0;

    // Builds the buttons and sizes the window; runs once, on the first activation.
    void BuildLayout();
    QPushButton* OptionButton(int number) const;  // 0 is the break button
    QWidget* StatementPanel() const { return pStatement; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void Choose(int number);

    int language_;
    bool built_ = false;
    QWidget* pStatement = nullptr;
    QLabel* lStatement = nullptr;
    QWidget* pButtons = nullptr;
    QList<QPushButton*> buttons_;  // option buttons, then the break button
};

// Shows the dialog modally and gives the choice; 0 without showing anything when there
// are no options.
int SelectOption(const QString& caption, const QString& statement, const QStringList& options,
                 int fontSize, QPoint centre, int defaultChoice, int language,
                 QWidget* parent = nullptr);

}  // namespace korvalen
