#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QTimer>

class QLabel;

namespace korvalen {

// A borderless notice that closes itself after a time, or at once on a key or a click.
class TfTimerMsg : public QDialog {
    Q_OBJECT
public:
    explicit TfTimerMsg(QWidget* parent = nullptr);

    QString MessageText;
    QFont MessageFont;
    QColor MessageColour = QColor(128, 0, 128);
    int IntervalMs = 1000;
    bool ClosedByUser = false;
    QPoint AreaTopLeft;
    QPoint AreaBottomRight;

    // Sizes and places the window; runs when it is shown.
    void Arrange();
    QLabel* Panel() const { return pMessage; }
    QTimer* CloseTimer() { return &tClose; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CloseByUser();

    QLabel* pMessage;
    QTimer tClose;
};

// Shows the message modally and gives whether the user closed it. An interval below 500
// keeps 1000 ms, a font size below 6 keeps 18. With an area widget the message is centred
// over it, otherwise on the screen.
bool ShowTimedMessage(const QString& text, int intervalMs, int fontSize, QWidget* area,
                      const QColor& colour, QWidget* parent = nullptr);

}  // namespace korvalen
