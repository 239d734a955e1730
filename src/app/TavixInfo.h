#pragma once

#include <QDate>
#include <QDialog>

class QPushButton;

namespace korvalen {

// The program's version: major 2, minor "33".
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 33;
QString VersionText();             // "2.33"
QDate ReleaseDate();               // 26 December 2006
QPixmap ProgramPicture(int size);  // the program's own picture: a folded map sheet

// The About box.
class TfAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfAbout(bool withCloseButton, QWidget* parent = nullptr);
    QPushButton* CloseButton() const { return bbClose; }

private:
    QPushButton* bbClose;
};

}  // namespace korvalen
