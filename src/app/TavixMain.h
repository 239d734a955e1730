#pragma once

#include <QMainWindow>

namespace korvalen {

// The main window: the single-maps page with the map matrix and the result page.
class TfTavixMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfTavixMain(QWidget* parent = nullptr);
};

}  // namespace korvalen
